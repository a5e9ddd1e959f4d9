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

private:
    Controlli& c;
    const Territorio& terr;
};

}  // namespace gm
