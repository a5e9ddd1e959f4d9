#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "support/ambiente_test.h"
#include "support/orologio_finto.h"

using namespace gm;

namespace {

// What the test server does for one path.
struct Risposta {
    enum Tipo { Normale, Muto, Caduta } tipo = Normale;
    int stato = 200;
    QByteArray tipoContenuto = "text/html";
    QByteArray corpo;
};

// A tiny HTTP/1.0 server on loopback, run by the same event loop as the fetcher.
class Server {
public:
    std::map<QByteArray, Risposta> pagine;
    std::map<QByteArray, std::deque<Risposta>> primeRisposte;  // answers given first, one a request
    QList<QByteArray> richieste;           // request targets in arrival order
    std::function<void()> allaRichiesta;   // called as each request arrives

    Server() {
        srv.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&srv, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = srv.nextPendingConnection()) {
                s->setParent(&srv);
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { leggi(s); });
            }
        });
    }
    QString url(const QByteArray& percorso) const {
        return QStringLiteral("http://127.0.0.1:%1").arg(srv.serverPort()) + QString::fromLatin1(percorso);
    }
    int conteggio(const QByteArray& bersaglio) const { return int(richieste.count(bersaglio)); }

private:
    void leggi(QTcpSocket* s) {
        QByteArray& buf = buffer[s];
        buf += s->readAll();
        if (!buf.contains("\r\n\r\n")) return;
        const QList<QByteArray> prima = buf.left(buf.indexOf("\r\n")).split(' ');
        const QByteArray bersaglio = prima.size() > 1 ? prima[1] : QByteArray();
        buf.clear();
        richieste << bersaglio;
        if (allaRichiesta) allaRichiesta();
        QByteArray percorso = bersaglio.left(bersaglio.indexOf('?') < 0 ? bersaglio.size() : bersaglio.indexOf('?'));
        auto it = pagine.find(percorso);
        Risposta r = it != pagine.end() ? it->second : Risposta{Risposta::Normale, 404, "text/plain", "no"};
        if (auto p = primeRisposte.find(percorso); p != primeRisposte.end() && !p->second.empty()) {
            r = p->second.front();
            p->second.pop_front();
        }
        if (percorso == "/eco") r.corpo = bersaglio;
        if (r.tipo == Risposta::Muto) return;
        if (r.tipo == Risposta::Caduta) {
            s->write("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\npartial");
            s->flush();
            s->abort();
            return;
        }
        QByteArray h = "HTTP/1.0 " + QByteArray::number(r.stato) + " X\r\nContent-Type: " + r.tipoContenuto +
                       "\r\nContent-Length: " + QByteArray::number(r.corpo.size()) + "\r\nConnection: close\r\n\r\n";
        s->write(h + r.corpo);
        s->disconnectFromHost();
    }
    QTcpServer srv;
    std::map<QTcpSocket*, QByteArray> buffer;
};

struct Banco : ::testing::Test {
    test::FormDiProva f;
    Form* form = nullptr;
    PaginaWeb* web = nullptr;
    Server server;
    std::shared_ptr<test::OrologioFinto> orologio = std::make_shared<test::OrologioFinto>();

    void SetUp() override {
        form = &f.avvia();
        web = &form->web;
        web->orologio = orologio;
        web->msTimeout = 1500;
        server.pagine["/crlf"] = {Risposta::Normale, 200, "text/html", "uno\r\ndue\rtre\nquattro\tcinque"};
        server.pagine["/entita"] = {Risposta::Normale, 200, "text/html",
                                    "A&AMP;B &Nbsp;C&amp;nbsp;D &aMp;amp; E&NBSP;"};
        server.pagine["/errore"] = {Risposta::Normale, 500, "text/html", "Internal error page"};
        server.pagine["/eco"] = {};
        server.pagine["/muto"] = {Risposta::Muto};
        server.pagine["/caduta"] = {Risposta::Caduta};
        server.pagine["/grande"] = {Risposta::Normale, 200, "text/html", QByteArray(20000, 'x')};
        server.pagine["/utf8"] = {Risposta::Normale, 200, "text/html; charset=UTF-8", "citt\xc3\xa0"};
        server.pagine["/win"] = {Risposta::Normale, 200, "text/html", "citt\xe0 \x80"};
        server.pagine["/meta"] = {Risposta::Normale, 200, "text/html",
                                  "<html><head><meta charset=\"utf-8\"></head>perch\xc3\xa9</html>"};
    }
    // Makes the download route fail: the page file lies in a folder that does not exist.
    void senzaFilePagina() { form->amb.sFilePagina = f.percorso("manca/mk000001.html"); }
};

TEST_F(Banco, CarriageReturnsVanishOnlyThroughTheDownloadRoute) {
    struct Caso {
        bool viaFile;
        const char* atteso;
        int richieste;
    } casi[] = {
        {true, "unoduetrequattrocinque", 1},
        {false, "uno\rdue\rtrequattrocinque", 3},  // two failed downloads, then the GET
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.viaFile);
        server.richieste.clear();
        if (!c.viaFile) senzaFilePagina();
        form->c.lblTent.setCaption("");
        web->EstrazionePaginadaInternet(server.url("/crlf"));
        EXPECT_EQ(web->sTestoPagina, QString::fromLatin1(c.atteso));
        EXPECT_EQ(server.conteggio("/crlf"), c.richieste);
        EXPECT_EQ(form->c.lblTent.caption(), c.viaFile ? QString() : QStringLiteral("**"));
        EXPECT_FALSE(QFile::exists(form->amb.sFilePagina));
        EXPECT_EQ(form->c.lblTent.foreColor(), kVerde);
    }
}

TEST_F(Banco, SecondFetchDownloadsAgain) {
    web->EstrazionePaginadaInternet(server.url("/crlf"));
    server.pagine["/crlf"].corpo = "nuova";
    web->EstrazionePaginadaInternet(server.url("/crlf"));
    EXPECT_EQ(web->sTestoPagina, "nuova");
    EXPECT_EQ(server.conteggio("/crlf"), 2);
}

TEST_F(Banco, EntitiesReplacedWhateverTheirCase) {
    for (bool viaFile : {true, false}) {
        if (!viaFile) senzaFilePagina();
        web->EstrazionePaginadaInternet(server.url("/entita"));
        // one pass only: an entity spelled out twice keeps its inner one
        EXPECT_EQ(web->sTestoPagina, "A&B  C D &amp; E ") << viaFile;
    }
}

TEST_F(Banco, FailuresGiveAnEmptyPageAndClearThePreviousOne) {
    web->msTimeout = 300;
    web->nMaxByte = 10000;
    server.pagine["/tagliata"] = {Risposta::Normale, 200, "text/html", "<html><body><p>Rossi Mario"};
    server.pagine["/vuota"] = {Risposta::Normale, 200, "text/html", ""};
    struct Caso {
        const char* percorso;
        EsitoPagina esito;
        int richieste;  // four rounds of three routes for a fault that may clear
    } casi[] = {
        {"/errore", EsitoPagina::ErroreHttp, 12}, {"/caduta", EsitoPagina::Troncata, 12}, {"/tagliata", EsitoPagina::Troncata, 12},
        {"/vuota", EsitoPagina::Vuota, 12},       {"/muto", EsitoPagina::Scaduta, 4},    {"/grande", EsitoPagina::TroppoGrande, 1},
        {"/inesistente", EsitoPagina::ErroreHttp, 1},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.percorso);
        web->EstrazionePaginadaInternet(server.url("/crlf"));
        ASSERT_FALSE(web->sTestoPagina.isEmpty());
        const Arrivo a = web->EstrazionePaginadaInternet(server.url(c.percorso));
        EXPECT_TRUE(web->sTestoPagina.isEmpty());
        EXPECT_EQ(a.esito, c.esito);
        EXPECT_TRUE(a.mancante());
        EXPECT_FALSE(a.servizioMorto);
        EXPECT_EQ(server.conteggio(c.percorso), c.richieste);
        EXPECT_FALSE(QFile::exists(form->amb.sFilePagina));
        EXPECT_TRUE(f.dialoghi.mostrati.isEmpty());
    }
}

// A page that arrives at a later round reads as if it had come at once, whatever failed before.
TEST_F(Banco, PageArrivingAtALaterRoundReadsLikeACleanOne) {
    const QByteArray pagina = "<html><body>Farmacia\r\nRossi &amp; C.</body></html>";
    server.pagine["/p"] = {Risposta::Normale, 200, "text/html", pagina};
    const Arrivo pulita = web->EstrazionePaginadaInternet(server.url("/p"));
    const QString attesa = web->sTestoPagina;
    ASSERT_TRUE(pulita.arrivata());
    const Risposta tagliata{Risposta::Normale, 200, "text/html", pagina.left(20)};
    const Risposta errore{Risposta::Normale, 503, "text/html", "<html>busy</html>"};
    const Risposta vuota{Risposta::Normale, 200, "text/html", ""};
    const Risposta caduta{Risposta::Caduta};
    // Two rounds of three faults each; the third round's first try arrives.
    server.primeRisposte["/p"] = {tagliata, errore, caduta, vuota, errore, caduta, vuota};
    orologio->pause.clear();
    const Arrivo a = web->EstrazionePaginadaInternet(server.url("/p"));
    EXPECT_TRUE(a.arrivata());
    EXPECT_EQ(a.giri, 3);
    EXPECT_EQ(web->sTestoPagina, attesa);
    EXPECT_EQ(orologio->pause, (QVector<qint64>{1000, 2000}));
}

// A refused port and a server that accepts and never answers: after a few requests the service
// counts as dead and is asked no more, until a new run makes it alive again.
TEST_F(Banco, SilentServiceCalledDeadAfterAFewRequests) {
    web->msTimeout = 200;
    QTcpServer chiuso;
    ASSERT_TRUE(chiuso.listen(QHostAddress::LocalHost, 0));
    const QString rifiutato = QStringLiteral("http://127.0.0.1:%1").arg(chiuso.serverPort());
    chiuso.close();
    for (const QString& base : {rifiutato, server.url("")}) {
        SCOPED_TRACE(base.toStdString());
        const bool muto = base != rifiutato;
        if (muto) server.pagine["/p"] = {Risposta::Muto};
        QList<Arrivo> visti;
        web->esitoRichiesta = [&](const Arrivo& a) { visti << a; };
        Arrivo a;
        for (int i = 0; i < 3; ++i) {
            EXPECT_FALSE(a.servizioMorto) << i;
            a = web->EstrazionePaginadaInternet(base + "/p");
            EXPECT_EQ(a.esito, muto ? EsitoPagina::Scaduta : EsitoPagina::Rifiutata);
        }
        EXPECT_TRUE(a.servizioMorto);
        const int chieste = server.conteggio("/p");
        a = web->EstrazionePaginadaInternet(base + "/p");
        EXPECT_EQ(a.esito, EsitoPagina::NonRichiesta);
        EXPECT_EQ(server.conteggio("/p"), chieste);
        EXPECT_EQ(visti.size(), 4);
        web->salute.azzera();
        web->esitoRichiesta = nullptr;
    }
    // The first service's death did not reach the second.
    server.pagine["/p"] = {Risposta::Normale, 200, "text/html", "<html>ok</html>"};
    EXPECT_TRUE(web->EstrazionePaginadaInternet(server.url("/p")).arrivata());
}

TEST_F(Banco, UnreachableOrMalformedAddressGivesAnEmptyPage) {
    for (const QString u : {QStringLiteral("http://127.0.0.1:1/x"), QStringLiteral("non un url"), QString(),
                            QStringLiteral("file:///etc/passwd")}) {
        web->EstrazionePaginadaInternet(u);
        EXPECT_TRUE(web->sTestoPagina.isEmpty()) << u.toStdString();
    }
}

TEST_F(Banco, DecodedByTheNamedCharsetElseWindows1252) {
    struct Caso {
        const char* percorso;
        QString atteso;
    } casi[] = {
        {"/utf8", QStringLiteral(u"città")},
        {"/win", QStringLiteral(u"città €")},
        {"/meta", QStringLiteral(u"<html><head><meta charset=\"utf-8\"></head>perché</html>")},
    };
    for (bool viaFile : {true, false}) {
        if (!viaFile) senzaFilePagina();
        for (const auto& c : casi) {
            web->EstrazionePaginadaInternet(server.url(c.percorso));
            EXPECT_EQ(web->sTestoPagina, c.atteso) << c.percorso << viaFile;
        }
    }
}

TEST_F(Banco, QueryTextReachesTheServerPercentEncoded) {
    web->EstrazionePaginadaInternet(server.url("/eco?cosa=Bar l'angolo, sport&dove=Reggio Emilia"));
    const QByteArray ricevuto = web->sTestoPagina.toLatin1();
    EXPECT_EQ(QUrl::fromPercentEncoding(ricevuto), "/eco?cosa=Bar l'angolo, sport&dove=Reggio Emilia");
    EXPECT_FALSE(ricevuto.contains(' '));
}

TEST_F(Banco, OriginMarkersLitDuringTheFetchAndOffAfter) {
    // The markers follow the configured service a URL belongs to: by its base address, and by the
    // service's path where the services share one address (as the built-in service does).
    const QString base = server.url("");
    const QString altrove = QStringLiteral("http://127.0.0.1:1");
    for (const char* p : {"/pg/cgi/pgsearch.cgi", "/execute.cgi", "/map/places.cgi"})
        server.pagine[p] = server.pagine["/crlf"];
    struct Caso {
        const char* percorso;
        bool soloGialleQui;  // yellow pages at this address, the other services elsewhere
        bool gialle, bianche;
    } casi[] = {
        {"/pg/cgi/pgsearch.cgi?qs=Bar&dv=RM", false, true, false},
        {"/execute.cgi?tr=101&qs=Bar", false, false, true},
        {"/map/places.cgi?addr2=Via", false, true, true},
        {"/crlf?s=paginegialle", false, false, false},
        {"/crlf", true, true, false},
        {"/execute.cgi?tr=101", true, true, false},
    };
    auto& o = form->c.lblOrigine;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.percorso);
        form->amb.servizi = {base, c.soloGialleQui ? altrove : base, c.soloGialleQui ? altrove : base};
        bool visti[4] = {};
        Colore colore;
        server.allaRichiesta = [&] {
            for (int i = 0; i < 4; ++i) visti[i] = o[i]->visible();
            colore = form->c.lblTent.foreColor();
        };
        web->EstrazionePaginadaInternet(server.url(c.percorso));
        EXPECT_EQ(visti[0], c.gialle);
        EXPECT_EQ(visti[3], c.gialle);
        EXPECT_EQ(visti[1], c.bianche);
        EXPECT_EQ(visti[2], c.bianche);
        EXPECT_EQ(colore, kRosso);
        for (int i = 0; i < 4; ++i) EXPECT_FALSE(o[i]->visible());
        EXPECT_EQ(form->c.lblTent.foreColor(), kVerde);
    }
}

// Fetching ahead. Waits for the event loop until fatto holds or a second has passed.
void Attendi(const std::function<bool()>& fatto) {
    QElapsedTimer t;
    t.start();
    while (!fatto() && t.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

// A booked page reads as the walk would read it fetched at its turn, through either route.
TEST_F(Banco, BookedPageReadsAsTheFetchedOne) {
    web->anticipo.massimo = 4;
    for (const char* percorso : {"/crlf", "/entita", "/utf8", "/win", "/meta", "/errore"}) {
        for (bool viaFile : {true, false}) {
            SCOPED_TRACE(std::string(percorso) + (viaFile ? " file" : " GET"));
            const QString file = form->amb.sFilePagina;
            if (!viaFile) form->amb.sFilePagina.clear();
            const auto v = web->anticipo.prenota(server.url(percorso), 0);
            Attendi([&] { return v->finita(); });
            ASSERT_TRUE(v->finita());
            const QString anticipato = web->TestoAnticipato(*v->r);
            web->anticipo.annulla();
            web->EstrazionePaginadaInternet(server.url(percorso));
            EXPECT_EQ(anticipato, web->sTestoPagina);
            form->amb.sFilePagina = file;
        }
    }
}

// The walk takes over the booked first attempt: a page that arrived is not asked again, one that
// failed gets only the attempts a page fetched at its turn gets.
TEST_F(Banco, WalkTakesOverTheBookedFirstAttempt) {
    web->anticipo.massimo = 4;
    for (const char* percorso : {"/crlf", "/errore"}) {
        SCOPED_TRACE(percorso);
        server.richieste.clear();
        web->EstrazionePaginadaInternet(server.url(percorso));
        const int aTurno = server.conteggio(percorso);
        const QString testo = web->sTestoPagina;
        server.richieste.clear();
        const auto v = web->anticipo.prenota(server.url(percorso), 0);
        Attendi([&] { return v->finita(); });
        web->EstrazionePaginadaInternet(server.url(percorso));
        EXPECT_EQ(web->sTestoPagina, testo);
        EXPECT_EQ(server.conteggio(percorso), aTurno);
        EXPECT_EQ(web->anticipo.inVolo(), 0);
    }
}

// Bookings start by priority within the limit of requests at once; cancelled ones are never
// asked and nobody hears of them.
TEST_F(Banco, BookingsKeepTheLimitAndThePriorityAndCancelCleanly) {
    auto& a = web->anticipo;
    a.massimo = 3;
    QStringList arrivate;
    int massimoVisto = 0;
    auto prenota = [&](const QByteArray& p, qint64 priorita) {
        return a.prenota(server.url(p), priorita, [&, p] {
            arrivate << QString::fromLatin1(p);
            massimoVisto = std::max(massimoVisto, a.inVolo());
        });
    };
    server.allaRichiesta = [&] { massimoVisto = std::max(massimoVisto, a.inVolo()); };
    prenota("/muto", 0);
    prenota("/muto", 0);
    prenota("/eco?z", 9);  // the last free place
    prenota("/eco?b", 2);
    prenota("/eco?a", 1);
    Attendi([&] { return arrivate.size() == 3; });
    EXPECT_EQ(arrivate, (QStringList{"/eco?z", "/eco?a", "/eco?b"}));
    EXPECT_LE(massimoVisto, 3);
    EXPECT_EQ(a.inVolo(), 2);

    prenota("/muto", 0);
    prenota("/eco?mai", 0);  // waits behind the three silent requests
    a.annulla();
    EXPECT_EQ(a.inVolo(), 0);
    Attendi([] { return false; });
    EXPECT_EQ(server.conteggio("/eco?mai"), 0);
    EXPECT_EQ(arrivate.size(), 3);
}

}  // namespace
