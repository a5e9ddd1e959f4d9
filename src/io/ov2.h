// TomTom OV2 point records: the short point text with its name cleaning, and the byte record.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <QVector>

#include "table/tabella.h"

namespace gm {

// The four bytes of a 32-bit signed integer, least significant first.
QByteArray MKL(qint32 valore);

// Coordinate text in 1e-5 degree (leading number, point as separator, halves to even);
// empty when the value does not fit a 32-bit field.
std::optional<qint32> CoordinataOV2(const QString& testo);

// The text the navigator shows for a record (at most 63 characters), or nothing when the row
// must be left out (no latitude, telephone that fails the check, telephone too long to dial).
std::optional<QString> TestoPuntoOV2(const Record& r, const QString& categoria, const QString& parole);

// The whole type-2 record, or an empty array when the row is left out.
QByteArray RecordOV2(const Record& r, const QString& categoria, const QString& parole);

// A position in 1e-5 degree.
struct PosizioneOV2 {
    qint32 x = 0;  // longitude
    qint32 y = 0;  // latitude
};

// One point of a navigator file: its position and its OV2 record.
struct PuntoOV2 {
    qint32 x = 0;
    qint32 y = 0;
    QByteArray record;
};

// Where a row lies as a point, or nothing when the row is left out: as RecordOV2, and also when a
// coordinate lies outside the globe. Every navigator file holds the same points; this is the
// check alone, without the point text.
std::optional<PosizioneOV2> PosizionePunto(const Record& r);

// The point a row gives, with its record, under the same rule.
std::optional<PuntoOV2> PuntoDaRecord(const Record& r, const QString& categoria, const QString& parole);

// The points of a navigator file: their records one after the other in one buffer, and where
// each lies and begins.
struct PuntiOV2 {
    struct Punto {
        qint32 x = 0;
        qint32 y = 0;
        qsizetype inizio = 0;  // in byte
        qint32 lunghezza = 0;
    };
    QByteArray byte;
    QVector<Punto> punti;

    // The point a row gives, under the rule of PuntoDaRecord; false when it is left out.
    bool aggiungi(const Record& r, const QString& categoria, const QString& parole);
};

// Largest number of points in a block of an indexed file.
inline constexpr int kMaxPuntiBlocco = 20;

// The records one after the other, as the format began.
QByteArray FileOV2Semplice(const PuntiOV2& punti);

// The records grouped under skipper records (type 1: size of the whole block, then east, north,
// west and south edge), each set of more than kMaxPuntiBlocco points split at the median of its
// longer side; a leaf keeps its points in the order given. A device skips the blocks away from
// where it looks; readers that know only type 2 still see every point.
QByteArray FileOV2Indicizzato(const PuntiOV2& punti);

}  // namespace gm
