// The OpenStreetMap source of a search run: which areas of the selection it asks for, online
// (Overpass) or from an extract file, and the records it appends to the table.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include "app/nucleo.h"
#include "osm/client.h"
#include "osm/overpass.h"
#include "osm/preset.h"

namespace gm::osm {

// What the licence of OpenStreetMap data asks to be shown wherever the data goes.
inline const QString kAttribuzione = QStringLiteral("© OpenStreetMap contributors");
inline const QString kLicenza = QStringLiteral("ODbL 1.0, https://www.openstreetmap.org/copyright");
// One line: for a comment line of a table file and for metadata.
QString TestoAttribuzione();

class SorgenteOsm {
public:
    explicit SorgenteOsm(Nucleo& n);
    // The check box shows the notice.
    void collega();

    // Tags given directly (command line --osm-tag): each filter is one choice, any of them will do.
    QVector<Filtro> filtriUtente;
    const CatalogoPreset& catalogo() const { return m_catalogo; }
    ClientOverpass client;

    // At the start of a run: forgets the last run's gaps and, with the source ticked, takes the
    // filters of this run (given ones, else the category's preset); false after telling the user
    // why the run cannot start.
    bool ControllaFonte();
    // The areas of the region the run is working, as the lists select them, one after another.
    void EstraiRegione();
    // One area online; false when it could not be had (listed in areeMancanti).
    bool EstraiArea(const AreaOsm& a);
    // The areas of one region from the extract file, in one reading.
    bool EstraiDaFile(const QString& file, const QVector<AreaOsm>& aree);
    // The areas the current selection asks for in region nRegione.
    QVector<AreaOsm> AreeSelezionate() const;

    // Areas of the last run that OpenStreetMap did not deliver, with the reason.
    QStringList areeMancanti;
    // Tells the user of them once the run has ended.
    void RiferisciMancanti();
    // Records appended by the last run.
    long recordAggiunti = 0;
    // The filters in use by the current run.
    const QVector<Filtro>& filtri() const { return m_filtri; }

private:
    void Accoda(const EsitoArea& esito);
    void MostraAttribuzione();
    Nucleo& n;
    CatalogoPreset m_catalogo;
    QVector<Filtro> m_filtri;
};

}  // namespace gm::osm
