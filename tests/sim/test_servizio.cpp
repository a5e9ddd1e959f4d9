// geomerce-sim as a program: its pages over HTTP in their charsets, the request log, latency,
// injected faults as the page fetcher meets them, and its command line.
#include <gtest/gtest.h>

#include <httplib.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "sim/sito.h"
#include "support/ambiente_test.h"
#include "support/orologio_finto.h"
#include "support/simulatore.h"

using namespace gm;
using namespace gm::test;

namespace {

QByteArray Codifica(const sim::Servizio::Risposta& r) {
    QStringEncoder enc(r.charset.constData());
    return enc.encode(r.testo);
}

const char* const kPaginaGialle = "/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=0&qs=Farmacie&dv=TO";

TEST(ServizioSim, PagesOverHttpAreTheSameBytesInTheNamedCharset) {
    Simulatore s({"--seed", "5"});
    ASSERT_TRUE(s.avviato());
    Sito locale(5, s.porta());
    httplib::Client cli("127.0.0.1", s.porta());
    // What the page fetcher's network stack offers; compressing with it would cost more than
    // building the page, so answers go out as they stand.
    cli.set_default_headers({{"Accept-Encoding", "zstd, br, gzip, deflate"}});
    struct Caso {
        const char* percorso;
        const char* query;
        const char* charset;
        int stato;
    } casi[] = {
        {"/pg/cgi/pgsearch.cgi", "btt=1&ts=1&l=1&cb=0&qs=Farmacie&dv=RM&be=30", "windows-1252", 200},
        {"/pg/cgi/pgsearch.cgi", "l=1&cb=0&ts=1&btt=1&qs=Farmacie&of=39856&dv=Paterno", "windows-1252", 200},
        {"/execute.cgi", "be=10&btt=1&tl=2&tr=101&tc=&cb=&tq=2&qs=Farmacie&qsn=&dv=MI&ind=&nc=", "utf-8", 200},
        {"/map/places.cgi", "client=public&db=IT&addr2=Via%20Roma%201&addr3=Pisa%20PI&pc=56100&scale=5000", "utf-8", 200},
        {"/nessuna/pagina", "", "utf-8", 404},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.percorso);
        const auto res = cli.Get((std::string(c.percorso) + '?' + c.query).c_str());
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.stato);
        EXPECT_EQ(res->get_header_value("Content-Encoding"), "");
        EXPECT_NE(res->get_header_value("Content-Type").find(std::string("charset=") + c.charset), std::string::npos)
            << res->get_header_value("Content-Type");
        EXPECT_EQ(QByteArray::fromStdString(res->body),
                  Codifica(locale.risposta(QString::fromLatin1(c.percorso),
                                           QString::fromLatin1(c.query).replace("%20", " "))));
    }
}

TEST(ServizioSim, RequestLogHasOneLinePerRequest) {
    QTemporaryDir d;
    const QString log = d.filePath("richieste.log");
    Simulatore s({"--log", log});
    ASSERT_TRUE(s.avviato());
    const std::string bersagli[] = {kPaginaGialle, "/execute.cgi?tr=106&qs=0612345", "/map/places.cgi?addr3=Pisa%20PI",
                                    "/", "/manca", kPaginaGialle};
    httplib::Client cli("127.0.0.1", s.porta());
    for (const auto& b : bersagli) ASSERT_TRUE(cli.Get(b.c_str()));
    // The page fetcher asks once per page when its first download works.
    FormDiProva f;
    Form& form = f.avvia();
    form.web.EstrazionePaginadaInternet(s.base() + "/pg/cgi/pgsearch.cgi?qs=Bar&dv=NA");
    ASSERT_FALSE(form.web.sTestoPagina.isEmpty());

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> righe = file.readAll().split('\n');
    ASSERT_EQ(righe.size(), std::size(bersagli) + 2);  // the fetcher's line and the empty tail
    for (size_t i = 0; i < std::size(bersagli); ++i) EXPECT_EQ(righe[i].toStdString(), "GET " + bersagli[i]);
    EXPECT_EQ(righe[std::size(bersagli)], "GET /pg/cgi/pgsearch.cgi?qs=Bar&dv=NA");
    EXPECT_TRUE(righe.back().isEmpty());
}

TEST(ServizioSim, LatencyDelaysEveryAnswer) {
    Simulatore s({"--latenza", "300"});
    ASSERT_TRUE(s.avviato());
    httplib::Client cli("127.0.0.1", s.porta());
    for (int i = 0; i < 2; ++i) {
        QElapsedTimer t;
        t.start();
        const auto res = cli.Get(kPaginaGialle);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_GE(t.elapsed(), 290);
    }
}

TEST(ServizioSim, WithFaultsEveryRequestFailsAndTheFetcherNeverHangs) {
    Simulatore s({"--guasti", "1", "--seed", "3"});
    ASSERT_TRUE(s.avviato());
    Sito locale(3, s.porta());
    const QByteArray intera = Codifica(locale.risposta("/pg/cgi/pgsearch.cgi", "btt=1&ts=1&l=1&cb=0&qs=Farmacie&dv=TO"));
    ASSERT_GT(intera.size(), 1000);

    enum Tipo { Vuota, Errore500, Lenta, Troncata, Interrotta, Integra };
    int visti[6] = {};
    httplib::Client cli("127.0.0.1", s.porta());
    cli.set_read_timeout(0, 600000);  // shorter than the slow answer
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer t;
        t.start();
        const auto res = cli.Get(kPaginaGialle);
        Tipo tipo;
        if (!res)
            tipo = t.elapsed() >= 550 ? Lenta : Interrotta;
        else if (res->status == 500)
            tipo = Errore500;
        else if (res->body.empty())
            tipo = Vuota;
        else if (res->body.size() < size_t(intera.size()) && intera.startsWith(QByteArray::fromStdString(res->body)))
            tipo = Troncata;
        else
            tipo = Integra;
        ++visti[tipo];
    }
    EXPECT_EQ(visti[Integra], 0);
    for (int k = Vuota; k <= Interrotta; ++k) EXPECT_GT(visti[k], 0) << "fault kind " << k;

    // Through the fetcher: no page arrives, and each is given up in bounded time. The pauses
    // between rounds pass at once.
    FormDiProva f;
    Form& form = f.avvia();
    form.web.msTimeout = 1000;
    form.web.orologio = std::make_shared<test::OrologioFinto>();
    QElapsedTimer tutto;
    tutto.start();
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        const Arrivo a = form.web.EstrazionePaginadaInternet(s.base() + QString::fromLatin1(kPaginaGialle));
        const int tentativi = (form.web.regole.msPause.size() + 1) * 3;  // rounds of three routes
        EXPECT_LE(a.tentativi, tentativi);
        EXPECT_LT(t.elapsed(), tentativi * form.web.msTimeout + 1500);
        EXPECT_TRUE(a.mancante());
        EXPECT_TRUE(form.web.sTestoPagina.isEmpty());
    }
    EXPECT_LT(tutto.elapsed(), 40000);
}

// The yellow pages speak Windows-1252 and the white pages UTF-8; the fetcher gives the same names.
TEST(ServizioSim, AccentedNamesReadAlikeFromBothDirectories) {
    Simulatore s({"--seed", "1"});
    ASSERT_TRUE(s.avviato());
    Sito locale(1, s.porta());
    sim::Elenco& e = locale.elenco();
    httplib::Client cli("127.0.0.1", s.porta());
    FormDiProva f;
    Form& form = f.avvia();
    for (const QString& parola : {QStringLiteral(u"Più"), QStringLiteral(u"Città")}) {
        SCOPED_TRACE(parola.toStdString());
        // A business listed in both directories, within both lists' twenty pages.
        std::optional<sim::Azienda> trovata;
        int pagG = 0, pagB = 0;
        QString cosa, sigla;
        for (const char* c : {"Bar", "Farmacie", "Ristoranti"}) {
            for (const char* sg : {"FI", "BO", "NA", "TO"}) {
                int r = 0, p = 0;
                ASSERT_TRUE(e.provinciaDiSigla(sg, r, p));
                int iG = 0, iB = 0;
                for (const sim::Azienda& a : e.dellaProvincia(c, r, p)) {
                    if (a.gialle && a.bianche && a.nome.contains(parola) && iG < 200 && iB < 200) {
                        trovata = a;
                        pagG = iG / 10;
                        pagB = iB / 10;
                        break;
                    }
                    iG += a.gialle;
                    iB += a.bianche;
                }
                if (trovata) {
                    cosa = c;
                    sigla = sg;
                    break;
                }
            }
            if (trovata) break;
        }
        ASSERT_TRUE(trovata);
        const QString gialle =
            QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=0&qs=%1&dv=%2&be=%3").arg(cosa, sigla).arg(pagG * 10);
        const QString bianche = QStringLiteral("/execute.cgi?be=%3&btt=1&tl=2&tr=101&tc=&cb=&tq=2&qs=%1&qsn=&dv=%2&ind=&nc=")
                                    .arg(cosa, sigla)
                                    .arg(pagB * 10);
        // The bytes on the wire differ...
        const auto rg = cli.Get(gialle.toStdString());
        const auto rb = cli.Get(bianche.toStdString());
        ASSERT_TRUE(rg && rb);
        EXPECT_NE(rg->body.find(QStringEncoder("windows-1252").encode(parola).operator QByteArray().toStdString()),
                  std::string::npos);
        EXPECT_NE(rb->body.find(parola.toUtf8().toStdString()), std::string::npos);
        // ...and the fetched texts agree.
        for (const QString& percorso : {gialle, bianche}) {
            form.web.EstrazionePaginadaInternet(s.base() + percorso);
            const QString& t = form.web.sTestoPagina;
            EXPECT_TRUE(t.contains(trovata->nome)) << percorso.toStdString();
            EXPECT_FALSE(t.contains(QChar(0xfffd)) || t.contains(QStringLiteral(u"Ã"))) << percorso.toStdString();
        }
    }
}

TEST(ServizioSim, BadOptionsExitWithTwo) {
    const QStringList casi[] = {
        {"--port", "abc"},   {"--port", "70000"}, {"--port", "-1"},     {"--seed", "x"},
        {"--latenza", "-5"}, {"--guasti", "1.5"}, {"--guasti", "-0.1"}, {"--guasti", "molti"},
        {"--boh"},           {"--port"},          {"--log"},            {"stray"},
    };
    for (const QStringList& argomenti : casi) {
        SCOPED_TRACE(argomenti.join(' ').toStdString());
        QProcess p;
        p.start(Programma("geomerce-sim"), argomenti);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
        EXPECT_TRUE(p.readAllStandardError().contains("uso: geomerce-sim"));
    }
    QProcess aiuto;
    aiuto.start(Programma("geomerce-sim"), {"--help"});
    ASSERT_TRUE(aiuto.waitForFinished(5000));
    EXPECT_EQ(aiuto.exitCode(), 0);
}

}  // namespace
