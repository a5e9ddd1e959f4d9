// Manual record entry and record search.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Coordinate;
class Duplicati;
class Salvataggio;

class Manuale {
public:
    Manuale(Nucleo& n, Coordinate& coord, Duplicati& dup, Salvataggio& salva);
    void collega();

    void CreaTabellaInputManuale();

private:
    Nucleo& n;
    Coordinate& coord;
    Duplicati& dup;
    Salvataggio& salva;
};

}  // namespace gm
