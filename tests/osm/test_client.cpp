// The Overpass client against a scripted server on loopback, with the waits on the test's clock.
#include <gtest/gtest.h>

#include <httplib.h>

#include <QUrlQuery>

#include <mutex>
#include <thread>

#include "osm/client.h"
#include "support/ambiente_test.h"

using namespace gm::osm;

namespace {

struct Passo {
    int stato;
    std::string retryAfter;  // empty: none
};

// Answers each POST with the next step of its script (the last one repeats).
class ServerOverpass {
public:
    explicit ServerOverpass(std::vector<Passo> copione) : m_copione(std::move(copione)) {
        m_srv.Post("/api/interpreter", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> l(m_m);
            agenti.push_back(req.get_header_value("User-Agent"));
            corpi.push_back(req.body);
            const Passo& p = m_copione[std::min(m_copione.size() - 1, agenti.size() - 1)];
            res.status = p.stato;
            if (!p.retryAfter.empty()) res.set_header("Retry-After", p.retryAfter);
            res.set_content(p.stato == 200 ? "{\"elements\":[]}" : "busy", p.stato == 200 ? "application/json" : "text/plain");
        });
        m_porta = m_srv.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_srv.listen_after_bind(); });
    }
    ~ServerOverpass() {
        m_srv.stop();
        m_thread.join();
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_porta); }
    size_t richieste() {
        std::lock_guard<std::mutex> l(m_m);
        return agenti.size();
    }
    std::vector<std::string> agenti, corpi;

private:
    std::vector<Passo> m_copione;
    httplib::Server m_srv;
    std::thread m_thread;
    int m_porta = 0;
    std::mutex m_m;
};

// A client whose pauses are only written down.
struct ClientDiProva {
    ClientOverpass c;
    std::vector<int> attese;
    bool fermaAllaPausa = false;
    explicit ClientDiProva(const QString& base) {
        c.base = base;
        c.attendi = [this](int ms) {
            attese.push_back(ms);
            return !fermaAllaPausa;
        };
    }
};

TEST(ClientOverpass, OccupatoAttendeEPoiRiprova) {
    struct Caso {
        std::vector<Passo> copione;
        bool ok;
        std::vector<int> attese;
    };
    const Caso casi[] = {
        // Retry-After in seconds, then a growing pause without it.
        {{{429, "7"}, {504, ""}, {503, ""}, {200, ""}}, true, {7000, 20000, 40000}},
        {{{200, ""}}, true, {}},
        // Bounded: five attempts, no wait longer than the maximum whatever the server asks.
        {{{429, "99999"}}, false, {300000, 300000, 300000, 300000}},
        // A bad query does not improve by asking again.
        {{{400, ""}}, false, {}},
        {{{504, "abc"}, {200, ""}}, true, {10000}},
    };
    for (const Caso& k : casi) {
        ServerOverpass srv(k.copione);
        ClientDiProva p(srv.base());
        const ClientOverpass::Esito e = p.c.interroga(QStringLiteral("[out:json][timeout:25];node(1);out;"), 25);
        EXPECT_EQ(e.ok, k.ok);
        EXPECT_EQ(p.attese, k.attese);
        EXPECT_EQ(srv.richieste(), k.attese.size() + 1);
        if (!e.ok) {
            EXPECT_TRUE(e.errore.contains(QStringLiteral("HTTP"))) << e.errore.toStdString();
        }
    }
}

TEST(ClientOverpass, SiPresentaEMandaLaQuery) {
    ServerOverpass srv({{200, ""}});
    ClientDiProva p(srv.base());
    const QString query = QStringLiteral("[out:json][timeout:25];\nnwr[\"name\"=\"Caffè & Co\"];out center tags;");
    ASSERT_TRUE(p.c.interroga(query, 25).ok);
    ASSERT_EQ(srv.agenti.size(), 1u);
    EXPECT_EQ(srv.agenti[0].rfind("Geomerce/1.", 0), 0u) << srv.agenti[0];
    EXPECT_EQ(QUrlQuery(QString::fromStdString(srv.corpi[0])).queryItemValue("data", QUrl::FullyDecoded), query);
}

TEST(ClientOverpass, StopDuranteLAttesa) {
    ServerOverpass srv({{429, "5"}});
    ClientDiProva p(srv.base());
    p.fermaAllaPausa = true;
    const ClientOverpass::Esito e = p.c.interroga(QStringLiteral("x"), 25);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.errore, QStringLiteral("interrotto"));
    EXPECT_EQ(srv.richieste(), 1u);
}

TEST(ClientOverpass, ServizioAssenteNonSiAttende) {
    ClientDiProva p(QStringLiteral("http://127.0.0.1:1"));
    const ClientOverpass::Esito e = p.c.interroga(QStringLiteral("x"), 25);
    EXPECT_FALSE(e.ok);
    EXPECT_TRUE(p.attese.empty());
    EXPECT_TRUE(e.errore.startsWith(QStringLiteral("collegamento non riuscito")));
}

TEST(ClientOverpass, RetryAfter) {
    EXPECT_EQ(ClientOverpass::MsRetryAfter("12"), 12000);
    EXPECT_EQ(ClientOverpass::MsRetryAfter(" 0 "), 0);
    EXPECT_EQ(ClientOverpass::MsRetryAfter(""), -1);
    EXPECT_EQ(ClientOverpass::MsRetryAfter("-3"), -1);
    EXPECT_EQ(ClientOverpass::MsRetryAfter("domani"), -1);
    EXPECT_EQ(ClientOverpass::MsRetryAfter("Wed, 21 Oct 2015 07:28:00 GMT"), 0);  // in the past: at once
}

}  // namespace
