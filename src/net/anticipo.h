// Fetching ahead: pages the walk is sure to ask for are requested before it asks, on the same
// thread, up to a number of requests at once (the walk's own included). Each booking is one first
// attempt; the walk takes it over when it asks for that address, and whatever else a page needs
// (its further rounds) the walk does as it always did.
#pragma once

#include <QMultiHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "net/richiesta_http.h"

class QNetworkAccessManager;

namespace gm {

class Anticipo : public QObject {
    Q_OBJECT
public:
    struct Prenotazione {
        QString url;
        qint64 priorita = 0;              // lower starts first
        std::unique_ptr<RichiestaHttp> r;  // null until started
        std::function<void()> arrivata;    // told when it ends, unless the walk has taken it
        bool presa = false;
        bool finita() const { return r && r->finita(); }
    };
    using Voce = std::shared_ptr<Prenotazione>;

    Anticipo(QNetworkAccessManager& nam, std::function<LimitiRichiesta()> limiti);
    ~Anticipo() override;

    // Requests at once to the services; 1 fetches nothing ahead.
    int massimo = 1;
    bool attivo() const { return massimo > 1; }
    // Whether an address may be asked now (its service is not dead); asked before each start.
    std::function<bool(const QString& url)> ammessa;
    // Polled while requests are in flight: a stop cancels them all.
    std::function<bool()> fermati;

    // Books url; it starts as soon as a place is free and no booking of lower priority waits.
    Voce prenota(const QString& url, qint64 priorita, std::function<void()> arrivata = {});
    // The walk takes a booking of url (started now if it was waiting); null when there is none.
    Voce prendi(const QString& url);
    // Cancels every booking not taken: those in flight are aborted.
    void annulla();

    // The walk's own request (one not booked) is in flight; it takes a place too.
    void camminoInVolo(bool v);
    // Every place taken: the walk waits for liberato() before a request of its own.
    bool pieno() const { return inVolo() >= std::max(1, massimo); }
    int inVolo() const { return m_inVolo + (m_cammino ? 1 : 0); }

signals:
    void liberato();

private:
    void avvia(const Voce& v);
    void avviaAltre();
    void concluso(const Voce& v);
    void togli(const Voce& v);

    QNetworkAccessManager& m_nam;
    std::function<LimitiRichiesta()> m_limiti;
    QMultiHash<QString, Voce> m_perUrl;  // booked and not taken
    std::vector<Voce> m_coda;            // booked and not started
    int m_inVolo = 0;                    // started bookings not ended, taken ones included
    bool m_cammino = false;
    QTimer m_sentinella;
};

}  // namespace gm
