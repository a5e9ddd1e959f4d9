// The search run over the selected areas: driver, area walk, page count, postal-code level and
// the two directory extractors.
#pragma once

#include "app/nucleo.h"

namespace gm {

class SelezioneAree;
class Coordinate;
class Duplicati;
class Salvataggio;

class Ricerca {
public:
    Ricerca(Nucleo& n, SelezioneAree& sel, Coordinate& coord, Duplicati& dup, Salvataggio& salva);
    void collega();

    void cmdCarica_Click();
    void MessaggioTabellaPiena();

private:
    Nucleo& n;
    SelezioneAree& sel;
    Coordinate& coord;
    Duplicati& dup;
    Salvataggio& salva;
};

}  // namespace gm
