// Importing a saved or hand-made TXT or XLS table, with the file panel and the column mapping.
#pragma once

#include <QString>

#include "app/nucleo.h"

namespace gm {

class Ricerca;

class Importazione {
public:
    Importazione(Nucleo& n, Ricerca& ric);
    void collega();

    void RicercaNomeFileDaImportare();
    void CaricaListaFile();
    void drvList_Change();
    void dirList_Change();
    void cmdRinuncia_Click();
    void lstFile_Click();
    void mfgImp_Click();
    void ImportaFile();

    // Without the panels, for the command line: imports the file with the given column map
    // ("0=2,1=3,..."; empty: the saved layout). Returns false with a message on failure.
    bool ImportaTabella(const QString& percorso, const QString& colonne, QString* errore);

private:
    Nucleo& n;
    Ricerca& ric;
};

}  // namespace gm
