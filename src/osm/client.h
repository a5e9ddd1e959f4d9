// A polite client of a shared Overpass server: one request at a time, the program named in the
// User-Agent, busy answers (429, 503, 504) waited out as the server asks (Retry-After) or with a
// growing pause, a bounded number of attempts and a bounded answer.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QNetworkAccessManager;

namespace gm::osm {

class ClientOverpass {
public:
    ClientOverpass();
    ~ClientOverpass();
    ClientOverpass(const ClientOverpass&) = delete;
    ClientOverpass& operator=(const ClientOverpass&) = delete;

    // Scheme, host and optional port; the query goes to base + "/api/interpreter".
    QString base;
    int tentativiMassimi = 5;
    int msPausaIniziale = 10000;   // first pause without Retry-After, doubled at each attempt
    int msPausaMassima = 300000;   // no wait is longer, whatever the server asks
    int msMargine = 30000;         // local time-out = the query's server time-out + this
    qint64 nMaxByte;

    // Waits ms milliseconds keeping the program alive; false when a stop was asked meanwhile.
    // Tests put a clock of their own here.
    std::function<bool(int ms)> attendi;
    // True once the user asked to stop: a request in flight is dropped.
    std::function<bool()> fermato;
    // Tells the user why the program is waiting.
    std::function<void(const QString&)> avviso;

    struct Esito {
        bool ok = false;
        QByteArray corpo;
        QString errore;    // Italian, for the report of a failed area
        int tentativi = 0;
        int msAttesi = 0;  // total of the pauses between attempts
    };
    // Sends one query (POST, form field "data") and returns the answer body.
    Esito interroga(const QString& query, int timeoutServerS);

    static QString UserAgent();
    // Milliseconds a Retry-After header asks for (seconds or an HTTP date); -1 when absent or bad.
    static int MsRetryAfter(const QByteArray& valore);

private:
    struct Tentativo {
        int stato = 0;           // HTTP status, 0 when none came
        bool rete = false;       // the connection dropped or timed out: worth another try
        bool assente = false;    // no server there (refused, unknown host): not worth one
        bool troppo = false;     // the answer passed nMaxByte
        bool interrotto = false; // stopped by the user
        QByteArray corpo;
        QByteArray retryAfter;
        QString dettaglio;
    };
    Tentativo invia(const QString& query, int msTimeout);
    bool attesaPredefinita(int ms);

    QNetworkAccessManager* m_nam;
};

}  // namespace gm::osm
