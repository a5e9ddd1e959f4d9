#include <gtest/gtest.h>

#include <QDir>
#include <QCoreApplication>
#include <QTemporaryDir>
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
        {"tabella.pdf", "Bar;Via Roma\r\n"},
        {"vuoto.ods", ""},
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

    // Saved by us: the title row is no record.
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(xls));
    EXPECT_EQ(f->tab.nRecord, 3);
    EXPECT_FALSE(colonna(kNome).contains("Nome/Ragione Sociale"));
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
    ASSERT_EQ(f->tab.nRecord, 2) << "the header row (Cap and Lat are words) is no record";
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

// Workbooks saved by LibreOffice: formula columns, numbers for postal codes and telephones, German
// text, and records after twelve blank rows all come in, the header row does not.
TEST_F(Importa, LibreOfficeWorkbooksComeInWhole) {
    for (const char* nome : {"formule.xls", "formule.xlsx", "formule.ods"}) {
        SCOPED_TRACE(nome);
        const QString p = prova.percorso(QString::fromLatin1(nome));
        QFile::remove(p);
        ASSERT_TRUE(QFile::copy(QStringLiteral(GEOMERCE_SOURCE_DIR "/tests/io/dati/") + nome, p));
        f->c.optIntegr[0]->setValue(true);
        QString errore;
        ASSERT_TRUE(importa(p, "0=0,1=1,2=2,3=3,4=4,5=5,6=6,7=7", &errore)) << errore.toStdString();
        ASSERT_EQ(f->tab.nRecord, 8);
        f->tab.Ordina(kNome, 7);
        EXPECT_EQ(colonna(kNome), QStringList({"Apotheke M\u00fcller", "Bar Cellulare", "Farmacia Rossi",
                                               "Ferramenta Bianchi", "Numero Verde", "Ottica Stra\u00dfburger",
                                               "Panificio Esposito", "Servizio Utenti"}));
        EXPECT_EQ(colonna(kTelefono), QStringList({"0471123456", "3331234567", "0612345678", "051654321", "800123456",
                                                   "0473222333", "0817654321", "199112233"}));
        EXPECT_EQ(colonna(kCap)[2], "00184");
        EXPECT_EQ(colonna(kLatitudine)[2], "41.89193");
        EXPECT_EQ(colonna(kIndirizzo)[0], "K\u00f6nigstra\u00dfe 5");
        EXPECT_EQ(ultimoMessaggio(), "Caricamento effettuato!");
    }
}

// A full table saved as XLS comes back as exactly as many records, not one more.
TEST_F(Importa, FullTableRoundTripsThroughXls) {
    f->c.txtCosa.setText("Pieno");
    for (int i = 0; i < 40000; ++i)
        f->tab.AggiungiRecord(Rec(QStringLiteral("Ditta %1").arg(i), "Via Roma", "00100", "Roma", "RM", "06123", "", ""));
    f->c.chkOutput[1]->setValue(true);
    f->c.chkOutput[2]->setValue(false);
    f->salva.SalvaFile(1);
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(f->amb.sCartellaScaricati + "Pieno.xls"));
    EXPECT_EQ(f->tab.nRecord, 40000);
    EXPECT_FALSE(f->tab.bTabellaPiena);
    EXPECT_EQ(ultimoMessaggio(), "Caricamento effettuato!");
}

// Text tables from every editor: any line ends, UTF-16, UTF-8 with and without its mark,
// Windows-1252, and one Windows-1252 line among UTF-8 ones.
TEST_F(Importa, TextFromAnyEditor) {
    auto utf16 = [](const QString& t, bool le) {
        QByteArray b = le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (QChar c : t) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            b.append(le ? lo : hi).append(le ? hi : lo);
        }
        return b;
    };
    const QString righe = QString::fromUtf8("Nome\tIndirizzo\tCap\r\nCaffè Uno\tVia Sò\t20100\r\nBar Due\tVia B\t10100\r\n");
    const QByteArray utf8 = QString::fromUtf8("Caffè Uno\tVia Sò\t20100\n").toUtf8();
    const struct {
        const char* nome;
        QByteArray dati;
    } casi[] = {
        {"cr", QByteArray("Nome\rCaff\xe8 Uno\tVia S\xf2\t20100\rBar Due\tVia B\t10100\r")},
        {"misti", QByteArray("Nome\r\nCaff\xe8 Uno\tVia S\xf2\t20100\rBar Due\tVia B\t10100\n")},
        {"utf16le", utf16(righe, true)},
        {"utf16be", utf16(righe, false)},
        {"utf8bom", "\xEF\xBB\xBF" + righe.toUtf8()},
        {"utf8", righe.toUtf8()},
        {"win1252", QByteArray("Nome\r\nCaff\xe8 Uno\tVia S\xf2\t20100\r\nBar Due\tVia B\t10100\r\n")},
        {"una riga 1252", "Nome\n" + utf8 + QByteArray("Bar Due\tVia B\t10100\n") +
                              QString::fromUtf8("Più Tre\tVia è\t30100\n").toUtf8() + QByteArray("Quattro \xe0\tVia Q\t40100\n")},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        f->c.optIntegr[0]->setValue(true);
        QString errore;
        ASSERT_TRUE(importa(file(QString::fromLatin1(c.nome) + ".txt", c.dati), {}, &errore)) << errore.toStdString();
        f->tab.Ordina(kNome, 7);
        const QStringList nomi = colonna(kNome);
        ASSERT_GE(nomi.size(), 2);
        EXPECT_EQ(nomi[0], "Bar Due");
        EXPECT_EQ(nomi[1], QString::fromUtf8("Caffè Uno"));
        EXPECT_EQ(f->tab.mfgTab.text(2, kIndirizzo), QString::fromUtf8("Via Sò"));
        if (QByteArray(c.nome) == "una riga 1252") {
            EXPECT_EQ(nomi, QStringList({"Bar Due", QString::fromUtf8("Caffè Uno"), QString::fromUtf8("Più Tre"),
                                         QString::fromUtf8("Quattro à")}));
        }
    }
}

// CSV as spreadsheet programs export it: the separator found, quotes holding separators, quotes
// and line ends, decimal commas in coordinates, the same mapping as a workbook.
TEST_F(Importa, CsvWithMapping) {
    const QByteArray csv =
        "Ditta;Via;CAP;Tel;Lat;Lon\r\n"
        "\"Bar \"\"Sole\"\"; Caff\xe8\";\"Via Roma, 1\";184;612345678;41,89193;12,51133\r\n"
        "\"Negozio\r\nDue\";Via Po;20100;800123456;45,46427;9,18951\r\n"
        "\r\n"
        "Tre;Via Tre;30100;3331234567;;\r\n";
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(file("Bar.csv", csv), "0=0,1=1,2=2,5=3,6=4,7=5"));
    ASSERT_EQ(f->tab.nRecord, 3);
    f->tab.Ordina(kNome, 7);
    EXPECT_EQ(colonna(kNome), QStringList({QString::fromUtf8("Bar \"Sole\"; Caffè"), "Negozio Due", "Tre"}));
    EXPECT_EQ(colonna(kIndirizzo)[0], "Via Roma, 1");
    EXPECT_EQ(colonna(kCap), QStringList({"00184", "20100", "30100"}));
    EXPECT_EQ(colonna(kTelefono), QStringList({"0612345678", "800123456", "3331234567"}));
    EXPECT_EQ(colonna(kLatitudine), QStringList({"41.89193", "45.46427", ""}));
    EXPECT_EQ(colonna(kLongitudine)[1], "9.18951");

    const QByteArray virgole = "Nome,Indirizzo,Cap\nUno,\"Via A, 2\",00100\nDue,Via B,20100\n";
    ASSERT_TRUE(importa(file("Virgole.csv", virgole)));
    EXPECT_EQ(f->tab.nRecord, 2);
    f->tab.Ordina(kNome, 7);
    EXPECT_EQ(colonna(kIndirizzo), QStringList({"Via B", "Via A, 2"}));
    EXPECT_EQ(colonna(kCap), QStringList({"20100", "00100"}));
}

// A telephone stored as a number gets its 0 back only where its digits cannot be dialled as
// they are.
TEST_F(Importa, TelephonesStoredAsNumbers) {
    const struct {
        const char* cella;
        const char* atteso;
    } casi[] = {
        {"800123456", "800123456"},   {"803803", "803803"},         {"840123456", "840123456"},
        {"848123456", "848123456"},   {"892123", "892123"},         {"199112233", "199112233"},
        {"178123456", "178123456"},   {"112", "112"},               {"3331234567", "3331234567"},
        {"612345678", "0612345678"},  {"21234567", "021234567"},    {"817654321", "0817654321"},
        {"0612345678", "0612345678"}, {"06 1234567", "06 1234567"}, {"4711234", "04711234"},
    };
    QByteArray csv = "Nome;Via;Cap;Tel\n";
    for (const auto& c : casi) csv += QByteArray("Ditta ") + c.cella + ";Via Roma;20100;" + c.cella + "\n";
    f->c.optIntegr[0]->setValue(true);
    ASSERT_TRUE(importa(file("Telefoni.csv", csv), "0=0,1=1,2=2,5=3"));
    ASSERT_EQ(f->tab.nRecord, long(std::size(casi)));
    for (int r = 1; r <= f->tab.nRecord; ++r) {
        const QString nome = f->tab.mfgTab.text(r, kNome);
        for (const auto& c : casi)
            if (nome == QStringLiteral("Ditta ") + QLatin1String(c.cella))
                EXPECT_EQ(f->tab.mfgTab.text(r, kTelefono), QLatin1String(c.atteso)) << c.cella;
    }
}

// The file panel lists every table file it can import, and says which formats those are.
TEST_F(Importa, FilePanelListsEveryTableFormat) {
    QTemporaryDir dir;
    for (const char* nome : {"a.txt", "b.csv", "c.xls", "d.xlsx", "e.ods", "f.pdf", "g.docx"})
        ASSERT_TRUE(ScriviFileAtomico(dir.filePath(QString::fromLatin1(nome)), "x"));
    f->c.DirList.setPath(dir.path());
    f->imp.RicercaNomeFileDaImportare();
    QStringList voci = f->c.lstFile.voci();
    voci.sort();
    EXPECT_EQ(voci, QStringList({"a.txt", "b.csv", "c.xls", "d.xlsx", "e.ods"}));
    for (const char* formato : {".txt", ".csv", ".xls", ".xlsx", ".ods"})
        EXPECT_TRUE(f->c.frmframe[16]->caption.contains(QLatin1String(formato))) << formato;
}
