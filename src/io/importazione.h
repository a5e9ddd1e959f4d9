// Importing a saved or hand-made table (TXT, CSV, XLS, XLSX, ODS), with the file panel and the
// column mapping.
#pragma once

#include <QString>

#include <array>
#include <functional>

#include "app/nucleo.h"
#include "io/xls.h"
#include "table/tabella.h"

namespace gm {

class Ricerca;

class Importazione {
public:
    // Bounds for untrusted files.
    static constexpr qint64 kMaxFileTesto = 64LL * 1024 * 1024;
    static constexpr int kMaxCampo = 255;
    static constexpr int kColonneAnteprima = 10;  // a map digit names columns 0..9

    Importazione(Nucleo& n, Ricerca& ric);
    void collega();

    void RicercaNomeFileDaImportare();
    void CaricaListaFile();
    void drvList_Change();
    void dirList_Change();
    void cmdRinuncia_Click();
    void lstFile_Click();
    void mfgImp_Click();
    // The import itself, started by the mapping panel's "&Esegui" (cmdImp(0)).
    void ImportaFile();
    // Opens the workbook for the preview or the import; false with the reason when unreadable.
    bool ExcelTabellaApre(const QString& NomeFileCSV, bool Visibile = false);
    void ChiudiTabellaExcel();

    // Without the panels, for the command line: imports the file with the given column map
    // ("0=2,1=3,...": table column = sheet column, from 0; empty: the saved layout). Returns false
    // with a message on failure.
    bool ImportaTabella(const QString& percorso, const QString& colonne, QString* errore);

    // Column map from row 0 of mfgImp: for each table column the preview column that feeds it,
    // -1 when none does.
    std::array<int, kColonne> MappaColonne() const;

    QString sFileImport;
    // The state of "&Ricerca PDI" saved by the command menu; set by the form.
    std::function<bool()> caricaAbilitato;

private:
    enum class Tipo { Nessuno, Testo, Csv, Foglio };
    static Tipo TipoFile(const QString& percorso);
    // Reads the whole text file (bounded), decoded; false with the reason.
    static bool LeggiTesto(const QString& percorso, QStringList& righe, QString* errore);
    // Reads a CSV file or a workbook into m_foglio; false with the reason.
    bool LeggiFoglio(Tipo tipo, int colonne, QString* errore);
    // Steps of the import after the checks; returns false with *errore when the file is unusable
    // (the table is then untouched).
    bool Importa(const std::array<int, kColonne>& mappa, QString* errore);
    void Fine();

    Nucleo& n;
    Ricerca& ric;
    FoglioXls m_foglio;  // the open workbook or CSV file
    bool m_troncati = false;
};

}  // namespace gm
