#include "net/anticipo.h"

#include <algorithm>

namespace gm {

Anticipo::Anticipo(QNetworkAccessManager& nam, std::function<LimitiRichiesta()> limiti)
    : m_nam(nam), m_limiti(std::move(limiti)) {
    m_sentinella.setInterval(100);
    connect(&m_sentinella, &QTimer::timeout, this, [this] {
        if (m_inVolo == 0)
            m_sentinella.stop();
        else if (fermati && fermati())
            annulla();
    });
}

Anticipo::~Anticipo() { annulla(); }

Anticipo::Voce Anticipo::prenota(const QString& url, qint64 priorita, std::function<void()> arrivata) {
    auto v = std::make_shared<Prenotazione>();
    v->url = url;
    v->priorita = priorita;
    v->arrivata = std::move(arrivata);
    m_perUrl.insert(url, v);
    // After the bookings of the same priority: equal needs start in the order they were found.
    const auto dove = std::upper_bound(m_coda.begin(), m_coda.end(), priorita,
                                       [](qint64 p, const Voce& w) { return p < w->priorita; });
    m_coda.insert(dove, v);
    avviaAltre();
    return v;
}

Anticipo::Voce Anticipo::prendi(const QString& url) {
    Voce scelta;
    for (auto it = m_perUrl.find(url); it != m_perUrl.end() && it.key() == url; ++it) {
        const Voce& v = it.value();
        // The most advanced booking serves best.
        if (!scelta || (v->finita() && !scelta->finita()) || (v->r && !scelta->r)) scelta = v;
    }
    if (!scelta) return {};
    togli(scelta);
    scelta->presa = true;
    // One not started yet is no help: the walk asks itself, in its turn.
    return scelta->r ? scelta : Voce{};
}

void Anticipo::togli(const Voce& v) {
    m_perUrl.remove(v->url, v);
    const auto it = std::find(m_coda.begin(), m_coda.end(), v);
    if (it != m_coda.end()) m_coda.erase(it);
}

void Anticipo::annulla() {
    const QList<Voce> tutte = m_perUrl.values();
    m_perUrl.clear();
    m_coda.clear();
    for (const Voce& v : tutte) {
        v->presa = true;  // no word of it to anyone
        if (v->r) v->r->ferma();
    }
}

void Anticipo::camminoInVolo(bool v) {
    m_cammino = v;
    if (!v) {
        avviaAltre();
        emit liberato();
    }
}

void Anticipo::avviaAltre() {
    for (size_t i = 0; i < m_coda.size() && !pieno();) {
        const Voce v = m_coda[i];
        if (ammessa && !ammessa(v->url)) {
            ++i;  // waits: the walk will find its service dead and not ask
            continue;
        }
        m_coda.erase(m_coda.begin() + std::ptrdiff_t(i));
        avvia(v);
    }
}

void Anticipo::avvia(const Voce& v) {
    v->r = std::make_unique<RichiestaHttp>(m_nam, v->url, m_limiti());
    if (v->r->finita()) {  // not an address at all: nothing went out
        if (!v->presa && v->arrivata) v->arrivata();
        return;
    }
    ++m_inVolo;
    connect(v->r.get(), &RichiestaHttp::conclusa, this,
            [this, w = std::weak_ptr<Prenotazione>(v)] { concluso(w.lock()); });
    if (!m_sentinella.isActive()) m_sentinella.start();
}

void Anticipo::concluso(const Voce& v) {
    --m_inVolo;
    // The one who booked it hears first: what it books next outranks what was waiting.
    if (v && !v->presa && v->arrivata) v->arrivata();
    avviaAltre();
    emit liberato();
}

}  // namespace gm
