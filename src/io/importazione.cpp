#include "io/importazione.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "harvest/ricerca.h"
#include "harvest/stato.h"
#include "io/csv.h"
#include "io/file_testo.h"
#include "net/testo.h"

namespace gm {

namespace {
constexpr int kMaxRiga = 64 * 1024;

const QString kRighe = QStringLiteral("La tabella contiene circa %1 righe");

bool SoloCifre(const QString& s) {
    if (s.isEmpty()) return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// A field as the table may hold it: no control characters, bounded length.
QString Pulisci(QString s, bool& troncato) {
    if (s.size() > Importazione::kMaxCampo) {
        s.truncate(Importazione::kMaxCampo);
        troncato = true;
    }
    // Read through a const view first: writing through a QChar& detaches the string, a copy
    // of every field even when nothing needs replacing.
    const auto controllo = [](char16_t u) { return u < 0x20 || (u >= 0x7F && u < 0xA0); };
    const QStringView v(s);
    qsizetype i = 0;
    while (i < v.size() && !controllo(v[i].unicode())) ++i;
    if (i == v.size()) return s;
    for (QChar* c = s.data() + i, *fine = s.data() + s.size(); c != fine; ++c)
        if (controllo(c->unicode())) *c = u'?';
    return s;
}

// A telephone stored as a number has lost a leading 0 only when its digits cannot be dialled as
// they stand: every geographic number begins with 0, while mobile (3), service (1), toll-free,
// shared-cost and premium numbers (800, 803, 840, 848, 89x) begin without one.
bool TelefonoSenzaZero(const QString& cifre) {
    if (cifre.isEmpty()) return false;
    const QChar p = cifre[0];
    if (p == u'0' || p == u'1' || p == u'3') return false;
    for (const char* prefisso : {"800", "803", "840", "848", "89"})
        if (cifre.startsWith(QLatin1String(prefisso))) return false;
    return true;
}

// The value of a sheet cell for table column k.
QString ValoreCella(const CellaXls& v, int k, bool& troncato) {
    // A copy of its own rather than the sheet's: the sheet's strings lie scattered among its
    // rows, and keeping them in the table fragments the heap a little more on every import.
    QString t = Pulisci(QString(v.testo.constData(), v.testo.size()), troncato);
    if (v.numero && SoloCifre(t)) {
        if (k == kCap && t.size() < 5) t = QString(5 - t.size(), u'0') + t;
        if (k == kTelefono && TelefonoSenzaZero(t)) t = u'0' + t;
    }
    if (k == kLatitudine || k == kLongitudine) {
        const qsizetype v2 = t.indexOf(u',');
        if (v2 >= 0) t[v2] = u'.';
    }
    return t;
}

// Whether the first row of a sheet is a header rather than a record: the program's own title row,
// or a row whose mapped postal-code and coordinate cells all hold text that is no number.
bool Intestazione(const QVector<CellaXls>& riga, const std::array<int, kColonne>& mappa) {
    for (const CellaXls& c : riga)
        if (Uguale(c.testo.trimmed(), QLatin1String(TabellaRecord::kIntestazioni[kNome]))) return true;
    int testi = 0;
    for (int k : {int(kCap), int(kLatitudine), int(kLongitudine)}) {
        const int j = mappa[k];
        if (j < 0 || j >= riga.size() || riga[j].testo.trimmed().isEmpty()) continue;
        if (riga[j].numero) return false;
        bool numero = false;
        QString(riga[j].testo.trimmed()).replace(u',', u'.').toDouble(&numero);
        if (numero) return false;
        ++testi;
    }
    return testi > 0;
}

// A sheet row that the import takes: column A not empty, column B longer than two characters.
bool RigaValida(const QVector<CellaXls>& riga) {
    return riga.size() >= 2 && !riga[0].testo.isEmpty() && riga[1].testo.size() > 2;
}

// The first line of a text table is its header, unless it plainly is a record: one whose
// postal-code field holds five digits (no header has that).
bool PrimaRigaERecord(const QString& riga) {
    if (riga.startsWith(u';')) return false;
    const QStringList campi = riga.split(u'\t');
    return campi.size() > kCap && campi[kCap].size() == 5 && SoloCifre(campi[kCap]);
}
}  // namespace

Importazione::Importazione(Nucleo& n, Ricerca& ric) : n(n), ric(ric) {}

void Importazione::collega() {
    QObject::connect(&n.c.drvList, &SceltaFile::change, [this] { drvList_Change(); });
    QObject::connect(&n.c.DirList, &SceltaFile::change, [this] { dirList_Change(); });
    QObject::connect(&n.c.cmdRinuncia, &Pulsante::clicked, [this] { cmdRinuncia_Click(); });
    QObject::connect(&n.c.lstFile, &Lista::selezioneCambiata, [this] {
        if (n.c.lstFile.selected(n.c.lstFile.listIndex())) lstFile_Click();
    });
}

Importazione::Tipo Importazione::TipoFile(const QString& percorso) {
    const QString est = QFileInfo(percorso).suffix().toLower();
    if (est == u"txt") return Tipo::Testo;
    if (est == u"csv") return Tipo::Csv;
    if (est == u"xls" || est == u"xlsx" || est == u"ods") return Tipo::Foglio;
    return Tipo::Nessuno;
}

bool Importazione::LeggiTesto(const QString& percorso, QStringList& righe, QString* errore) {
    righe.clear();
    auto fallisci = [&](const QString& perche) {
        if (errore) *errore = perche;
        return false;
    };
    QFile f(percorso);
    if (!f.exists()) return fallisci(QStringLiteral("il file non esiste"));
    if (f.size() > kMaxFileTesto) return fallisci(QStringLiteral("il file è troppo grande"));
    if (!f.open(QIODevice::ReadOnly)) return fallisci(QStringLiteral("il file non si può leggere"));
    QString testo;
    if (!DecodificaTesto(f.read(kMaxFileTesto), testo, errore)) return false;
    righe = RigheTesto(testo);
    for (QString& r : righe)
        if (r.size() > kMaxRiga) r.truncate(kMaxRiga);
    return true;
}

void Importazione::RicercaNomeFileDaImportare() {
    sFileImport.clear();
    for (int i : {13, 16}) {
        n.c.frmframe[i]->setVisible(true);
        n.c.frmframe[i]->setEnabled(true);
    }
    if (n.c.DirList.path().isEmpty()) n.c.DirList.setPath(QDir::currentPath());
    CaricaListaFile();
}

void Importazione::CaricaListaFile() {
    n.c.lstFile.clear();
    const QDir dir(n.c.DirList.path());
    for (const char* est : {"xls", "xlsx", "ods", "csv", "txt"}) {
        const QStringList nomi =
            dir.entryList({QStringLiteral("*.") + QLatin1String(est)}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QString& nome : nomi) {
            n.c.lstFile.addItem(nome);
            n.av.Cedi();
        }
    }
}

void Importazione::drvList_Change() {
    n.c.DirList.setPath(n.c.drvList.path());
    CaricaListaFile();
}

void Importazione::dirList_Change() { CaricaListaFile(); }

void Importazione::cmdRinuncia_Click() {
    n.c.BloccaFrame(true);
    n.c.frmframe[13]->setVisible(false);
    if (caricaAbilitato) n.c.cmdCarica.setEnabled(caricaAbilitato());
}

bool Importazione::ExcelTabellaApre(const QString& NomeFileCSV, bool) {
    ChiudiTabellaExcel();
    return LeggiXls(NomeFileCSV, kXlsMaxRighe, kColonneAnteprima, m_foglio, nullptr);
}

bool Importazione::LeggiFoglio(Tipo tipo, int colonne, QString* errore) {
    ChiudiTabellaExcel();
    if (tipo == Tipo::Csv) return LeggiCsv(sFileImport, kXlsMaxRighe, colonne, m_foglio, errore);
    return LeggiXls(sFileImport, kXlsMaxRighe, colonne, m_foglio, errore);
}

void Importazione::ChiudiTabellaExcel() { m_foglio.clear(); }

void Importazione::lstFile_Click() {
    Controlli& c = n.c;
    const QString nome = c.lstFile.item(c.lstFile.listIndex());
    sFileImport = c.DirList.path() + u'/' + nome;
    // The category takes the file's name only once the import has succeeded.
    c.frmframe[13]->setVisible(false);
    n.av.Cedi();
    if (!nome.isEmpty() && QFileInfo(sFileImport).isFile()) {
        c.frmframe[9]->setVisible(true);
        c.frmframe[9]->setEnabled(true);
        Griglia& imp = c.mfgImp;
        imp.setRows(0);
        imp.setRows(30);
        imp.setCols(n.tab.mfgTab.cols());
        for (int k = 0; k < n.tab.mfgTab.cols(); ++k) imp.setText(0, k, n.tab.mfgTab.text(0, k));
        c.frmframe[11]->setVisible(true);
        QString errore;
        if (TipoFile(sFileImport) == Tipo::Testo) {
            QStringList righe;
            if (LeggiTesto(sFileImport, righe, &errore)) {
                long conta = 0;
                for (const QString& r : righe)
                    if (!r.startsWith(u';')) ++conta;
                c.frmframe[9]->caption = kRighe.arg(conta);
                n.stato.aCampi[20] = QString::number(conta + 1);
                int riga = 0;
                bool troncato = false;
                for (const QString& r : righe) {
                    if (riga > 18) break;
                    if (r.startsWith(u';')) continue;
                    const QStringList campi = (r + u'\t').split(u'\t');
                    for (int k = 0; k < campi.size() && k < imp.cols(); ++k)
                        imp.setText(riga, k, Pulisci(campi[k], troncato));
                    ++riga;
                }
            }
        } else if (TipoFile(sFileImport) != Tipo::Nessuno) {
            if (LeggiFoglio(TipoFile(sFileImport), kColonneAnteprima, &errore)) {
                // The sheet's size is known: count the rows that would be records.
                std::array<int, kColonne> identita;
                for (int k = 0; k < kColonne; ++k) identita[k] = k;
                long conta = 0;
                bool primo = true;
                for (const QVector<CellaXls>& riga : m_foglio) {
                    if (!RigaValida(riga)) continue;
                    if (!(primo && Intestazione(riga, identita))) ++conta;
                    primo = false;
                }
                c.frmframe[9]->caption = kRighe.arg(conta);
                n.stato.aCampi[20] = QString::number(conta);
                bool troncato = false;
                for (int r = 0; r < 20 && r < m_foglio.size(); ++r)
                    for (int k = 0; k < 8 && k < m_foglio[r].size() && k < imp.cols(); ++k)
                        imp.setText(r + 1, k, Pulisci(m_foglio[r][k].testo, troncato));
            }
            ChiudiTabellaExcel();
        }
        if (!errore.isEmpty())
            n.d.messaggio(QStringLiteral("Impossibile leggere il file ") + nome + QStringLiteral(": ") + errore,
                          QStringLiteral("Errore!"), Icona::Critica);
    }
    c.frmframe[11]->setVisible(false);
    c.frmframe[12]->setEnabled(true);
    n.tab.Ordina(3, 5);
}

void Importazione::mfgImp_Click() {
    const Griglia& tab = n.tab.mfgTab;
    n.c.mfgImp.setText(0, n.c.mfgImp.col, tab.text(0, tab.col));
}

std::array<int, kColonne> Importazione::MappaColonne() const {
    std::array<int, kColonne> mappa;
    mappa.fill(-1);
    const Griglia& imp = n.c.mfgImp;
    for (int i = 0; i < kColonne; ++i) {
        const QString titolo = n.tab.mfgTab.text(0, i);
        for (int j = 0; j < imp.cols() && j < kColonneAnteprima; ++j)
            if (Uguale(imp.text(0, j), titolo)) {
                mappa[i] = j;
                break;
            }
    }
    return mappa;
}

void Importazione::ImportaFile() {
    QString errore;
    if (!Importa(MappaColonne(), &errore))
        n.d.messaggio(QStringLiteral("Impossibile importare il file ") + QDir::toNativeSeparators(sFileImport) +
                          QStringLiteral(": ") + errore,
                      QStringLiteral("Errore!"), Icona::Critica);
}

bool Importazione::ImportaTabella(const QString& percorso, const QString& colonne, QString* errore) {
    std::array<int, kColonne> mappa;
    for (int i = 0; i < kColonne; ++i) mappa[i] = i;
    if (!colonne.trimmed().isEmpty()) {
        mappa.fill(-1);
        for (const QString& coppia : colonne.split(u',', Qt::SkipEmptyParts)) {
            const QStringList kv = coppia.split(u'=');
            bool ok1 = false, ok2 = false;
            const int k = kv.size() == 2 ? kv[0].trimmed().toInt(&ok1) : -1;
            const int j = kv.size() == 2 ? kv[1].trimmed().toInt(&ok2) : -1;
            if (!ok1 || !ok2 || k < 0 || k >= kColonne || j < 0 || j >= kXlsMaxColonne) {
                if (errore) *errore = QStringLiteral("Mappa delle colonne non valida: ") + coppia;
                return false;
            }
            mappa[k] = j;
        }
    }
    sFileImport = percorso;
    return Importa(mappa, errore);
}

void Importazione::Fine() {
    n.c.BloccaFrame(true);
    n.av.IndicaOccupato(false);
    if (caricaAbilitato) n.c.cmdCarica.setEnabled(caricaAbilitato());
}

bool Importazione::Importa(const std::array<int, kColonne>& mappa, QString* errore) {
    Controlli& c = n.c;
    Avanzamento& av = n.av;
    TabellaRecord& tab = n.tab;
    Griglia& g = tab.mfgTab;
    c.BloccaFrame(false);
    m_troncati = false;

    // Read and check the whole file first, so that a bad one leaves the table as it was.
    const Tipo tipo = TipoFile(sFileImport);
    QStringList righe;
    ChiudiTabellaExcel();
    bool letto = false;
    QString perche;
    if (tipo == Tipo::Testo) {
        letto = LeggiTesto(sFileImport, righe, &perche);
    } else if (tipo != Tipo::Nessuno) {
        const int colonne = std::max(kColonneAnteprima, *std::max_element(mappa.begin(), mappa.end()) + 1);
        letto = LeggiFoglio(tipo, colonne, &perche);
    } else {
        perche = QStringLiteral("sono ammessi solo file .txt, .csv, .xls, .xlsx e .ods");
    }
    if (!letto) {
        if (errore) *errore = perche;
        Fine();
        return false;
    }

    if (c.optIntegr[0]->value()) tab.Svuota();
    const long totale = long(Val(n.stato.aCampi[20]));
    av.IndicaOccupato(true);
    av.bStop = false;
    tab.EliminaRigheVuoteTabella();
    c.tmrClock.stop();
    av.AggiornaPercentuale(0, 0);
    c.txt100.setText(QStringLiteral("Import tabella ") + sFileImport + QStringLiteral(": record "));
    av.InizioFase = Avanzamento::CalcolaSecondi();

    long w = tab.nRecord;  // last record row
    auto nuovaRiga = [&]() {
        ++w;
        if (w >= g.rows()) g.setRows(int(std::max<long>(w + 1, std::min<long>(g.rows() * 2L, 40002))));
    };
    bool piena = false;
    long letti = 0;
    if (tipo == Tipo::Testo) {
        const bool salta = righe.isEmpty() || !PrimaRigaERecord(righe.first());
        for (int i = salta ? 1 : 0; i < righe.size(); ++i) {
            const QString& riga = righe[i];
            if (riga.startsWith(u';')) continue;
            const QStringList campi = riga.split(u'\t');
            if (campi.first().isEmpty()) continue;  // a nameless row is no record
            nuovaRiga();
            QVector<QString> celle(kColonne);
            for (int k = 0; k < kColonne && k < campi.size(); ++k) celle[k] = Pulisci(campi[k], m_troncati);
            celle[kLatitudine].replace(u',', u'.');
            celle[kLongitudine].replace(u',', u'.');
            g.setRiga(int(w), celle);
            ++letti;
            c.txtRec.setText(QString::number(w));
            if ((letti & 255) == 0) av.AggiornaPercentuale(totale, letti);
            if (av.bStop) break;
            if (w > TabellaRecord::kMaxRecord) {
                piena = true;
                break;
            }
            av.Cedi();
        }
    } else {
        // The whole used range of the sheet: blank rows inside the data do not end it.
        bool primo = true;
        for (const QVector<CellaXls>& riga : m_foglio) {
            if (!RigaValida(riga)) continue;
            if (std::exchange(primo, false) && Intestazione(riga, mappa)) continue;
            nuovaRiga();
            if (av.bStop) break;
            QVector<QString> celle(kColonne);
            for (int k = 0; k < kColonne; ++k)
                if (mappa[k] >= 0 && mappa[k] < riga.size()) celle[k] = ValoreCella(riga[mappa[k]], k, m_troncati);
            g.setRiga(int(w), celle);
            ++letti;
            c.txtRec.setText(QString::number(w));
            if ((letti & 255) == 0) av.AggiornaPercentuale(totale, letti);
            if (w > TabellaRecord::kMaxRecord) {
                piena = true;
                break;
            }
            av.Cedi();
        }
        ChiudiTabellaExcel();
    }
    av.AggiornaPercentuale(totale, letti);
    if (piena) {
        tab.bTabellaPiena = true;
        ric.MessaggioTabellaPiena();
    }

    av.Cedi();
    tab.EliminaRigheVuoteTabella();
    tab.Ordina(3, 7);

    const QString file = QFileInfo(sFileImport).fileName();
    const QString nome = file.left(std::max<qsizetype>(file.size() - 4, 0));
    n.stato.aCampi[20] = nome;
    c.txtCosa.setText(QString(nome).replace(u'-', u' '));
    // The progress reset restores the plain caption, so it goes first.
    av.AggiornaPercentuale(0, 0);
    c.frmBase.setCaption(QStringLiteral("Geomerce: ") + nome);
    QString testo = av.bStop ? QStringLiteral("Caricamento interrotto!") : QStringLiteral("Caricamento effettuato!");
    if (m_troncati) testo += QStringLiteral("\r\n\r\nAlcuni campi troppo lunghi sono stati accorciati.");
    n.d.messaggio(testo, QStringLiteral("Caricamento tabella"), Icona::Informazione);
    Fine();
    return true;
}

}  // namespace gm
