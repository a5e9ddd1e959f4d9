// Manual record entry and record search; cmdImp_Click is the button array shared by the
// word-list, import-mapping and manual-entry panels.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Coordinate;
class Duplicati;
class Salvataggio;
class Importazione;
class Ricerca;
class Comandi;

class Manuale {
public:
    Manuale(Nucleo& n, Coordinate& coord, Duplicati& dup, Salvataggio& salva, Importazione& imp, Ricerca& ric);
    // The saved enabled state of the search button lives with the command menu.
    void imposta(Comandi& com) { this->com = &com; }
    void collega();

    void CreaTabellaInputManuale();
    void cmdImp_Click(int index);
    void txtManuale_KeyPress(int index, int& KeyAscii);
    void txtManuale_Change(int index);
    void InserisceRigaManuale();
    void mfgfind_DblClick();
    // The record search of the panel's search mode.
    void Cerca();

private:
    Nucleo& n;
    Coordinate& coord;
    Duplicati& dup;
    Salvataggio& salva;
    Importazione& imp;
    Ricerca& ric;
    Comandi* com = nullptr;
};

}  // namespace gm
