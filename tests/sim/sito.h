// Helpers for the directory-service tests: pages asked of a service object without a socket,
// read the way the program reads them.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QUrlQuery>

#include <memory>

#include "sim/pagine.h"
#include "sim/servizio.h"

namespace gm::test {

inline QList<std::pair<QString, QString>> Parametri(const QString& query) {
    QList<std::pair<QString, QString>> p;
    for (const auto& kv : QUrlQuery(query).queryItems(QUrl::FullyDecoded)) p.append({kv.first, kv.second});
    return p;
}

// One service per seed, without a socket.
struct Sito {
    std::unique_ptr<sim::Servizio> s;
    // porta: the port a started service with this seed listens on, so that absolute links agree.
    explicit Sito(quint64 seme = 1, int porta = 0) {
        sim::Opzioni o;
        o.porta = porta;
        o.seme = seme;
        s = std::make_unique<sim::Servizio>(o);
    }
    sim::Elenco& elenco() { return s->elenco(); }
    sim::Servizio::Risposta risposta(const QString& percorso, const QString& query) {
        return s->rispondi(percorso, Parametri(query));
    }
    // The page text as the fetcher leaves it: "&amp;" back to "&", no line feeds.
    QString pagina(const QString& percorso, const QString& query) {
        QString t = risposta(percorso, query).testo;
        t.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        t.remove(u'\n');
        return t;
    }
    QString gialle(const QString& query) { return pagina(QStringLiteral("/pg/cgi/pgsearch.cgi"), query); }
    QString bianche(const QString& query) { return pagina(QStringLiteral("/execute.cgi"), query); }
};

// Inside Italy's bounding box; latitude and longitude ranges do not overlap, so a swap shows.
inline bool LatitudineItalia(double v) { return v > 35.4 && v < 47.2; }
inline bool LongitudineItalia(double v) { return v > 6.5 && v < 18.6; }

// Number right behind a marker such as "lx=", or NaN.
inline double NumeroDopo(const QString& testo, const QString& marcatore) {
    const qsizetype i = testo.indexOf(marcatore);
    if (i < 0) return qQNaN();
    static const QRegularExpression re(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?"));
    const auto m = re.match(QStringView(testo).mid(i + marcatore.size()));
    return m.hasMatch() ? m.captured(0).toDouble() : qQNaN();
}

}  // namespace gm::test
