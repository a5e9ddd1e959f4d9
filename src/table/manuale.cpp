#include "table/manuale.h"

namespace gm {

Manuale::Manuale(Nucleo& n, Coordinate& coord, Duplicati& dup, Salvataggio& salva, Importazione& imp)
    : n(n), coord(coord), dup(dup), salva(salva), imp(imp) {}
void Manuale::collega() {}
void Manuale::CreaTabellaInputManuale() {}
void Manuale::cmdImp_Click(int) {}
void Manuale::txtManuale_KeyPress(int, int&) {}
void Manuale::txtManuale_Change(int) {}
void Manuale::InserisceRigaManuale() {}
void Manuale::mfgfind_DblClick() {}

}  // namespace gm
