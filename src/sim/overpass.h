// Overpass answers of geomerce-sim: the queries the program sends (municipality boundaries of an
// area, each followed by the elements with the asked tags inside it), answered from the
// generated directory with OpenStreetMap tags.
#pragma once

#include <QByteArray>
#include <QString>

namespace gm::osm {
class CatalogoPreset;
}

namespace gm::sim {

class Elenco;

struct RispostaOverpassSim {
    int stato = 200;
    QByteArray json;
};

// The answer to one query text; 400 with a message for a query of another shape.
RispostaOverpassSim RispondiOverpass(Elenco& elenco, const osm::CatalogoPreset& catalogo, const QString& query);

}  // namespace gm::sim
