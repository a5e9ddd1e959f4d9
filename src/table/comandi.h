// The row menu, sorting by a column and the command menu.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Coordinate;
class Importazione;
class Manuale;

class Comandi {
public:
    Comandi(Nucleo& n, Coordinate& coord, Importazione& imp, Manuale& man);
    void collega();

    bool bCaricaAbilitato = false;
    // The row the row menu was opened on (nRecord keeps counting the records).
    long nRigaMenu = 0;

    // The window reports the grid cell under the mouse in mfgTab.row / mfgTab.col (MouseRow,
    // MouseCol) before calling these.
    void mfgTab_DblClick();
    void mfgTab_MouseDown(int Button, int Shift);
    void cmdScelta_Click(int index);
    void cmdImporta_Click(int index);

private:
    Nucleo& n;
    Coordinate& coord;
    Importazione& imp;
    Manuale& man;
};

}  // namespace gm
