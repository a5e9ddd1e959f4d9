// Saving the table: TXT, XLS and OV2 files in the five modes (emergency, user, timer, region end,
// end of run), the word-list file and its panel.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include "app/nucleo.h"

namespace gm {

class Duplicati;

class Salvataggio {
public:
    static constexpr const char* kFileParole = "Geomerce.wrd";
    // Where the OV2 note sends the user for the optimiser.
    static constexpr const char* kSitoRemakeOv2 = "www.poi-factory.com";

    Salvataggio(Nucleo& n, Duplicati& dup);
    void collega();

    // 0 emergency, 1 user, 2 timer, 3 region end, 4 end of run.
    void SalvaFile(int Modo);
    void cmdSalva_Click();
    void chkOutput_Click(int index);
    void ChiudiTabellaExcel();
    // Appends the OV2 record of a table row to the OV2 file being written.
    void SalvaRigaOV2(long riga);

    // The word-list panel's buttons ("&Salva" and "&Rinuncia", cmdImp(5) and (6)).
    void SalvaConParole();
    void RinunciaParole();

    // File names and folders of the outputs (base name: the category with blanks as "-").
    QString NomeBase() const;
    QString PercorsoTxt(const QString& base) const;
    QString PercorsoXls(const QString& base) const;
    QString PercorsoOv2Nazionale(const QString& base) const;
    QString PercorsoOv2Regionale(const QString& regione, const QString& base) const;
    QString PercorsoParole() const;

    // What the last save wrote: every file, and whether it was stopped.
    QStringList fileScritti;
    bool salvataggioInterrotto = false;
    QStringList erroriScrittura;  // files that could not be written
    // True once the word list has been read from its file in this process.
    bool bParoleCaricate = false;
    // The last user save found no record left after the eliminations and wrote nothing.
    bool bTuttiEliminati = false;

private:
    // Each pass returns false when a stop request ended it; nothing half-written is kept.
    bool PassoOv2Nazionale(const QString& base, QString& elenco, int& conteggio, QStringList& errori);
    bool PassoOv2Regionale(const QString& base, QString& elenco, int& conteggio, QStringList& errori);
    bool PassoXls(const QString& base, QString& elenco, int& conteggio, QStringList& errori);
    bool PassoTxt(const QString& base, const QStringList& intestazione, QString& elenco, int& conteggio,
                  QStringList& errori);
    void RiscriviParole(int modo);
    bool Scrivi(const QString& percorso, const QByteArray& dati, QString& elenco, int& conteggio,
                QStringList& errori);
    QStringList LeggiParole() const;

    Nucleo& n;
    Duplicati& dup;
    QByteArray* m_ov2 = nullptr;      // the OV2 file being written
    QVector<QStringList> m_cartella;  // a workbook left unsaved by a stop
    // Eliminations counted from the "&Salva" press that started the user save.
    long m_doppiPrima = -1, m_incompletiPrima = -1;
};

}  // namespace gm
