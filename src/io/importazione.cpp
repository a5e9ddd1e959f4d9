#include "io/importazione.h"

namespace gm {

Importazione::Importazione(Nucleo& n) : n(n) {}
void Importazione::collega() {}
void Importazione::ApriImportazione() {}

}  // namespace gm
