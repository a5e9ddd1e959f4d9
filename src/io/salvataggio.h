// Saving the table: the ticked output formats (TXT, XLS, OV2 with its icon, GPX, KML) in the five
// modes (emergency, user, timer, region end, end of run), the word-list file and its panel.
#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include "app/nucleo.h"
#include "table/tabella.h"

namespace gm {

class Duplicati;
class FormatoUscita;
struct ContestoUscita;

class Salvataggio {
public:
    static constexpr const char* kFileParole = "Geomerce.wrd";
    // Where the note on plain OV2 files sends the user for the optimiser.
    static constexpr const char* kSitoRemakeOv2 = "www.poi-factory.com";

    Salvataggio(Nucleo& n, Duplicati& dup);
    void collega();

    // 0 emergency, 1 user, 2 timer, 3 region end, 4 end of run.
    void SalvaFile(int Modo);
    void cmdSalva_Click();
    void chkOutput_Click(int index);
    void ChiudiTabellaExcel();

    // The word-list panel's buttons ("&Salva" and "&Rinuncia", cmdImp(5) and (6)).
    void SalvaConParole();
    void RinunciaParole();

    // File names and folders of the outputs (base name: the category with blanks as "-").
    QString NomeBase() const;
    QString PercorsoTxt(const QString& base) const;
    QString PercorsoXls(const QString& base) const;
    QString PercorsoOv2Nazionale(const QString& base) const;
    QString PercorsoOv2Regionale(const QString& regione, const QString& base) const;
    // The navigator files of any format (estensione without the dot).
    QString PercorsoNazionale(const QString& base, const QString& estensione) const;
    QString PercorsoRegionale(const QString& regione, const QString& base, const QString& estensione) const;
    QString PercorsoParole() const;

    // What the last save wrote: every file, and whether it was stopped.
    QStringList fileScritti;
    bool salvataggioInterrotto = false;
    QStringList erroriScrittura;  // files that could not be written
    // Called when a user save has written every chosen file.
    std::function<void()> dopoSalvataggioUtente;
    // True once the word list has been read from its file in this process.
    bool bParoleCaricate = false;

private:
    // Each pass returns false when a stop request ended it; nothing half-written is kept.
    bool PassoNazionale(const FormatoUscita& f, const ContestoUscita& ctx, const QString& base, QString& elenco,
                        int& conteggio, QStringList& errori);
    bool PassoRegionale(const FormatoUscita& f, const ContestoUscita& ctx, const QString& base, QString& elenco,
                        int& conteggio, QStringList& errori);
    bool PassoTabella(const FormatoUscita& f, const ContestoUscita& ctx, const QString& base, QString& elenco,
                      int& conteggio, QStringList& errori);
    // The rows of the grid at indici, through the progress display (per row when perRiga) and the
    // stop check; false when a stop ended the gathering.
    bool Raccogli(const QVector<int>& indici, bool perRiga, QVector<Record>& righe);
    // One file of a format: the bytes made, the file replaced atomically, its icon beside it.
    bool ScriviFormato(const FormatoUscita& f, const ContestoUscita& ctx, const QVector<Record>& righe,
                       const QString& percorso, QStringList& errori);
    void RiscriviParole(int modo);
    bool Scrivi(const QString& percorso, const QByteArray& dati, QStringList& errori);
    QStringList LeggiParole() const;

    Nucleo& n;
    Duplicati& dup;
    QByteArray m_icona;    // the icon of this save's OV2 files
    QStringList m_avvisi;  // told in the closing message; not failures
    QPair<QString, QStringList> m_ripresa;  // base name and resume header of the last autosave
};

}  // namespace gm
