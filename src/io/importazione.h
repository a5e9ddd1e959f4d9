// Importing a saved or hand-made TXT or XLS table, with the file panel and the column mapping.
#pragma once

#include "app/nucleo.h"

namespace gm {

class Importazione {
public:
    explicit Importazione(Nucleo& n);
    void collega();

    // Opens the import (the command menu's "Importa &Tabella").
    void ApriImportazione();

private:
    Nucleo& n;
};

}  // namespace gm
