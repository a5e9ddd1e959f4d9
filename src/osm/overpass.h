// Overpass API: the query text for one area of the area table, the reader of the JSON answer
// (untrusted: bounded, never trusted to be well formed) and the records an answer gives.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include "osm/preset.h"
#include "table/tabella.h"

namespace gm {
class Territorio;
}

namespace gm::osm {

// One area of a run: a region, a province or a municipality (area-table indices).
struct AreaOsm {
    enum Livello { Regione, Provincia, Comune };
    Livello livello = Regione;
    int r = 0, p = 0, c = 0;
    // "Regione Molise", "Provincia Isernia", "Comune Agnone (IS)": for messages.
    QString descrizione(const Territorio& t) const;
};

// ISO 3166-2 code of a region ("IT-25") or of a province ("IT-MI"); empty when unknown. The one
// province of Valle d'Aosta is the region itself.
QString CodiceIso(const Territorio& t, int r, int p = 0);

// Server time limit, in seconds, by level: whole regions take longest.
int TimeoutOverpass(AreaOsm::Livello l);

// Municipality boundaries of the area, each followed by the elements inside it that carry any of
// the filters: the answer says where every element lies. Empty when the area has no code.
QString QueryOverpass(const Territorio& t, const AreaOsm& a, const QVector<Filtro>& filtri);
// Case-insensitive pattern for a municipality name as the area table spells it (no accents,
// apostrophes and hyphens as written), matching the accented spelling used on the map.
QString ModelloNome(const QString& nomeTabella);

struct Elemento {
    QString tipo;  // node, way, relation
    qint64 id = 0;
    bool posizione = false;  // lat/lon (node) or centre (way, relation)
    double lat = 0, lon = 0;
    QHash<QString, QString> tag;
};

struct RispostaOverpass {
    QVector<Elemento> elementi;
    QString osservazione;  // the server's "remark": a time-out or memory limit cut the answer
};

// Bounds of an answer.
inline constexpr qint64 kMaxByteRisposta = 128LL * 1024 * 1024;
inline constexpr int kMaxElementi = 1000000;
inline constexpr int kMaxTagElemento = 300;
inline constexpr int kMaxTestoTag = 1000;

// False with an Italian message when the text is no Overpass JSON answer, or the server says the
// answer was cut short.
bool LeggiRisposta(const QByteArray& json, RispostaOverpass& r, QString& errore);

struct EsitoArea {
    QVector<Record> record;
    int senzaNome = 0;  // points left out for want of a name
    int fuoriArea = 0;  // points in no municipality of the area
};
// The records of an answer for area a, in the answer's order: each element in the municipality
// of the boundary it came after, else by its postal code or town tags; outside the area: dropped.
EsitoArea RecordDaRisposta(const Territorio& t, const AreaOsm& a, const RispostaOverpass& risposta);

// Record fields from an element's tags, town and province from the table (shared with the
// extract reader). False when the element has no name.
struct Luogo {
    int r = 0, p = 0, c = 0;
};
bool RecordDaTag(const Territorio& t, const Luogo& l, const QHash<QString, QString>& tag, double lat, double lon,
                 Record& rec);
// "+39 0865 12345" and "0039..." without the country prefix; the first of several numbers.
QString TelefonoItaliano(const QString& testo);

// Municipalities of the table by normalised name and by postal code, over one area.
class IndiceComuni {
public:
    IndiceComuni(const Territorio& t, const AreaOsm& a);
    // The municipalities of one more area.
    void aggiungi(const Territorio& t, const AreaOsm& a);
    // The municipality a name from the map stands for ("Forlì", "Bolzano - Bozen"); false if none.
    bool perNome(const QString& nome, Luogo& l) const;
    bool perCap(const QString& cap, Luogo& l) const;
    // By the element's own tags: addr:city, then addr:postcode.
    bool perTag(const QHash<QString, QString>& tag, Luogo& l) const;

private:
    QHash<QString, Luogo> m_nomi;
    QHash<QString, Luogo> m_cap;
};

}  // namespace gm::osm
