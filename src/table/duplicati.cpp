#include "table/duplicati.h"

namespace gm {

Duplicati::Duplicati(Nucleo& n) : n(n) {}
void Duplicati::collega() {}
void Duplicati::EliminaRigheDoppiePalesi() {}
void Duplicati::EliminaDuplicati(long) {}
void Duplicati::cmdDupl_Click() {}
void Duplicati::txtDupl_change() {}
void Duplicati::txtDupl_KeyPress(int&) {}

}  // namespace gm
