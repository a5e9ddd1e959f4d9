// Rounds for pages that did not arrive and the dead-service rule, on a clock the test moves.
#include <gtest/gtest.h>

#include "net/tentativi.h"
#include "support/orologio_finto.h"

using namespace gm;
using gm::test::OrologioFinto;

namespace {

// One round that costs ms on the clock and ends with esito (and the HTTP status).
auto Giro(OrologioFinto& o, qint64 ms, EsitoPagina esito, int stato = 0) {
    return [&o, ms, esito, stato](Arrivo& a) {
        o.t += ms;
        a.esito = esito;
        a.statoHttp = stato;
    };
}

// The time from the first request until the service is called dead, with the default rules and
// a fetcher time-out of msTimeout.
TEST(Tentativi, DeadServiceRecognisedWithinItsBound) {
    struct Caso {
        const char* nome;
        EsitoPagina esito;
        qint64 costo;  // of one attempt
        qint64 limite;
    } casi[] = {
        {"refused", EsitoPagina::Rifiutata, 5, 60000},
        {"never answers", EsitoPagina::Scaduta, 20000, 150000},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        OrologioFinto o;
        SaluteServizi salute;
        const RegoleTentativi regole;
        int richieste = 0;
        Arrivo a;
        while (!a.servizioMorto && richieste < 100) {
            a = RipetiRichiesta("http://x/p", "http://x:80", salute, o, regole, {}, Giro(o, c.costo, c.esito));
            ++richieste;
        }
        EXPECT_TRUE(a.servizioMorto);
        EXPECT_EQ(richieste, regole.richiesteSenzaRisposta);
        EXPECT_LE(o.t, c.limite);
        // Once dead, the service is not asked again until a new run.
        bool chiesto = false;
        a = RipetiRichiesta("http://x/q", "http://x:80", salute, o, regole, {}, [&](Arrivo&) { chiesto = true; });
        EXPECT_EQ(a.esito, EsitoPagina::NonRichiesta);
        EXPECT_FALSE(chiesto);
        EXPECT_TRUE(a.mancante());
        EXPECT_EQ(salute.morti(), QStringList{"http://x:80"});
        salute.azzera();
        EXPECT_FALSE(salute.morto("http://x:80"));
    }
}

TEST(Tentativi, RoundsFollowTheFaultOfThePage) {
    struct Caso {
        const char* nome;
        QVector<EsitoPagina> giri;  // what each round meets
        int stato;
        EsitoPagina finale;
        int giriFatti;
        QVector<qint64> pause;
    } casi[] = {
        {"arrives at once", {EsitoPagina::Arrivata}, 200, EsitoPagina::Arrivata, 1, {}},
        {"arrives at the third round", {EsitoPagina::Vuota, EsitoPagina::Troncata, EsitoPagina::Arrivata}, 200, EsitoPagina::Arrivata, 3,
         {1000, 2000}},
        {"server error to the end", {EsitoPagina::ErroreHttp}, 500, EsitoPagina::ErroreHttp, 4, {1000, 2000, 4000}},
        {"busy server", {EsitoPagina::ErroreHttp}, 429, EsitoPagina::ErroreHttp, 4, {1000, 2000, 4000}},
        {"missing page: no second round", {EsitoPagina::ErroreHttp}, 404, EsitoPagina::ErroreHttp, 1, {}},
        {"oversized page: no second round", {EsitoPagina::TroppoGrande}, 200, EsitoPagina::TroppoGrande, 1, {}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        OrologioFinto o;
        SaluteServizi salute;
        int n = 0;
        const Arrivo a = RipetiRichiesta("http://x/p", "http://x:80", salute, o, {}, {}, [&](Arrivo& g) {
            g.esito = c.giri[std::min<qsizetype>(n++, c.giri.size() - 1)];
            g.statoHttp = g.esito == EsitoPagina::ErroreHttp ? c.stato : 200;
        });
        EXPECT_EQ(a.esito, c.finale);
        EXPECT_EQ(a.giri, c.giriFatti);
        EXPECT_EQ(o.pause, c.pause);
        EXPECT_FALSE(a.servizioMorto);  // the server answered every time
    }
}

TEST(Tentativi, AnAnswerInBetweenKeepsTheServiceAlive) {
    OrologioFinto o;
    SaluteServizi salute;
    for (int i = 0; i < 10; ++i) {
        const Arrivo muta = RipetiRichiesta("http://x/p", "http://x:80", salute, o, {}, {}, Giro(o, 0, EsitoPagina::Rifiutata));
        EXPECT_FALSE(muta.servizioMorto);
        if (i % 2 == 1) RipetiRichiesta("http://x/p", "http://x:80", salute, o, {}, {}, Giro(o, 0, EsitoPagina::Arrivata));
        // Another service's silence is its own.
        RipetiRichiesta("http://y/p", "http://y:80", salute, o, {}, {}, Giro(o, 0, EsitoPagina::Arrivata));
    }
    EXPECT_FALSE(salute.morto("http://x:80"));
}

TEST(Tentativi, StopDuringAPauseEndsTheRequestWithoutCountingItMissing) {
    OrologioFinto o;
    SaluteServizi salute;
    bool stop = false;
    o.durantePausa = [&] { stop = true; };
    const Arrivo a =
        RipetiRichiesta("http://x/p", "http://x:80", salute, o, {}, [&] { return stop; }, Giro(o, 0, EsitoPagina::Rifiutata));
    EXPECT_EQ(a.esito, EsitoPagina::Fermata);
    EXPECT_EQ(a.giri, 1);
    EXPECT_FALSE(a.mancante());
}

TEST(Tentativi, BodyJudgedByStatusLengthAndClosingTag) {
    struct Caso {
        int stato;
        QByteArray corpo;
        EsitoPagina atteso;
    } casi[] = {
        {200, "<html><body>ok</body></html>\n", EsitoPagina::Arrivata},
        {200, "<!DOCTYPE html>\n<HTML><BODY>ok</BODY></HTML>", EsitoPagina::Arrivata},
        {200, "<!DOCTYPE html>\n<html><body><table><tr><td>Rossi", EsitoPagina::Troncata},
        {200, "lx=12.5&ly=41.9", EsitoPagina::Arrivata},  // not a page: no closing tag to ask for
        {200, "", EsitoPagina::Vuota},
        {500, "<html><body>Internal Server Error</body></html>", EsitoPagina::ErroreHttp},
        {404, "", EsitoPagina::ErroreHttp},
        {200, QByteArray("<html>\0\xff\xfe", 9), EsitoPagina::Troncata},
    };
    for (const Caso& c : casi) EXPECT_EQ(ValutaCorpo(c.stato, c.corpo), c.atteso) << c.corpo.toStdString();
}

}  // namespace
