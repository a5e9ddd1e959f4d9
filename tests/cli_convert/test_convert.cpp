#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "io/file_testo.h"
#include "io/xls.h"
#include "support/ambiente_test.h"

using namespace gm;

namespace {
struct Esito {
    int stato = -1;
    QString out, err;
};

Esito Cli(const QStringList& argomenti) {
    QProcess p;
    p.start(test::Programma("geomerce-cli"), QStringList{"convert"} + argomenti);
    Esito e;
    if (!p.waitForFinished(120000)) return e;
    e.stato = p.exitCode();
    e.out = QString::fromUtf8(p.readAllStandardOutput());
    e.err = QString::fromUtf8(p.readAllStandardError());
    return e;
}

const QByteArray kTabella =
    ";Nome/Ragione Sociale\tIndirizzo\tCap\tCitta\tPr\tTelefono\tLatitudine\tLongitudine\t\r\n"
    "Farmacia Rossi\tVia Roma, 12\t20100\tMilano\tMI\t02 1234567\t45.46427\t9.18951\t\r\n"
    "Farmacia Verdi\tVia Indipendenza 1\t40121\tBologna\tBO\t051123456\t44.49381\t11.33875\t\r\n";
}  // namespace

TEST(Convert, TextTableToEveryOutput) {
    QTemporaryDir dir;
    const QString input = dir.filePath("vecchia.txt");
    ASSERT_TRUE(ScriviFileAtomico(input, kTabella));
    const Esito e = Cli({"--input", input, "--cosa", "Farmacie comunali", "--output", "txt,xls,ov2", "--ambito",
                         "unico,regionale", "--tolleranza", "0", "--parole", "Farmacie verdi", "--dir", dir.path()});
    ASSERT_EQ(e.stato, 0) << e.err.toStdString();
    const QString s = dir.path() + "/Filescaricati/";
    // Regions in the order of the area table; each OV2 file with its icon.
    const QStringList attesi = {s + "Nazionali/Farmacie-comunali.ov2",     s + "Nazionali/Farmacie-comunali.bmp",
                                s + "EmiliaRomagna/Farmacie-comunali.ov2", s + "EmiliaRomagna/Farmacie-comunali.bmp",
                                s + "Lombardia/Farmacie-comunali.ov2",     s + "Lombardia/Farmacie-comunali.bmp",
                                s + "Farmacie-comunali.xls",               s + "Farmacie-comunali.txt"};
    EXPECT_EQ(e.out.split(u'\n', Qt::SkipEmptyParts).join(u'|').toStdString(), attesi.join(u'|').toStdString());
    QFile txt(s + "Farmacie-comunali.txt");
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(txt.readAll(), kTabella.left(kTabella.indexOf("Farmacia Rossi")) +
                                 "Farmacia Verdi\tVia Indipendenza 1\t40121\tBologna\tBO\t051123456\t44.49381\t11.33875\t\r\n"
                                 "Farmacia Rossi\tVia Roma, 12\t20100\tMilano\tMI\t02 1234567\t45.46427\t9.18951\t\r\n");
    QFile ov2(s + "Nazionali/Farmacie-comunali.ov2");
    ASSERT_TRUE(ov2.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ov2.readAll().contains("Verdi")) << "the words of --parole are dropped";
    QFile parole(dir.filePath("Geomerce.wrd"));
    ASSERT_TRUE(parole.open(QIODevice::ReadOnly));
    EXPECT_EQ(parole.readAll(), QByteArray("Farmacie verdi\r\n"));
}

TEST(Convert, NavigatorFormatsAndPlainOv2) {
    QTemporaryDir dir;
    const QString input = dir.filePath("vecchia.txt");
    ASSERT_TRUE(ScriviFileAtomico(input, kTabella));
    const QString s = dir.path() + "/Filescaricati/Nazionali/Farmacie.";
    for (const bool semplice : {false, true}) {
        QStringList argomenti{"--input", input, "--cosa", "Farmacie", "--output", "KML,gpx,ov2", "--dir", dir.path()};
        if (semplice) argomenti << "--ov2-semplice";
        const Esito e = Cli(argomenti);
        ASSERT_EQ(e.stato, 0) << e.err.toStdString();
        EXPECT_EQ(e.out.split(u'\n', Qt::SkipEmptyParts), QStringList({s + "ov2", s + "bmp", s + "gpx", s + "kml"}));
        QFile ov2(s + "ov2");
        ASSERT_TRUE(ov2.open(QIODevice::ReadOnly));
        EXPECT_EQ(ov2.read(1), QByteArray(1, semplice ? '\x02' : '\x01')) << "a skipper heads the indexed file";
    }
}

TEST(Convert, WorkbookWithColumnMap) {
    QTemporaryDir dir;
    const QString input = dir.filePath("Foglio.xls");
    ASSERT_TRUE(ScriviFileAtomico(input, CartellaXls({{"Tel", "Ditta", "Via", "Cap"}, {"0612345", "Bar Roma", "Via Po", "00100"}})));
    const Esito e = Cli({"--input", input, "--cosa", "Bar", "--colonne", "0=1,1=2,2=3,5=0", "--tolleranza", "0", "--dir", dir.path()});
    ASSERT_EQ(e.stato, 0) << e.err.toStdString();
    QFile txt(dir.path() + "/Filescaricati/Bar.txt");
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_TRUE(txt.readAll().contains("Bar Roma\tVia Po\t00100\t\t\t0612345\t\t\t\r\n"));
}

TEST(Convert, BadOptionsAndInputs) {
    QTemporaryDir dir;
    const QString buono = dir.filePath("t.txt");
    ASSERT_TRUE(ScriviFileAtomico(buono, kTabella));
    const QString vuoto = dir.filePath("vuoto.txt");
    ASSERT_TRUE(ScriviFileAtomico(vuoto, ";\r\n"));
    const QString finto = dir.filePath("finto.xls");
    ASSERT_TRUE(ScriviFileAtomico(finto, "not a workbook"));
    const struct {
        QStringList argomenti;
        const char* messaggio;
    } casi[] = {
        {{"--cosa", "Bar"}, "--input"},
        {{"--input", buono}, "cosa cercare"},
        {{"--input", buono, "--cosa", "Bar", "--output", "pdf"}, "pdf"},
        {{"--input", buono, "--cosa", "Bar", "--ambito", "mondo"}, "mondo"},
        {{"--input", buono, "--cosa", "Bar", "--tolleranza", "-3"}, "tolleranza"},
        {{"--input", buono, "--cosa", "Bar", "--boh", "1"}, "--boh"},
        {{"--input", finto, "--cosa", "Bar"}, "Excel"},
        {{"--input", vuoto, "--cosa", "Bar"}, "Tabella vuota!"},
    };
    for (const auto& c : casi) {
        const Esito e = Cli(c.argomenti + QStringList{"--dir", dir.path()});
        EXPECT_EQ(e.stato, 2) << c.messaggio;
        EXPECT_TRUE(e.err.contains(QString::fromUtf8(c.messaggio))) << e.err.toStdString();
        EXPECT_TRUE(e.out.isEmpty());
    }
}
