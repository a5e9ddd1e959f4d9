// The two duplicate eliminations: obvious duplicates and records within a tolerance in metres.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Duplicati {
public:
    explicit Duplicati(Nucleo& n);
    void collega();

    // Records removed since the program started, by reason: duplicates (same telephone, same
    // address, or within the tolerance) and incomplete ones (no postal code, town or province).
    struct Eliminati {
        long doppi = 0, incompleti = 0;
        Eliminati operator-(const Eliminati& prima) const { return {doppi - prima.doppi, incompleti - prima.incompleti}; }
        long totale() const { return doppi + incompleti; }
    };
    Eliminati eliminati;

    void EliminaRigheDoppiePalesi();
    void EliminaDuplicati(long Interattivo);
    void cmdDupl_Click();
    void txtDupl_change();
    void txtDupl_KeyPress(int& KeyAscii);

private:
    // Removes a row (its name emptied, compacted later) and counts it once.
    void Elimina(int riga, long& conteggio);
    Nucleo& n;
};

}  // namespace gm
