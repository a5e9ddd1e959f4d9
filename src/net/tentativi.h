// Whether a page arrived, the rounds a page that did not arrive gets, and the health of each
// service: a service whose last requests all went unanswered is called dead and no longer asked.
#pragma once

#include <QHash>
#include <QString>
#include <QVector>

#include <functional>

namespace gm {

// How one request for a page ended.
enum class EsitoPagina {
    Arrivata,
    Rifiutata,     // connection refused, reset or closed before any answer; host not found
    Scaduta,       // no complete answer within the time-out
    ErroreHttp,    // an error status
    Vuota,         // status fine, body empty
    Troncata,      // connection closed before the announced length, or HTML without its </html>
    TroppoGrande,  // over the size limit
    NonValida,     // not an http(s) address
    Fermata,       // the user asked to stop
    NonRichiesta,  // the service had been called dead: not asked again
};

// What became of one request, after all its rounds.
struct Arrivo {
    QString url;
    EsitoPagina esito = EsitoPagina::Arrivata;
    int statoHttp = 0;
    int giri = 0;                  // rounds made
    int tentativi = 0;             // attempts made over all routes and rounds
    bool servizioMorto = false;    // this request made its service be called dead

    bool arrivata() const { return esito == EsitoPagina::Arrivata; }
    // The server gave no answer at all: what makes a service dead.
    bool senzaRisposta() const { return esito == EsitoPagina::Rifiutata || esito == EsitoPagina::Scaduta; }
    // Worth asking again: a fault that may clear.
    bool ripetibile() const;
    // Counts as a page that never arrived (a stop is not a fault of the page).
    bool mancante() const { return !arrivata() && esito != EsitoPagina::Fermata; }
    QString descrizione() const;
};

// Classifies an answer that came: status, body and whether the transfer was cut.
EsitoPagina ValutaCorpo(int statoHttp, const QByteArray& corpo);

struct RegoleTentativi {
    // Pauses before the second, third, ... round: a page gets one round more than pauses.
    QVector<int> msPause{1000, 2000, 4000};
    // Consecutive unanswered requests to one service that make it dead.
    int richiesteSenzaRisposta = 3;
    // After this long without any answer a service's requests get their first round only.
    qint64 msSilenzioMassimo = 45000;
};

// The time the fetcher waits on: pauses between rounds. Tests put in one that does not sleep.
class Orologio {
public:
    virtual ~Orologio() = default;
    virtual qint64 adesso();  // milliseconds, monotonic
    // Pauses ms milliseconds keeping the event loop turning; false when fermati() became true.
    virtual bool attendi(qint64 ms, const std::function<bool()>& fermati);
};

// Health of the services, by origin (scheme, host and port).
class SaluteServizi {
public:
    bool morto(const QString& origine) const { return m_stati.value(origine).morto; }
    // Whether a request to origine may make another round at time adesso.
    bool altroGiro(const QString& origine, qint64 adesso, const RegoleTentativi& r) const;
    // After each attempt: whether the server answered at all; inizio is when the attempt began.
    void tentativo(const QString& origine, bool risposta, qint64 inizio);
    // After each request; true when it made the service dead.
    bool fineRichiesta(const QString& origine, const Arrivo& a, const RegoleTentativi& r);
    // Every service alive again (a new run).
    void azzera() { m_stati.clear(); }
    // Origins called dead, in the order they died.
    QStringList morti() const { return m_morti; }

private:
    struct Stato {
        int richiesteMute = 0;
        qint64 inizioSilenzio = -1;
        bool morto = false;
    };
    QHash<QString, Stato> m_stati;
    QStringList m_morti;
};

// One request with its rounds. giro makes one round (every route once) and fills the request's
// Arrivo; between rounds the clock pauses. Everything the rounds need lives in the Arrivo and in
// the caller's lambda, so requests may overlap.
Arrivo RipetiRichiesta(const QString& url, const QString& origine, SaluteServizi& salute, Orologio& orologio,
                       const RegoleTentativi& regole, const std::function<bool()>& fermati,
                       const std::function<void(Arrivo&)>& giro);

}  // namespace gm
