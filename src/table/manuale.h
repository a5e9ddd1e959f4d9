// Manual record entry and record search; cmdImp_Click is the button array shared by the
// word-list, import-mapping and manual-entry panels.
#pragma once

#include "app/nucleo.h"
#include "table/tabella.h"

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
    // Opens the panel to edit row r; the edit writes that record wherever sorting or deleting
    // moves it, and nothing when it is gone.
    void ApriModifica(long r);
    // The row being edited now (0: the record is no longer in the table).
    long RigaInModifica() const;
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
    long m_rigaModifica = 0;
    Record m_originale{};  // the edited record as it was when opened
};

}  // namespace gm
