#include "io/salvataggio.h"

namespace gm {

Salvataggio::Salvataggio(Nucleo& n, Duplicati& dup) : n(n), dup(dup) {}
void Salvataggio::collega() {}
void Salvataggio::SalvaFile(int) {}
void Salvataggio::cmdSalva_Click() {}

}  // namespace gm
