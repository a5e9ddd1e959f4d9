// The two duplicate eliminations: obvious duplicates and records within a tolerance in metres.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Duplicati {
public:
    explicit Duplicati(Nucleo& n);
    void collega();

    void EliminaRigheDoppiePalesi();
    void EliminaDuplicati(long Interattivo);
    void cmdDupl_Click();
    void txtDupl_change();
    void txtDupl_KeyPress(int& KeyAscii);

private:
    Nucleo& n;
};

}  // namespace gm
