#include <gtest/gtest.h>

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>

#include "support/ambiente_test.h"

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

    void SetUp() override {
        form = &f.avvia();
        web = &form->web;
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
                                  "<html><head><meta charset=\"utf-8\"></head>perch\xc3\xa9"};
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
    for (const char* p : {"/errore", "/muto", "/caduta", "/grande", "/inesistente"}) {
        SCOPED_TRACE(p);
        web->EstrazionePaginadaInternet(server.url("/crlf"));
        ASSERT_FALSE(web->sTestoPagina.isEmpty());
        form->c.lblTent.setCaption("");
        web->EstrazionePaginadaInternet(server.url(p));
        EXPECT_TRUE(web->sTestoPagina.isEmpty());
        EXPECT_EQ(form->c.lblTent.caption(), "**");
        EXPECT_EQ(server.conteggio(p), 3);
        EXPECT_FALSE(QFile::exists(form->amb.sFilePagina));
        EXPECT_TRUE(f.dialoghi.mostrati.isEmpty());
    }
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
        {"/meta", QStringLiteral(u"<html><head><meta charset=\"utf-8\"></head>perché")},
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

}  // namespace
