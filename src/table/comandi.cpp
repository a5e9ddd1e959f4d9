#include "table/comandi.h"

namespace gm {

Comandi::Comandi(Nucleo& n, Coordinate& coord, Importazione& imp, Manuale& man)
    : n(n), coord(coord), imp(imp), man(man) {}
void Comandi::collega() {}

}  // namespace gm
