#include "coords/coordinate.h"

namespace gm {

Coordinate::Coordinate(Nucleo& n, Salvataggio& salva) : n(n), salva(salva) {}
void Coordinate::EstraeSingolaPosizioneGps(long&) {}
void Coordinate::RilevaCoordinateImap(long&) {}
void Coordinate::CompletaCoordinateMancanti(long) {}

}  // namespace gm
