#include "table/manuale.h"

namespace gm {

Manuale::Manuale(Nucleo& n, Coordinate& coord, Duplicati& dup, Salvataggio& salva)
    : n(n), coord(coord), dup(dup), salva(salva) {}
void Manuale::collega() {}
void Manuale::CreaTabellaInputManuale() {}

}  // namespace gm
