// geomerce-cli search as a user runs it: options, exit status, files, against the directory service.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/ambiente_test.h"
#include "support/simulatore.h"

using namespace gm;

namespace {
struct Esito {
    int stato = -1;
    QString out, err;
};

Esito Search(const QStringList& argomenti) {
    QProcess p;
    p.start(test::Programma("geomerce-cli"), QStringList{"search"} + argomenti);
    Esito e;
    if (!p.waitForFinished(120000)) return e;
    e.stato = p.exitCode();
    e.out = QString::fromUtf8(p.readAllStandardOutput());
    e.err = QString::fromUtf8(p.readAllStandardError());
    return e;
}

QStringList Indirizzi(const test::Simulatore& s) {
    return {"--url-gialle", s.base(), "--url-bianche", s.base(), "--url-geocoder", s.base()};
}

int Righe(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    int n = 0;
    for (const QByteArray& r : f.readAll().split('\n'))
        if (!r.trimmed().isEmpty() && !r.startsWith(';')) ++n;
    return n;
}
}  // namespace

TEST(Search, BadOptionsExitWithStatusTwo) {
    QTemporaryDir dir;
    struct Caso {
        QStringList argomenti;
        const char* messaggio;
    };
    const Caso casi[] = {
        {{"--cosa", "Bar"}, "--regioni"},
        {{"--cosa", "Bar", "--regioni", "Atlantide"}, "Atlantide"},
        {{"--cosa", "Bar", "--regioni", "Molise;Umbria", "--province", "Isernia"}, "una sola regione"},
        {{"--cosa", "Bar", "--regioni", "Molise", "--province", "Roma"}, "Roma"},
        {{"--cosa", "Bar", "--regioni", "Molise", "--output", "pdf"}, "pdf"},
        {{"--cosa", "Bar", "--regioni", "Molise", "--tolleranza", "molta"}, "tolleranza"},
        {{"--cosa", "Bar", "--regioni"}, "manca il valore"},
        {{"--colore", "blu"}, "sconosciuta"},
        {{"--cosa", "", "--regioni", "Molise"}, "Occorre indicare una tipologia merceologica"},
        {{"--cosa", "Bar", "--regioni", "Molise", "--memoria-giorni", "-3"}, "giorni di memoria"},
    };
    for (const Caso& c : casi) {
        const Esito e = Search(QStringList{"--dir", dir.path()} + c.argomenti);
        EXPECT_EQ(e.stato, 2) << c.argomenti.join(' ').toStdString();
        EXPECT_TRUE(e.err.contains(c.messaggio)) << c.argomenti.join(" ").toStdString() << ": " << e.err.toStdString();
        EXPECT_TRUE(e.out.isEmpty()) << c.argomenti.join(" ").toStdString() << ": " << e.out.toStdString();
    }
}

TEST(Search, RunWritesItsFilesAndListsThem) {
    test::Simulatore sim;
    ASSERT_TRUE(sim.avviato());
    QTemporaryDir dir;
    const Esito e = Search(QStringList{"--cosa", "Bar Sport", "--regioni", "friuli venezia giulia", "--province",
                                       "Trieste", "--no-coordinate", "--output", "txt,xls,ov2", "--ambito",
                                       "unico,regionale", "--dir", dir.path()} +
                           Indirizzi(sim));
    ASSERT_EQ(e.stato, 0) << e.err.toStdString();
    const QString scaricati = dir.filePath("Filescaricati/");
    for (const QString& file : {scaricati + "Bar-Sport.txt", scaricati + "Bar-Sport.xls",
                                scaricati + "Nazionali/Bar-Sport.ov2"}) {
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
        EXPECT_TRUE(e.out.contains(QDir::toNativeSeparators(file))) << e.out.toStdString();
    }
    EXPECT_TRUE(QFile::exists(scaricati + "Bar-Sport-End.txt"));
    EXPECT_GT(Righe(scaricati + "Bar-Sport.txt"), 10);
    EXPECT_TRUE(e.err.contains("Elaborazione terminata"));
    EXPECT_TRUE(e.err.contains("Ricerca Bar Sport")) << "progress on standard error";
}

TEST(Search, IntegraContinuesFromASavedTable) {
    test::Simulatore sim;
    ASSERT_TRUE(sim.avviato());
    QTemporaryDir dir;
    const QStringList comuni = {"--cosa", "Bar", "--regioni", "Friuli Venezia Giulia", "--province", "Trieste",
                                "--no-coordinate", "--no-bianche", "--tolleranza", "0", "--dir", dir.path()};
    ASSERT_EQ(Search(comuni + QStringList{"--comuni", "Muggia"} + Indirizzi(sim)).stato, 0);
    const QString salvato = dir.filePath("muggia.txt");
    ASSERT_TRUE(QFile::copy(dir.filePath("Filescaricati/Bar.txt"), salvato));
    const int prima = Righe(salvato);
    ASSERT_GT(prima, 0);

    ASSERT_EQ(Search(comuni + QStringList{"--comuni", "Sgonico"} + Indirizzi(sim)).stato, 0);
    const int sgonico = Righe(dir.filePath("Filescaricati/Bar.txt"));
    const Esito e = Search(comuni + QStringList{"--comuni", "Sgonico", "--integra", salvato} + Indirizzi(sim));
    ASSERT_EQ(e.stato, 0) << e.err.toStdString();
    EXPECT_EQ(Righe(dir.filePath("Filescaricati/Bar.txt")), prima + sgonico);
}

// Pages that never arrived, even after the pauses between rounds: listed on standard error, and
// the exit status says the run is not complete. A second run against a sound service is.
TEST(Search, PagesThatNeverArrivedAreListedAndExitWithStatusOne) {
    test::Simulatore guasto({"--guasti", "1", "--tipi-guasti", "500"});
    ASSERT_TRUE(guasto.avviato());
    QTemporaryDir dir;
    const QStringList zona = {"--cosa", "Farmacie", "--regioni", "Molise", "--province", "Isernia", "--comuni",
                              "Venafro", "--no-bianche", "--no-coordinate", "--dir", dir.path()};
    const Esito e = Search(zona + Indirizzi(guasto));
    EXPECT_EQ(e.stato, 1) << e.err.toStdString();
    EXPECT_TRUE(e.err.contains("Elaborazione terminata con 1 pagina non scaricata")) << e.err.toStdString();
    EXPECT_TRUE(e.err.contains("search:   Venafro (IS): 1\n")) << e.err.toStdString();
    QFile intestazione(dir.filePath("Filescaricati/Farmacie.txt"));
    ASSERT_TRUE(intestazione.open(QIODevice::ReadOnly));
    EXPECT_EQ(intestazione.readLine().trimmed(), ";Regione incompleta: Molise (1 pagina non scaricata)");

    test::Simulatore sano;
    ASSERT_TRUE(sano.avviato());
    const Esito buono = Search(zona + Indirizzi(sano));
    EXPECT_EQ(buono.stato, 0) << buono.err.toStdString();
    EXPECT_FALSE(buono.err.contains("non scaricat"));
}

TEST(Search, SecondRunTakesCoordinatesFromTheMemoryUnlessToldNot) {
    QTemporaryDir log;
    test::Simulatore sim({"--log", log.filePath("r.log")});
    ASSERT_TRUE(sim.avviato());
    QTemporaryDir dir;
    const QStringList ricerca = QStringList{"--cosa", "Ristorante", "--regioni", "Friuli Venezia Giulia", "--province",
                                            "Trieste", "--comuni", "Muggia", "--dir", dir.path()} +
                                Indirizzi(sim);
    auto mappe = [&] {
        QFile f(log.filePath("r.log"));
        f.open(QIODevice::ReadOnly);
        const int n = int(f.readAll().count("build_map.cgi"));
        f.close();
        f.resize(0);
        return n;
    };
    ASSERT_EQ(Search(ricerca).stato, 0);
    const int prima = mappe();
    ASSERT_GT(prima, 0);
    EXPECT_TRUE(QFile::exists(dir.filePath("Geomerce.db")));

    Esito e = Search(ricerca);
    ASSERT_EQ(e.stato, 0) << e.err.toStdString();
    EXPECT_EQ(mappe(), 0);
    EXPECT_TRUE(e.err.contains("posizioni riprese senza richieste")) << e.err.toStdString();

    e = Search(ricerca + QStringList{"--senza-memoria"});
    ASSERT_EQ(e.stato, 0) << e.err.toStdString();
    EXPECT_EQ(mappe(), prima);
    EXPECT_FALSE(e.err.contains("Memoria delle coordinate")) << e.err.toStdString();
}
