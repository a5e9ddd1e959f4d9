// The program as its users meet it: the real window on an X display and geomerce-cli, both
// against a real geomerce-sim, from the search to the saved files and back.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <map>

#include "gui/finestra.h"
#include "io/xls.h"
#include "support/ambiente_test.h"
#include "support/simulatore.h"
#include "support/widget_test.h"

using namespace gm;

namespace {

const QString kCosa = QStringLiteral("Supermercato");
const QString kRegione = QStringLiteral("Molise");
const QString kProvincia = QStringLiteral("Isernia");

QByteArray Leggi(const QString& percorso) {
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a saved file holds, comparable across runs made at different times: text files without
// their ';' header lines (they carry the time of the save), workbooks by their cells, the rest
// byte for byte.
QByteArray Contenuto(const QString& percorso) {
    if (percorso.endsWith(".txt", Qt::CaseInsensitive)) {
        QByteArray r;
        for (const QByteArray& riga : Leggi(percorso).split('\n'))
            if (!riga.startsWith(';')) r += riga + '\n';
        return r;
    }
    if (percorso.endsWith(".xls", Qt::CaseInsensitive)) {
        FoglioXls foglio;
        QString errore;
        if (!LeggiXls(percorso, kXlsMaxRighe, 16, foglio, &errore)) return "illeggibile: " + errore.toUtf8();
        QByteArray r;
        for (const auto& riga : foglio) {
            for (const CellaXls& c : riga) r += c.testo.toUtf8() + '\t';
            r += '\n';
        }
        return r;
    }
    return Leggi(percorso);
}

// Every file under the download folder, by its path inside it.
std::map<QString, QByteArray> Scaricati(const QString& cartella) {
    std::map<QString, QByteArray> r;
    QDirIterator it(cartella, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        r[QDir(cartella).relativeFilePath(p)] = Contenuto(p);
    }
    return r;
}

QSet<QString> Righe(const QByteArray& testo) {
    QSet<QString> r;
    for (const QByteArray& riga : testo.split('\n'))
        if (!riga.trimmed().isEmpty() && !riga.startsWith(';')) r.insert(QString::fromLatin1(riga.trimmed()));
    return r;
}

struct Esito {
    int stato = -1;
    QString err;
};

// geomerce-cli search over the sample area, files in dir.
Esito Cli(const QString& dir, const QString& base, const QStringList& altro = {}, int msMassimo = 180000,
          const QString& cosa = kCosa) {
    QProcess p;
    p.start(test::Programma("geomerce-cli"),
            QStringList{"search", "--cosa", cosa, "--regioni", kRegione, "--province", kProvincia, "--output",
                        "txt,xls,ov2", "--ambito", "unico,regionale", "--dir", dir, "--url-gialle", base,
                        "--url-bianche", base, "--url-geocoder", base, "--quiet"} +
                altro);
    Esito e;
    if (!p.waitForFinished(msMassimo)) {
        p.kill();
        p.waitForFinished();
        return e;
    }
    e.stato = p.exitCode();
    e.err = QString::fromUtf8(p.readAllStandardError());
    return e;
}

class Utente : public ::testing::Test {
protected:
    std::unique_ptr<test::Simulatore> sim;
    test::FormDiProva p;
    Form* f = nullptr;
    std::unique_ptr<Finestra> fin;

    void servizio(const QStringList& argomenti = {}) {
        sim = std::make_unique<test::Simulatore>(argomenti);
        ASSERT_TRUE(sim->avviato());
        f->amb.servizi.gialle = f->amb.servizi.bianche = f->amb.servizi.geocoder = sim->base();
    }
    void SetUp() override {
        f = &p.avvia();
        servizio();
        f->av.cedi = nullptr;  // long work yields to the event loop as in the program
        fin = std::make_unique<Finestra>(*f);
        fin->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fin.get()));
    }

    template <typename T>
    T* w(const QString& nome) const {
        return test::Widget<T>(fin.get(), nome);
    }
    void clicca(const QString& nome) {
        auto* b = w<QAbstractButton>(nome);
        ASSERT_TRUE(b && b->isVisible() && b->isEnabled()) << nome.toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void scegli(const QString& lista, const QString& voce) {
        test::CliccaVoce(w<QListWidget>(lista), voce, Qt::MatchFixedString);
    }
    void spunta(const QString& nome, bool valore) {
        auto* b = w<QAbstractButton>(nome);
        ASSERT_TRUE(b);
        if (b->isChecked() != valore) QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
        ASSERT_EQ(b->isChecked(), valore) << nome.toStdString();
    }
    QString ultimoMessaggio() const { return p.dialoghi.mostrati.isEmpty() ? QString() : p.dialoghi.mostrati.last().testo; }
    QString scaricati() const { return f->amb.sCartellaScaricati; }
};

}  // namespace

// Search, duplicates, the save of every output, and the saved table imported again, all through
// the widgets; then the same search from the command line writes the same files.
TEST_F(Utente, SearchSaveAndImportThroughTheWidgetsMatchTheCommandLine) {
    auto* cosa = w<QLineEdit>("txtCosa");
    ASSERT_TRUE(cosa);
    QTest::keyClicks(cosa, kCosa);
    EXPECT_EQ(f->c.txtCosa.text(), kCosa);
    scegli("lstRegioni", kRegione);
    scegli("lstProv", kProvincia);
    clicca("cmdSelez(4)");  // "&Tutti" the municipalities
    clicca("cmdCarica");  // the run works inside the click, yielding to the event loop
    ASSERT_EQ(ultimoMessaggio(), "Elaborazione terminata");
    const long trovati = f->tab.nRecord;
    ASSERT_GT(trovati, 5);

    clicca("cmdDupl");
    EXPECT_LE(f->tab.nRecord, trovati);
    const long tenuti = f->tab.nRecord;

    spunta("chkOutput(0)", true);
    spunta("chkOutput(1)", true);
    spunta("chkOutput(2)", true);
    spunta("chkArea(0)", true);
    spunta("chkArea(1)", true);
    clicca("cmdSalva");
    clicca("cmdImp(5)");  // "&Salva" on the word-list panel
    ASSERT_TRUE(ultimoMessaggio().contains("sono stati salvati")) << ultimoMessaggio().toStdString();
    const auto finestra = Scaricati(scaricati());
    ASSERT_TRUE(finestra.count(kCosa + ".txt"));
    ASSERT_TRUE(finestra.count(kCosa + ".xls"));
    ASSERT_TRUE(finestra.count("Nazionali/" + kCosa + ".ov2"));
    const QSet<QString> salvati = Righe(Leggi(scaricati() + kCosa + ".txt"));

    // The saved text imported into the table it came from, with Integrazione "Si".
    spunta("optIntegr(1)", true);
    clicca("cmdImporta(0)");
    f->c.DirList.setPath(scaricati());
    scegli("lstFile", kCosa + ".txt");
    clicca("cmdImp(0)");  // "&Esegui"
    EXPECT_EQ(ultimoMessaggio(), "Caricamento effettuato!");
    EXPECT_EQ(f->tab.nRecord, 2 * tenuti);
    QSet<QString> tabella;
    for (long r = 1; r <= f->tab.nRecord; ++r) {
        QStringList celle;
        for (int k = 0; k < 8; ++k) celle << f->tab.mfgTab.text(int(r), k);
        tabella.insert(celle.join(u'\t'));
    }
    QSet<QString> attese;
    for (const QString& riga : salvati)
        if (!riga.startsWith("Nome/Ragione Sociale")) attese.insert(riga.section(u'\t', 0, 7));
    EXPECT_EQ(tabella, attese);

    // The command line: the same search, the same files.
    QTemporaryDir dir;
    const Esito e = Cli(dir.path(), sim->base());
    ASSERT_EQ(e.stato, 0) << e.err.toStdString();
    const auto riga = Scaricati(dir.path() + "/Filescaricati");
    ASSERT_FALSE(riga.empty());
    for (const auto& [nome, contenuto] : finestra) {
        SCOPED_TRACE(nome.toStdString());
        ASSERT_TRUE(riga.count(nome));
        EXPECT_TRUE(riga.at(nome) == contenuto);
    }
    EXPECT_EQ(riga.size(), finestra.size());
}

// Stop while the search runs: the question, Yes, and the window is usable again with every
// record found so far still in the table.
TEST_F(Utente, StopDuringASearchLeavesAUsableWindow) {
    servizio({"--latenza", "20"});
    QTest::keyClicks(w<QLineEdit>("txtCosa"), kCosa);
    scegli("lstRegioni", kRegione);
    clicca("cmdSelez(2)");  // "&Tutte" the provinces
    QTimer::singleShot(1500, fin.get(), [&] {
        p.dialoghi.risposte = {true};
        clicca("cmdFine");  // "&Stop"
    });
    clicca("cmdCarica");
    EXPECT_TRUE(ultimoMessaggio().startsWith("Elaborazione interrotta")) << ultimoMessaggio().toStdString();
    // What was found is only in the table until the user saves it: the message says so.
    EXPECT_EQ(ultimoMessaggio().contains("non sono ancora salvati"), f->tab.nRecord > 0);
    EXPECT_TRUE(w<QPushButton>("cmdCarica")->isEnabled());
    EXPECT_EQ(w<QPushButton>("cmdFine")->text(), "&Fine Lavoro");
    for (long r = 1; r <= f->tab.nRecord; ++r) ASSERT_FALSE(f->tab.mfgTab.text(int(r), 0).isEmpty()) << r;
    EXPECT_TRUE(f->tab.mfgTab.text(int(f->tab.nRecord) + 1, 0).isEmpty());
}

// A directory service that fails often and answers slowly: the run ends, in bounded time, and
// every record it writes is one that a clean run finds too, whole. No proximity elimination: which
// of two twins survives it depends on which pages arrived.
TEST(Robustezza, FaultyServiceRunEndsWithNothingButGenuineRecords) {
    test::Simulatore pulito;
    ASSERT_TRUE(pulito.avviato());
    QTemporaryDir a;
    const Esito buono = Cli(a.path(), pulito.base(), {"--comuni", "Isernia", "--no-coordinate", "--tolleranza", "0"}, 180000, "Farmacia");
    ASSERT_EQ(buono.stato, 0) << buono.err.toStdString();
    const QSet<QString> attese = Righe(Leggi(a.path() + "/Filescaricati/Farmacia.txt"));
    ASSERT_GT(attese.size(), 5);

    test::Simulatore guasto(QStringList{"--guasti", "0.3", "--latenza", "2"});
    ASSERT_TRUE(guasto.avviato());
    QTemporaryDir b;
    QElapsedTimer t;
    t.start();
    const Esito e = Cli(b.path(), guasto.base(), {"--comuni", "Isernia", "--no-coordinate", "--tolleranza", "0"}, 240000, "Farmacia");
    ASSERT_NE(e.stato, -1) << "the run did not end";
    const QSet<QString> trovate = Righe(Leggi(b.path() + "/Filescaricati/Farmacia.txt"));
    ASSERT_FALSE(trovate.isEmpty()) << e.err.toStdString();
    // A business listed in both directories enters the table once, from whichever page came
    // first: records compare by name and telephone, which both directories give alike.
    auto chiavi = [](const QSet<QString>& righe) {
        QSet<QString> k;
        for (const QString& r : righe) k.insert(r.section(u'\t', 0, 0) + u'|' + r.section(u'\t', 5, 5));
        return k;
    };
    const QSet<QString> note = chiavi(attese);
    for (const QString& r : trovate) {
        EXPECT_TRUE(note.contains(chiavi({r}).values().first())) << r.toStdString();
        EXPECT_EQ(r.section(u'\t', 2, 2).size(), 5) << r.toStdString();  // the postal code is whole
    }
}

// The process killed in the middle of a run: the last automatic save it wrote is whole and
// imports back.
TEST(Robustezza, KilledRunLeavesItsLastAutosaveImportable) {
    test::Simulatore sim(QStringList{"--latenza", "3"});
    ASSERT_TRUE(sim.avviato());
    QTemporaryDir dir;
    const QString autosalvataggio = dir.path() + "/Filescaricati/" + kCosa + ".txt";
    QProcess p;
    // Two regions: the end of the first one saves, the second one is still running.
    p.start(test::Programma("geomerce-cli"),
            {"search", "--cosa", kCosa, "--regioni", "Molise;Basilicata", "--output", "txt", "--dir", dir.path(),
             "--url-gialle", sim.base(), "--url-bianche", sim.base(), "--url-geocoder", sim.base(), "--quiet",
             "--no-coordinate"});
    ASSERT_TRUE(p.waitForStarted());
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(autosalvataggio) && p.state() == QProcess::Running && t.elapsed() < 120000)
        p.waitForFinished(20);
    ASSERT_EQ(p.state(), QProcess::Running) << "the run ended before it could be killed";
    ASSERT_TRUE(QFile::exists(autosalvataggio));
    QTest::qWait(150);
    ::kill(pid_t(p.processId()), SIGKILL);
    p.waitForFinished();

    test::FormDiProva altra;
    Form& g = altra.avvia();
    g.c.txtDupl.setText("0");
    QString errore;
    ASSERT_TRUE(g.imp.ImportaTabella(autosalvataggio, QString(), &errore)) << errore.toStdString();
    EXPECT_GT(g.tab.nRecord, 0);
    // The header of the region-end save names the region it closed.
    EXPECT_TRUE(Leggi(autosalvataggio).startsWith(";Fine Regione: "));
}
