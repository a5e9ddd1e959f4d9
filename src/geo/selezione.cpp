#include "geo/selezione.h"

#include "app/controlli.h"
#include "geo/territorio.h"

namespace gm {

SelezioneAree::SelezioneAree(Controlli& c, const Territorio& terr) : c(c), terr(terr) {}

void SelezioneAree::collega() {}
void SelezioneAree::lstRegioni_Click() {}
void SelezioneAree::lstProv_Click() {}
void SelezioneAree::AggiornaProvincie(int) {}
void SelezioneAree::AggiornaComuni() {}
void SelezioneAree::cmdSelez_Click(int) {}
void SelezioneAree::txtCosa_Change() {}
void SelezioneAree::txtCosa_keypress(int&) {}
void SelezioneAree::CaricaListaProvince(long) {}
void SelezioneAree::CaricaListaComuni(long, long) {}

}  // namespace gm
