#include "table/comandi.h"

namespace gm {

Comandi::Comandi(Nucleo& n, Coordinate& coord, Importazione& imp, Manuale& man)
    : n(n), coord(coord), imp(imp), man(man) {}
void Comandi::collega() {}
void Comandi::mfgTab_DblClick() {}
void Comandi::mfgTab_MouseDown(int, int) {}
void Comandi::cmdScelta_Click(int) {}
void Comandi::cmdImporta_Click(int) {}

}  // namespace gm
