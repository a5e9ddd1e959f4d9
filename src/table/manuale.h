// Manual record entry and record search; cmdImp_Click is the button array shared by the
// word-list, import-mapping and manual-entry panels.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Coordinate;
class Duplicati;
class Salvataggio;
class Importazione;

class Manuale {
public:
    Manuale(Nucleo& n, Coordinate& coord, Duplicati& dup, Salvataggio& salva, Importazione& imp);
    void collega();

    void CreaTabellaInputManuale();
    void cmdImp_Click(int index);
    void txtManuale_KeyPress(int index, int& KeyAscii);
    void txtManuale_Change(int index);
    void InserisceRigaManuale();
    void mfgfind_DblClick();

private:
    Nucleo& n;
    Coordinate& coord;
    Duplicati& dup;
    Salvataggio& salva;
    Importazione& imp;
};

}  // namespace gm
