// State of a search run, shared by the driver, the area walk, the extractors and the
// coordinate lookups.
#pragma once

#include <QString>

#include <array>

namespace gm {

struct StatoRicerca {
    QString sCosa;
    long nRegione = 0, nProvincia = 0, nComune = 0;
    QString sRegione, sProvincia, sSiglaProvincia;
    QString sLocalita, sAppoggio, sCapComune;
    long nPagine = 0, nPaginaCorrente = 0;
    long TotalePassi = 0, PassiEseguiti = 0;
    long iListaRegioni = 0, iListaProvince = 0, iListaComuni = 0;
    QString sProvinceTutte, sComuniTutti;
    // Directory pages that never arrived, in the current region and in the whole run: a region
    // or a run with pages missing is not called finished.
    long nPagineMancantiRegione = 0, nPagineMancanti = 0;
    // Work fields: 0..7 the record being built, in column order; the rest scratch fields.
    std::array<QString, 21> aCampi;
};

}  // namespace gm
