// The three area selection lists, the category box and the search button rule.
#pragma once

namespace gm {

struct Controlli;
class Territorio;

class SelezioneAree {
public:
    SelezioneAree(Controlli& c, const Territorio& terr);
    void collega();  // connects the handlers to the control models

    void lstRegioni_Click();
    void lstProv_Click();
    void AggiornaProvincie(int index);
    void AggiornaComuni();
    void cmdSelez_Click(int index);
    void txtCosa_Change();
    void txtCosa_keypress(int& ascii);
    void CaricaListaProvince(long nRegione);
    void CaricaListaComuni(long nRegione, long nProvincia);
    // Search button rule: enabled with a category and at least one selected region.
    void AggiornaPulsanteRicerca();

private:
    Controlli& c;
    const Territorio& terr;
    bool m_inProvince = false;
    bool m_inComuni = false;
};

}  // namespace gm
