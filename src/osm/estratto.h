// OpenStreetMap extract files (PBF or XML, read with libosmium): the points and outlines with the
// asked tags inside the municipalities of the selected areas. Three passes over the file
// (relations, ways, nodes) keep in memory only the boundaries of those municipalities, the
// outlines asked for and the nodes they need, never an index of every node of the file.
#pragma once

#include <QString>
#include <QVector>

#include <functional>

#include "osm/overpass.h"
#include "osm/preset.h"

namespace gm {
class Territorio;
}

namespace gm::osm {

struct LetturaEstratto {
    EsitoArea esito;
    qint64 nodiLetti = 0;   // nodes seen in the node pass
    qint64 confini = 0;     // municipality boundaries of the areas found in the file
    QString errore;         // Italian; empty when the file was read
};

// The records of the areas from the extract. fermato is asked between blocks of the file.
LetturaEstratto LeggiEstratto(const Territorio& t, const QString& file, const QVector<AreaOsm>& aree,
                              const QVector<Filtro>& filtri, const std::function<bool()>& fermato = {});

}  // namespace gm::osm
