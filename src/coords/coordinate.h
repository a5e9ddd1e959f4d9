// Coordinates of a record: map links, the directories' map pages and reverse telephone lookup,
// the address geocoder, and the pass that fills what is missing over the whole table.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Salvataggio;

class Coordinate {
public:
    Coordinate(Nucleo& n, Salvataggio& salva);

    bool bCoordinateTrovate = false;

    void EstraeSingolaPosizioneGps(long& Riga);
    void RilevaCoordinateImap(long& Riga);
    void CompletaCoordinateMancanti(long Modo);

private:
    Nucleo& n;
    Salvataggio& salva;
};

}  // namespace gm
