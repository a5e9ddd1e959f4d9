#include "harvest/ricerca.h"

namespace gm {

Ricerca::Ricerca(Nucleo& n, SelezioneAree& sel, Coordinate& coord, Duplicati& dup, Salvataggio& salva)
    : n(n), sel(sel), coord(coord), dup(dup), salva(salva) {}
void Ricerca::collega() {}
void Ricerca::cmdCarica_Click() {}
void Ricerca::MessaggioTabellaPiena() {}

}  // namespace gm
