// The row menu, sorting by a column and the command menu.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Coordinate;
class Importazione;
class Manuale;

class Comandi {
public:
    Comandi(Nucleo& n, Coordinate& coord, Importazione& imp, Manuale& man);
    void collega();

private:
    Nucleo& n;
    Coordinate& coord;
    Importazione& imp;
    Manuale& man;
};

}  // namespace gm
