// Search runs against a directory service that fails: pages retried until they arrive, what never
// arrived counted and reported, a silent service ending the run. Pauses run on a clock the test
// moves, so they cost no time.
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "net/testo.h"
#include "support/ambiente_test.h"
#include "support/orologio_finto.h"
#include "support/simulatore.h"

using namespace gm;

namespace {

struct Esecuzione {
    test::FormDiProva prova;
    Form* f = nullptr;
    std::shared_ptr<test::OrologioFinto> orologio = std::make_shared<test::OrologioFinto>();

    explicit Esecuzione(const QString& base, bool coordinate = false) {
        f = &prova.avvia();
        f->amb.servizi.gialle = f->amb.servizi.bianche = f->amb.servizi.geocoder = base;
        f->web.orologio = orologio;
        f->c.chkCoord.setValue(coordinate);
    }
    // Selects the named entries; none named: all of them.
    static void Scegli(Lista& l, const QStringList& nomi) {
        for (int i = 0; i < l.count(); ++i)
            if (nomi.isEmpty() || nomi.contains(l.item(i), Qt::CaseInsensitive)) {
                l.setListIndex(i);
                l.setSelected(i, true);
            }
    }
    void cerca(const QString& cosa, const QString& regione, const QString& provincia = {},
               const QStringList& comuni = {}) {
        f->c.txtCosa.setText(cosa);
        Scegli(f->c.lstRegioni, {regione});
        Scegli(f->c.lstProv, provincia.isEmpty() ? QStringList{} : QStringList{provincia});
        Scegli(f->c.lstComuni, comuni);
        f->c.cmdCarica.click();
    }
    // The table's records in table order, one line each.
    QStringList righe() const {
        QStringList r;
        for (long i = 1; i <= f->tab.nRecord; ++i) {
            QStringList celle;
            for (int k = 0; k < kColonne; ++k) celle << f->tab.mfgTab.text(int(i), k);
            r << celle.join(u'\t');
        }
        return r;
    }
    QString ultimoMessaggio() const {
        return prova.dialoghi.mostrati.isEmpty() ? QString() : prova.dialoghi.mostrati.last().testo;
    }
    QString intestazione(const QString& file) const {
        QFile t(f->amb.sCartellaScaricati + file);
        return t.open(QIODevice::ReadOnly) ? QString::fromLatin1(t.readLine()).trimmed() : QString();
    }
};

int Righe(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : -1;
}

// Three small towns: a few dozen requests, one result page each.
const QStringList kComuni{"Venafro", "Frosolone", "Carovilli"};

QStringList RigheDiUnaCorsaPulita(const QString& provincia, const QStringList& comuni, int* richieste = nullptr) {
    QTemporaryDir log;
    test::Simulatore sim({"--log", log.filePath("r.log")});
    Esecuzione e(sim.base(), true);
    e.cerca("Farmacie", "Molise", provincia, comuni);
    EXPECT_EQ(e.ultimoMessaggio(), "Elaborazione terminata");
    if (richieste) *richieste = Righe(log.filePath("r.log"));
    return e.righe();
}

}  // namespace

// Each fault kind alone, coordinates included: the run finds the clean run's records in the clean
// run's order and calls itself complete. Slow answers come within the time-out: they cost time only.
TEST(Guasti, EachFaultKindAloneCostsNoRecord) {
    int richieste = 0;
    const QStringList pulite = RigheDiUnaCorsaPulita("Isernia", kComuni, &richieste);
    ASSERT_GT(pulite.size(), 5);
    for (const char* tipo : {"vuota", "500", "lenta", "troncata", "interrotta"}) {
        SCOPED_TRACE(tipo);
        const bool lenta = QByteArray(tipo) == "lenta";
        QTemporaryDir log;
        test::Simulatore sim({"--guasti", lenta ? "0.15" : "0.5", "--tipi-guasti", tipo, "--log", log.filePath("r.log")});
        ASSERT_TRUE(sim.avviato());
        Esecuzione e(sim.base(), true);
        e.cerca("Farmacie", "Molise", "Isernia", kComuni);
        if (!lenta) EXPECT_GT(Righe(log.filePath("r.log")), richieste);  // faults met, and asked again
        EXPECT_EQ(e.righe(), pulite);
        EXPECT_TRUE(e.f->ric.resoconto.completo()) << e.f->ric.resoconto.righe().join(u'|').toStdString();
        EXPECT_EQ(e.ultimoMessaggio(), "Elaborazione terminata");
        EXPECT_TRUE(e.intestazione("Farmacie.txt").startsWith(";Fine Regione: Molise"));
    }
}

// The case a user met: one province at a fault rate of a third (slow answers left out, they only
// cost time).
TEST(Guasti, OneProvinceAtAThirdOfFaultyRequestsKeepsEveryRecord) {
    const QStringList pulite = RigheDiUnaCorsaPulita("Isernia", {});
    test::Simulatore sim({"--guasti", "0.3", "--tipi-guasti", "vuota,500,troncata,interrotta"});
    ASSERT_TRUE(sim.avviato());
    Esecuzione e(sim.base(), true);
    e.cerca("Farmacie", "Molise", "Isernia");
    EXPECT_EQ(e.righe(), pulite);
    EXPECT_EQ(e.ultimoMessaggio(), "Elaborazione terminata");
}

// A service that answers every page with an error is alive but gives nothing: the pages are
// counted by area, the region is not called finished, the run says what is missing.
TEST(Guasti, MissingPagesAreReportedAndTheRegionIsNotCalledFinished) {
    test::Simulatore sim({"--guasti", "1", "--tipi-guasti", "500"});
    ASSERT_TRUE(sim.avviato());
    Esecuzione e(sim.base());
    e.cerca("Farmacie", "Molise", "Isernia", {"Isernia"});
    const Resoconto& r = e.f->ric.resoconto;
    EXPECT_TRUE(r.servizioMorto.isEmpty());
    ASSERT_EQ(r.totale(), 2);  // the first page of each directory
    EXPECT_EQ(r.righe(), QStringList{"Isernia (IS): 2"});
    EXPECT_EQ(e.ultimoMessaggio(), "Elaborazione terminata con 2 pagine non scaricate:\r\nIsernia (IS): 2");
    EXPECT_EQ(e.intestazione("Farmacie.txt"), ";Regione incompleta: Molise (2 pagine non scaricate)");
    EXPECT_EQ(e.intestazione("Farmacie-End.txt"), ";Ricerca incompleta (2 pagine non scaricate)");
}

// Nothing listens, or a server takes connections and never answers: the run ends as a Stop would,
// naming the services and their address, and the window is ready again.
TEST(Guasti, SilentServiceEndsTheRunAsAStopWouldAndSaysWhich) {
    QTcpServer chiuso;
    ASSERT_TRUE(chiuso.listen(QHostAddress::LocalHost, 0));
    const QString rifiutato = QStringLiteral("http://127.0.0.1:%1").arg(chiuso.serverPort());
    chiuso.close();
    QTcpServer muto;  // accepts and keeps every connection without a word
    ASSERT_TRUE(muto.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&muto, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = muto.nextPendingConnection()) s->setParent(&muto);
    });
    const QString silenzioso = QStringLiteral("http://127.0.0.1:%1").arg(muto.serverPort());
    for (const QString& base : {rifiutato, silenzioso}) {
        SCOPED_TRACE(base.toStdString());
        Esecuzione e(base);
        e.f->web.msTimeout = 200;
        e.cerca("Farmacie", "Molise");
        const QString atteso = QStringLiteral("I servizi Pagine Gialle, Pagine Bianche e Multimap (") + base +
                               QStringLiteral(") non rispondono");
        EXPECT_EQ(e.f->ric.resoconto.servizioMorto, atteso);
        EXPECT_TRUE(e.ultimoMessaggio().startsWith("Elaborazione interrotta\r\n\r\n" + atteso + ".\r\n\r\n3 pagine"))
            << e.ultimoMessaggio().toStdString();
        EXPECT_FALSE(e.f->av.bStop);
        EXPECT_TRUE(e.f->c.frmframe[0]->enabled());
        EXPECT_EQ(e.f->c.cmdFine.caption(), "&Fine Lavoro");
        EXPECT_FALSE(QFile::exists(e.f->amb.sCartellaScaricati + "Farmacie.txt"));
        EXPECT_FALSE(QFile::exists(e.f->amb.sCartellaScaricati + "Farmacie-End.txt"));
        // Dead for the run only: the next run asks again.
        EXPECT_FALSE(e.f->web.salute.morto(Origine(base)));
    }
}

TEST(Guasti, ReportNamesEveryAreaAndKeepsTheWindowMessageShort) {
    Resoconto r;
    for (int i = 0; i < 3; ++i) r.aggiungi("Isernia (IS)", false);
    r.aggiungi("Agnone (IS)", true);
    r.aggiungi("Agnone (IS)", false);
    r.aggiungi("coordinate a fine ricerca", true);
    EXPECT_EQ(r.conteggio(), "6 pagine non scaricate");
    EXPECT_EQ(r.righe(), (QStringList{"Isernia (IS): 3", "Agnone (IS): 1, più 1 di coordinate",
                                      "coordinate a fine ricerca: 1 di coordinate"}));
    EXPECT_EQ(r.messaggioFinale(false, 2),
              "Elaborazione terminata con 6 pagine non scaricate:\r\nIsernia (IS): 3\r\n"
              "Agnone (IS): 1, più 1 di coordinate\r\n... e altre 1 zone");
    EXPECT_EQ(Resoconto{}.messaggioFinale(false), "Elaborazione terminata");
    EXPECT_EQ(MessaggioServizioMorto({"Pagine Gialle"}, "http://pg.example"),
              "Il servizio Pagine Gialle (http://pg.example) non risponde");
}
