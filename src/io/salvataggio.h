// Saving the table: TXT, XLS and OV2 files in the five modes (emergency, user, timer, region end,
// end of run), and the word-list panel.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Duplicati;

class Salvataggio {
public:
    Salvataggio(Nucleo& n, Duplicati& dup);
    void collega();

    // 0 emergency, 1 user, 2 timer, 3 region end, 4 end of run.
    void SalvaFile(int Modo);
    void cmdSalva_Click();

private:
    Nucleo& n;
    Duplicati& dup;
};

}  // namespace gm
