#include <gtest/gtest.h>

#include <QDir>
#include <QCoreApplication>
#include <QTimer>

#include "io/file_testo.h"
#include "io/xls.h"
#include "strumenti.h"
#include "support/ambiente_test.h"

using namespace gm;
using test::Leggi;
using test::Rec;

namespace {
struct Importa : ::testing::Test {
    test::FormDiProva prova;
    Form* f = nullptr;
    void SetUp() override {
        f = &prova.avvia();
        f->c.txtDupl.setText("0");
    }
    QString file(const QString& nome, const QByteArray& dati) {
        const QString p = prova.percorso(nome);
        EXPECT_TRUE(ScriviFileAtomico(p, dati));
        return p;
    }
    bool importa(const QString& percorso, const QString& colonne = {}, QString* errore = nullptr) {
        QString e;
        const bool ok = f->imp.ImportaTabella(percorso, colonne, &e);
        if (errore) *errore = e;
        return ok;
    }
    QStringList colonna(int k) const {
        QStringList v;
        for (int r = 1; r <= f->tab.nRecord; ++r) v << f->tab.mfgTab.text(r, k);
        return v;
    }
    QString ultimoMessaggio() const { return prova.dialoghi.mostrati.isEmpty() ? QString() : prova.dialoghi.mostrati.last().testo; }
    void riempi() {
        f->c.txtCosa.setText("Farmacie");
        f->tab.AggiungiRecord(Rec("Farmacia Rossi", "Via Roma, 12", "20100", "Milano", "MI", "021234567", "45.46427", "9.18951"));
        f->tab.AggiungiRecord(Rec(QString::fromUtf8("Farmacia Città"), "Via Indipendenza 1", "00121", "Bologna", "BO", "051123456", "44.49381", "11.33875"));
        f->tab.AggiungiRecord(Rec("Ottica", "Via Po", "00100", "Roma", "RM", "", "", ""));
    }
};
}  // namespace

TEST_F(Importa, TxtOfEachSaveModeComesBackWhole) {
    riempi();
    f->c.chkOutput[2]->setValue(true);
    f->c.txtRegione.setText("Lazio");
    for (int modo : {1, 2, 4}) {
        f->salva.SalvaFile(modo);
        const QString nome = modo == 4 ? "Farmacie-End.txt" : "Farmacie.txt";
        const QByteArray prima = Leggi(f->amb.sCartellaScaricati + nome);
        f->c.optIntegr[0]->setValue(true);
        ASSERT_TRUE(importa(f->amb.sCartellaScaricati + nome)) << modo;
        EXPECT_EQ(f->tab.nRecord, 3) << modo;
        EXPECT_EQ(colonna(kCitta), QStringList({"Bologna", "Milano", "Roma"})) << modo;
        EXPECT_EQ(colonna(kCap), QStringList({"00121", "20100", "00100"})) << modo;
        EXPECT_EQ(ultimoMessaggio(), "Caricamento effettuato!");
        // Saved again, the table gives the same file.
        f->c.txtCosa.setText("Farmacie");
        f->salva.SalvaFile(1);
        if (modo == 1) EXPECT_EQ(Leggi(f->amb.sCartellaScaricati + "Farmacie.txt"), prima);
    }
}

TEST_F(Importa, TxtRules) {
    const QByteArray testo =
        "Nome\tIndirizzo\tCap\r\n"                                     // header of a hand-made file
        "; a comment\r\n"
        "Bar Uno\tVia A 1\t20100\tMilano\tMI\t021\t45,46427\t9,18951\t\textra\r\n"
        "Bar;Due;Via B\r\n"                                            // semicolons do not separate
        "\tnameless\t20100\r\n"
        "Caff\xe8 Tre\tVia C\t10100\tTorino\tTO\t011\t\t\t\r\n";      // Windows-1252
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(file("Bar-sport.txt", testo)));
    // Sorted by town: the semicolon line has none.
    EXPECT_EQ(colonna(kNome), QStringList({"Bar;Due;Via B", "Bar Uno", QString::fromUtf8("Caffè Tre")}));
    EXPECT_EQ(f->tab.mfgTab.text(2, kLatitudine), "45.46427");
    EXPECT_EQ(f->tab.mfgTab.text(2, kLongitudine), "9.18951");
    EXPECT_EQ(f->c.txtCosa.text(), "Bar sport");
    EXPECT_EQ(f->c.frmBase.caption(), "Geomerce: Bar-sport");

    // A first line that is plainly a record (five-digit CAP) is kept; UTF-8 files are read as such.
    ASSERT_TRUE(importa(file("Senza.txt", QString::fromUtf8("Uno\tVia X\t20100\tCittà\r\nDue\tVia Y\t20100\r\n").toUtf8())));
    EXPECT_EQ(colonna(kNome), QStringList({"Due", "Uno"}));
    EXPECT_TRUE(colonna(kCitta).contains(QString::fromUtf8("Città")));

    // With "Si" the records are added to the ones there.
    f->c.optIntegr[1]->setValue(true);
    ASSERT_TRUE(importa(file("Altri.txt", ";\r\nTre\tVia Z\t30100\r\n")));
    EXPECT_EQ(f->tab.nRecord, 3);
    EXPECT_EQ(prova.dialoghi.mostrati.size(), 3) << "only the end messages";
}

TEST_F(Importa, BadFilesLeaveTheTableAlone) {
    riempi();
    f->c.optIntegr[0]->setValue(true);
    QByteArray rumore;
    for (int i = 0; i < 5000; ++i) rumore.append(char((i * 131) ^ (i >> 3)));
    const QByteArray buona = CartellaXls({{"Nome", "Indirizzo"}, {"Bar", "Via Roma"}});
    const struct {
        const char* nome;
        QByteArray dati;
    } casi[] = {
        {"testo.xls", "Nome\tIndirizzo\r\nBar\tVia Roma\r\n"},
        {"rumore.xls", rumore},
        {"mozza.xls", buona.left(buona.size() / 3)},
        {"binario.txt", buona},
        {"nul.txt", QByteArray("Bar\tVia\0Roma\r\n", 14)},
        {"tabella.csv", "Bar;Via Roma\r\n"},
    };
    for (const auto& c : casi) {
        QString errore;
        EXPECT_FALSE(importa(file(c.nome, c.dati), {}, &errore)) << c.nome;
        EXPECT_FALSE(errore.isEmpty()) << c.nome;
        EXPECT_EQ(f->tab.nRecord, 3) << c.nome;
        EXPECT_TRUE(f->c.frmframe[4]->enabled()) << c.nome;
    }
    QString errore;
    EXPECT_FALSE(importa(prova.percorso("manca.txt"), {}, &errore));
    EXPECT_FALSE(importa(file("ok.xls", buona), "0=x", &errore));
    EXPECT_TRUE(errore.contains("0=x"));
    EXPECT_EQ(f->tab.nRecord, 3);
}

TEST_F(Importa, OddTextIsBoundedNotFatal) {
    QByteArray testo = "titolo\r\n";
    testo += QByteArray(10000, 'N') + "\tVia\t20100\r\n";
    testo += QByteArray("Strano \x81\x8d\x01\x7f\tVia\r\n");
    testo += QByteArray(200000, '\t') + "\r\n";
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(file("Strani.txt", testo)));
    EXPECT_EQ(f->tab.nRecord, 2);
    EXPECT_EQ(f->tab.mfgTab.text(1, kNome).size(), 255);
    EXPECT_EQ(f->tab.mfgTab.text(2, kNome), "Strano ????");
    EXPECT_TRUE(ultimoMessaggio().contains("accorciati"));
}

TEST_F(Importa, MoreThanTheTableHolds) {
    QByteArray testo = ";\r\n";
    for (int i = 0; i < 40010; ++i) testo += "Ditta " + QByteArray::number(i) + "\tVia\t20100\tMilano\tMI\r\n";
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(file("Grande.txt", testo)));
    EXPECT_EQ(f->tab.nRecord, 40001);
    EXPECT_TRUE(f->tab.bTabellaPiena);
}

TEST_F(Importa, XlsRoundTripAndMapping) {
    riempi();
    f->c.chkOutput[1]->setValue(true);
    f->c.chkOutput[2]->setValue(false);
    f->salva.SalvaFile(1);
    const QString xls = f->amb.sCartellaScaricati + "Farmacie.xls";
    const QVector<QStringList> prima = test::CelleXlrd(xls);

    // Saved by us: the title row meets the record test and comes in as a record too.
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(xls));
    EXPECT_EQ(f->tab.nRecord, 4);
    EXPECT_TRUE(colonna(kNome).contains("Nome/Ragione Sociale"));
    // Drop the title row again.
    for (int r = 1; r <= 4; ++r)
        if (f->tab.mfgTab.text(r, kNome) == "Nome/Ragione Sociale") f->tab.mfgTab.setText(r, kNome, "");
    f->tab.EliminaRigheVuoteTabella();
    f->c.txtCosa.setText("Farmacie");
    f->salva.SalvaFile(1);
    EXPECT_EQ(test::CelleXlrd(xls), prima);

    // Mapping on the panel: click the table's "Telefono", then preview column 3.
    f->c.DirList.setPath(f->amb.sCartellaScaricati);
    f->imp.RicercaNomeFileDaImportare();
    const int i = f->c.lstFile.voci().indexOf("Farmacie.xls");
    ASSERT_GE(i, 0);
    f->c.lstFile.setSelected(i, true);
    EXPECT_TRUE(f->c.frmframe[9]->visible());
    EXPECT_EQ(f->c.frmframe[9]->caption, "La tabella contiene circa 3 righe");
    EXPECT_EQ(f->c.mfgImp.text(2, kCitta), "Bologna");
    f->tab.mfgTab.col = kTelefono;
    f->c.mfgImp.col = 3;
    f->imp.mfgImp_Click();
    EXPECT_EQ(f->c.mfgImp.text(0, 3), "Telefono");
    const auto mappa = f->imp.MappaColonne();
    EXPECT_EQ(mappa[kTelefono], 3);
    EXPECT_EQ(mappa[kCitta], -1) << "its title was replaced";
    f->imp.ImportaFile();
    EXPECT_TRUE(colonna(kTelefono).contains("Milano"));
    EXPECT_TRUE(colonna(kCitta).contains(""));
}

TEST_F(Importa, ForeignWorkbookWithNumbersAndSheets) {
    if (!test::HaPython("xlwt")) GTEST_SKIP() << "python3-xlwt missing";
    const QString xls = prova.percorso("Estero.xls");
    const QString script = QStringLiteral(
        "import xlwt, sys\n"
        "wb = xlwt.Workbook()\n"
        "a = wb.add_sheet('Altro'); a.write(0, 0, 'not this'); a.write(0, 1, 'sheet')\n"
        "s = wb.add_sheet('Dati')\n"
        "righe = [('Tel', 'Ditta', 'Via', 'Cap', 'Lat'), (21234567, 'Bar Uno', 'Via A', 1234, 45.46427),"
        " (3331234567, 'Bar Due', 'Via B', 20100, '44,5')]\n"
        "for r, v in enumerate(righe):\n"
        "    for c, x in enumerate(v): s.write(r, c, x)\n"
        "s.set_selected(True); a.set_selected(False); wb.active_sheet = 1\n"
        "wb.save(sys.argv[1])\n");
    ASSERT_FALSE(test::Esegui(test::Python(), {"-c", script, xls}).isNull());
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(xls, "0=1,1=2,2=3,5=0,6=4"));
    ASSERT_EQ(f->tab.nRecord, 3);
    const int uno = colonna(kNome).indexOf("Bar Uno") + 1;
    const int due = colonna(kNome).indexOf("Bar Due") + 1;
    ASSERT_GT(uno, 0);
    ASSERT_GT(due, 0);
    EXPECT_EQ(f->tab.mfgTab.text(uno, kCap), "01234");
    EXPECT_EQ(f->tab.mfgTab.text(uno, kTelefono), "021234567");
    EXPECT_EQ(f->tab.mfgTab.text(due, kTelefono), "3331234567");
    EXPECT_EQ(f->tab.mfgTab.text(uno, kLatitudine), "45.46427");
    EXPECT_EQ(f->tab.mfgTab.text(due, kLatitudine), "44.5");
    EXPECT_EQ(f->tab.mfgTab.text(uno, kCitta), "");
}

// Stop pressed part-way through an import: the records read so far stay, with no empty or
// half-filled row among them, and the user is told the import was cut short.
TEST_F(Importa, StopPartWayLeavesAConsistentTable) {
    f->c.txtCosa.setText("Ditte");
    for (int i = 0; i < 20000; ++i)
        f->tab.AggiungiRecord(Rec(QStringLiteral("Ditta %1").arg(i), QStringLiteral("Via Roma %1").arg(i), "20100",
                                  "Milano", "MI", QStringLiteral("02%1").arg(i, 6, 10, QChar('0')), "45.46427",
                                  "9.18951"));
    f->c.chkOutput[0]->setValue(false);
    f->c.chkOutput[1]->setValue(true);
    f->c.chkOutput[2]->setValue(true);
    f->salva.SalvaFile(1);
    f->av.cedi = [] { QCoreApplication::processEvents(); };
    for (const char* estensione : {"txt", "xls"}) {
        SCOPED_TRACE(estensione);
        f->c.optIntegr[0]->setValue(true);
        bool premuto = false;
        QTimer fermo;
        fermo.setInterval(1);
        QObject::connect(&fermo, &QTimer::timeout, [&] {
            if (f->c.cmdFine.caption() != "&Stop" || f->c.txtRec.text().toInt() < 1) return;
            fermo.stop();
            premuto = true;
            prova.dialoghi.risposte = {true};
            f->c.cmdFine.click();
        });
        fermo.start();
        ASSERT_TRUE(importa(f->amb.sCartellaScaricati + "Ditte." + estensione));
        ASSERT_TRUE(premuto);
        EXPECT_EQ(ultimoMessaggio(), "Caricamento interrotto!");
        EXPECT_GT(f->tab.nRecord, 0);
        EXPECT_LT(f->tab.nRecord, 20001);
        for (long r = 1; r <= f->tab.nRecord; ++r) {
            const QString nome = f->tab.mfgTab.text(int(r), kNome);
            ASSERT_TRUE(nome.startsWith("Ditta ") || nome == "Nome/Ragione Sociale") << r;
            if (nome.startsWith("Ditta ")) {
                ASSERT_EQ(f->tab.mfgTab.text(int(r), kCitta), "Milano") << r;
            }
        }
        EXPECT_TRUE(f->tab.mfgTab.text(int(f->tab.nRecord) + 1, kNome).isEmpty());
        EXPECT_EQ(f->c.cmdFine.caption(), "&Fine Lavoro");
    }
}
