// TomTom OV2 point records: the short point text with its name cleaning, and the byte record.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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

}  // namespace gm
