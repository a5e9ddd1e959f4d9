#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "io/file_testo.h"
#include "io/xls.h"
#include "strumenti.h"
#include "support/ambiente_test.h"

using namespace gm;
using test::Leggi;
using test::Rec;

namespace {
const QByteArray kTitoli =
    ";Nome/Ragione Sociale\tIndirizzo\tCap\tCitta\tPr\tTelefono\tLatitudine\tLongitudine\t\r\n";

struct Salva : ::testing::Test {
    test::FormDiProva prova;
    Form* f = nullptr;
    bool terminato = false;
    void SetUp() override {
        f = &prova.avvia();
        f->av.terminaProgramma = [this] { terminato = true; };
        f->c.txtDupl.setText("0");
        f->c.txtCosa.setText("Farmacie comunali");
    }
    void riempi() {
        f->tab.AggiungiRecord(Rec("Farmacia Rossi", "Via Roma, 12", "20100", "Milano", "MI", "02 1234567", "45.46427", "9.18951"));
        f->tab.AggiungiRecord(Rec(QString::fromUtf8("Farmacia Città"), "Via Indipendenza 1", "40121", "Bologna", "BO", "051 123456", "44.49381", "11.33875"));
        f->tab.AggiungiRecord(Rec("Farmacia Senza Gps", "Via Po 3", "00100", "Roma", "RM", "06 555555", "", ""));
    }
    void uscite(bool ov2, bool xls, bool txt, bool unico = true, bool regionale = false) {
        f->c.chkOutput[0]->setValue(ov2);
        f->c.chkOutput[1]->setValue(xls);
        f->c.chkOutput[2]->setValue(txt);
        f->c.chkArea[0]->setValue(unico);
        f->c.chkArea[1]->setValue(regionale);
    }
    QString scaricati(const QString& nome) const { return f->amb.sCartellaScaricati + nome; }
    QString ultimoMessaggio() const { return prova.dialoghi.mostrati.isEmpty() ? QString() : prova.dialoghi.mostrati.last().testo; }
};
}  // namespace

TEST_F(Salva, UserSaveWritesEveryOutputWhereItBelongs) {
    riempi();
    uscite(true, true, true, true, true);
    f->c.cmbCancella.setText("Farmacie comunali");
    f->salva.SalvaFile(1);

    const QString base = "Farmacie-comunali";
    for (const QString& p : {scaricati(base + ".txt"), scaricati(base + ".xls"), scaricati("Nazionali/" + base + ".ov2"),
                             scaricati("Lombardia/" + base + ".ov2"), scaricati("EmiliaRomagna/" + base + ".ov2")})
        EXPECT_TRUE(QFileInfo::exists(p)) << p.toStdString();
    EXPECT_TRUE(QFileInfo::exists(scaricati("Lazio/" + base + ".ov2"))) << "its record has no point, yet it is the region's";
    EXPECT_FALSE(QFileInfo::exists(scaricati("Toscana"))) << "a region without records gets no folder";
    // Each OV2 file with its icon.
    EXPECT_EQ(f->salva.fileScritti.size(), 10);
    for (const QString& p : {QString("Nazionali"), QString("Lombardia"), QString("EmiliaRomagna"), QString("Lazio")})
        EXPECT_TRUE(QFileInfo::exists(scaricati(p + "/" + base + ".bmp"))) << p.toStdString();

    const QString fine = ultimoMessaggio();
    EXPECT_TRUE(fine.startsWith("I file\r\n\r\n"));
    // Every regional file by the folder it is really in.
    const QString cartella = QDir::toNativeSeparators(scaricati(""));
    EXPECT_TRUE(fine.contains("N. 3 file regionali:\r\n" + cartella + "EmiliaRomagna" + QDir::separator() + base +
                              ".ov2\r\n" + cartella + "Lazio" + QDir::separator() + base + ".ov2\r\n" + cartella +
                              "Lombardia" + QDir::separator() + base + ".ov2\r\n\r\n"))
        << fine.toStdString();
    EXPECT_TRUE(fine.contains("sono stati salvati!"));
    EXPECT_FALSE(fine.contains("RemakeOv2")) << "the files are indexed";
    EXPECT_EQ(f->c.cmdFine.caption(), "&Fine Lavoro");
    EXPECT_TRUE(f->c.frmframe[4]->enabled());

    // The regional file holds only its region's points.
    const QByteArray lombardia = Leggi(scaricati("Lombardia/" + base + ".ov2"));
    EXPECT_TRUE(lombardia.contains("Milano(MI)"));
    EXPECT_FALSE(lombardia.contains("Bologna"));
}

TEST_F(Salva, NavigatorFormatsBesideTheOv2) {
    riempi();
    uscite(false, false, false, true, true);
    f->c.chkOutput[3]->setValue(true);
    f->c.chkOutput[4]->setValue(true);
    EXPECT_TRUE(f->c.cmdSalva.enabled()) << "a GPX or KML box alone is a choice";
    f->salva.SalvaFile(1);
    const QString base = "Farmacie-comunali";
    // National files first, then each format's regions in the order of the area table.
    const QStringList attesi = {scaricati("Nazionali/" + base + ".gpx"),     scaricati("Nazionali/" + base + ".kml"),
                                scaricati("EmiliaRomagna/" + base + ".gpx"), scaricati("Lazio/" + base + ".gpx"),
                                scaricati("Lombardia/" + base + ".gpx"),     scaricati("EmiliaRomagna/" + base + ".kml"),
                                scaricati("Lazio/" + base + ".kml"),         scaricati("Lombardia/" + base + ".kml")};
    EXPECT_EQ(f->salva.fileScritti, attesi);
    EXPECT_FALSE(QFileInfo::exists(scaricati("Nazionali/" + base + ".bmp"))) << "no OV2, no icon";
    const QByteArray gpx = Leggi(scaricati("Lombardia/" + base + ".gpx"));
    EXPECT_TRUE(gpx.contains("<wpt lat=\"45.46427\" lon=\"9.18951\">"));
    EXPECT_FALSE(gpx.contains("Bologna"));
    EXPECT_TRUE(Leggi(scaricati("Nazionali/" + base + ".kml")).contains("<name>Farmacia Città</name>"));
    EXPECT_FALSE(Leggi(scaricati("Nazionali/" + base + ".kml")).contains("Senza Gps"));
    EXPECT_FALSE(ultimoMessaggio().contains("RemakeOv2"));

    // The plain layout: no skipper, and the note about the optimiser.
    uscite(true, false, false);
    f->c.chkOv2Semplice.setValue(true);
    f->salva.SalvaFile(1);
    EXPECT_EQ(Leggi(scaricati("Nazionali/" + base + ".ov2")).at(0), '\x02');
    EXPECT_TRUE(ultimoMessaggio().contains("I file .OV2 non sono ottimizzati; provvedere con RemakeOv2"));
    f->c.chkOv2Semplice.setValue(false);
    f->salva.SalvaFile(1);
    EXPECT_EQ(Leggi(scaricati("Nazionali/" + base + ".ov2")).at(0), '\x01');

    // An autosave writes the TXT alone and gives the user's boxes back.
    uscite(false, false, true);
    f->c.chkOutput[3]->setValue(true);
    QFile::remove(scaricati("Nazionali/" + base + ".gpx"));
    f->salva.SalvaFile(2);
    EXPECT_FALSE(QFileInfo::exists(scaricati("Nazionali/" + base + ".gpx")));
    EXPECT_TRUE(f->c.chkOutput[3]->value());
}

TEST_F(Salva, TxtHeadersOfEachMode) {
    riempi();
    f->c.txtRegione.setText("Lombardia");
    f->c.txtProv.setText("MI");
    struct Caso {
        int modo;
        const char* file;
        int righeIntestazione;  // before the title row
        const char* prima;
    };
    const Caso casi[] = {
        {1, "Farmacie-comunali.txt", 0, nullptr},
        {2, "Farmacie-comunali.txt", 12, ";Lombardia"},
        {3, "Farmacie-comunali.txt", 12, ";Fine Regione: Lombardia"},
        {4, "Farmacie-comunali-End.txt", 2, ";Ricerca completata"},
    };
    for (const Caso& c : casi) {
        uscite(true, true, true);
        f->c.txtProv.setText("MI");
        f->c.lblPerc.setCaption("12.00%");  // a user save before it moves the label
        f->av.IndicaOccupato(c.modo >= 2);  // autosaves happen during a run
        f->salva.SalvaFile(c.modo);
        const QList<QByteArray> righe = Leggi(scaricati(c.file)).split('\n');
        ASSERT_GE(righe.size(), c.righeIntestazione + 3) << c.modo;
        for (int i = 0; i < c.righeIntestazione; ++i) EXPECT_TRUE(righe[i].startsWith(';')) << c.modo << " " << i;
        if (c.prima) EXPECT_EQ(righe[0], QByteArray(c.prima) + "\r") << c.modo;
        EXPECT_EQ(righe[c.righeIntestazione] + "\n", kTitoli) << c.modo;
        EXPECT_TRUE(righe[c.righeIntestazione + 1].endsWith("\t\r")) << c.modo;
        if (c.modo >= 2) {
            // The user's choice of outputs is back for the next save.
            EXPECT_TRUE(f->c.chkOutput[0]->value());
            EXPECT_TRUE(f->c.chkOutput[1]->value());
            EXPECT_TRUE(f->c.chkOutput[2]->value());
            EXPECT_EQ(f->c.txtRegione.text(), "Lombardia") << "the progress panel is restored";
            EXPECT_EQ(f->c.lblPerc.caption(), "12.00%");
            EXPECT_TRUE(f->c.tmrClock.isActive());
            EXPECT_EQ(f->c.cmdFine.caption(), "&Stop") << "the run goes on";
        }
    }
    // The date line comes right after the resume values.
    const QList<QByteArray> righe = Leggi(scaricati("Farmacie-comunali.txt")).split('\n');
    EXPECT_EQ(righe[1], ";MI\r");
    EXPECT_TRUE(righe[11].contains(" - "));
    // Records: one per line, in the table order of the last save, accented letters in Windows-1252.
    EXPECT_TRUE(Leggi(scaricati("Farmacie-comunali.txt")).contains("Farmacia Citt\xe0\tVia Indipendenza 1\t40121\tBologna\tBO\t"));
}

TEST_F(Salva, NothingChosenAndSaveButton) {
    uscite(false, false, false);
    EXPECT_FALSE(f->c.cmdSalva.enabled());
    f->c.chkOutput[1]->setValue(true);
    EXPECT_TRUE(f->c.cmdSalva.enabled());
    riempi();
    uscite(false, false, false, false, false);
    f->salva.SalvaFile(1);
    EXPECT_EQ(ultimoMessaggio(), "Nessuna tipologia selezionata!");
}

TEST_F(Salva, SaveButtonChecks) {
    f->c.txtCosa.setText("");
    f->c.cmdSalva.click();
    EXPECT_EQ(ultimoMessaggio(), "Occorre indicare un nome valido in 'cosa cercare'!");
    f->c.txtCosa.setText("Farmacie");
    f->c.cmdSalva.click();
    EXPECT_EQ(ultimoMessaggio(), "Tabella vuota!");
}

TEST_F(Salva, WordListIsLoadedAndRewritten) {
    riempi();
    f->c.txtCosa.setText("Farmacie");
    prova.scrivi("Geomerce.wrd", "Bar caffe\r\nFARMACIE dott\r\nPizzerie forno\r\n");
    uscite(true, false, false);
    f->c.cmdSalva.click();
    EXPECT_TRUE(f->c.frmframe[6]->visible());
    EXPECT_EQ(f->c.cmbCancella.text(), "FARMACIE dott");
    EXPECT_EQ(f->c.lblNomefile.caption(), "Nome file: Farmacie.ov2");

    f->c.cmbCancella.setText("Farmacie dott rossi");
    f->salva.SalvaConParole();
    EXPECT_FALSE(f->c.frmframe[6]->visible());
    EXPECT_EQ(Leggi(prova.percorso("Geomerce.wrd")),
              QByteArray("Farmacie dott rossi\r\nBar caffe\r\nFARMACIE dott\r\nPizzerie forno\r\n"));
    EXPECT_FALSE(Leggi(scaricati("Nazionali/Farmacie.ov2")).contains("Rossi"));

    // A category without an entry shows itself, and becomes the first line.
    f->c.txtCosa.setText("Ottici");
    f->c.cmdSalva.click();
    EXPECT_EQ(f->c.cmbCancella.text(), "Ottici");
    f->salva.SalvaConParole();
    EXPECT_TRUE(Leggi(prova.percorso("Geomerce.wrd")).startsWith("Ottici\r\nFarmacie dott rossi\r\n"));
}

TEST_F(Salva, EmergencySaveKeepsGoodFiles) {
    // Good files of an earlier session, a word list never loaded in this one, an empty table.
    QDir().mkpath(scaricati("Nazionali"));
    const QByteArray buono = "good file";
    for (const QString& p : {scaricati("Farmacie-comunali.txt"), scaricati("Farmacie-comunali.xls"),
                             scaricati("Nazionali/Farmacie-comunali.ov2")})
        ASSERT_TRUE(ScriviFileAtomico(p, buono));
    prova.scrivi("Geomerce.wrd", "Bar caffe\r\n");
    uscite(true, true, true);
    f->salva.SalvaFile(0);
    for (const QString& p : {scaricati("Farmacie-comunali.txt"), scaricati("Farmacie-comunali.xls"),
                             scaricati("Nazionali/Farmacie-comunali.ov2")})
        EXPECT_EQ(Leggi(p), buono) << p.toStdString();
    EXPECT_EQ(Leggi(prova.percorso("Geomerce.wrd")), QByteArray("Bar caffe\r\n"));
    EXPECT_TRUE(terminato);
    ASSERT_FALSE(prova.dialoghi.mostrati.isEmpty());
    EXPECT_EQ(prova.dialoghi.mostrati.last().titolo, "Errore!!!");
    EXPECT_EQ(ultimoMessaggio(), "Elaborazione interrotta per errore software!\r\n\r\nL'elaborazione è stata salvata.");

    // With records it saves them, still leaving the unloaded word list alone.
    terminato = false;
    riempi();
    f->salva.SalvaFile(0);
    EXPECT_TRUE(Leggi(scaricati("Farmacie-comunali.txt")).contains("Farmacia Rossi"));
    EXPECT_TRUE(Leggi(scaricati("Nazionali/Farmacie-comunali.ov2")).contains("Farmacia Rossi"));
    EXPECT_EQ(Leggi(prova.percorso("Geomerce.wrd")), QByteArray("Bar caffe\r\n"));
    EXPECT_TRUE(terminato);
}

TEST_F(Salva, StopLeavesTheOldFilesInPlace) {
    riempi();
    ASSERT_TRUE(ScriviFileAtomico(scaricati("Farmacie-comunali.xls"), "old workbook"));
    ASSERT_TRUE(ScriviFileAtomico(scaricati("Farmacie-comunali.txt"), "old text"));
    QObject::connect(&f->c.txtProv, &CasellaTesto::change, [this] {
        if (f->av.DescrizioneFase.endsWith(".xls")) f->av.bStop = true;
    });
    uscite(false, true, true);
    f->salva.SalvaFile(1);
    EXPECT_EQ(Leggi(scaricati("Farmacie-comunali.xls")), QByteArray("old workbook"));
    EXPECT_EQ(Leggi(scaricati("Farmacie-comunali.txt")), QByteArray("old text")) << "the save ends at the stop";
    EXPECT_TRUE(f->salva.salvataggioInterrotto);
    EXPECT_TRUE(prova.dialoghi.testi().contains("Salvataggio interrotto..."));
    EXPECT_TRUE(ultimoMessaggio().endsWith("Operazione interrotta!"));
    EXPECT_FALSE(f->av.bStop);
}

// The clock's save falls between a Stop and the run's next look at it: the file is written whole
// and the run still stops.
TEST_F(Salva, PendingStopOutlivesAnAutosave) {
    riempi();
    uscite(false, false, true);
    for (int modo : {2, 3}) {
        f->av.bStop = true;
        f->salva.SalvaFile(modo);
        EXPECT_TRUE(f->av.bStop) << modo;
        EXPECT_FALSE(f->salva.salvataggioInterrotto) << modo;
        EXPECT_TRUE(Leggi(scaricati("Farmacie-comunali.txt")).contains("Farmacia Rossi")) << modo;
    }
    f->av.bStop = false;
    f->salva.SalvaFile(2);
    EXPECT_FALSE(f->av.bStop) << "no stop comes out of nowhere";
}

TEST_F(Salva, UnwritableFileIsReportedNotListed) {
    riempi();
    QDir().mkpath(scaricati("Farmacie-comunali.txt"));  // a folder where the file should go
    uscite(false, false, true);
    f->salva.SalvaFile(1);
    EXPECT_TRUE(ultimoMessaggio().contains("Impossibile scrivere"));
    EXPECT_FALSE(ultimoMessaggio().contains("salvato"));
    EXPECT_TRUE(f->salva.fileScritti.isEmpty());
}

TEST_F(Salva, OutsideReadersAgree) {
    riempi();
    f->tab.AggiungiRecord(Rec("Ottica 007", "Via Zara 1", "00118", "Aosta", "AO", "016544", "45.73750", "7.32000"));
    uscite(true, true, false);
    f->c.cmbCancella.setText("");
    f->salva.SalvaFile(1);

    // python3-xlrd reads the workbook cell by cell, leading zeros and accents included.
    const QVector<QStringList> celle = test::CelleXlrd(scaricati("Farmacie-comunali.xls"));
    ASSERT_EQ(celle.size(), 5);
    for (int r = 0; r <= 4; ++r) {
        QStringList attese(f->tab.mfgTab.riga(r).begin(), f->tab.mfgTab.riga(r).end());
        while (!attese.isEmpty() && attese.last().isEmpty()) attese.removeLast();
        EXPECT_EQ(celle[r], attese) << r;
    }

    // gpsbabel reads the OV2 points: only those with coordinates.
    const QByteArray csv = test::Esegui("gpsbabel", {"-i", "tomtom", "-f", scaricati("Nazionali/Farmacie-comunali.ov2"),
                                                     "-o", "unicsv", "-F", "-"});
    const QList<QByteArray> righe = csv.trimmed().split('\n');
    ASSERT_EQ(righe.size(), 4) << csv.constData();
    EXPECT_TRUE(csv.contains("45.737500,7.320000,\"Aosta(AO)Zara 1;Ottica 007>39016544\""));
    EXPECT_TRUE(csv.contains("45.464270,9.189510,\"Milano(MI)Roma,12;Farmacia Rossi>39021234567\""));
    EXPECT_TRUE(csv.contains("44.493810,11.338750,"));
}
