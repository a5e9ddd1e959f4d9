#include "osm/client.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include "osm/overpass.h"

namespace gm::osm {

ClientOverpass::ClientOverpass() : nMaxByte(kMaxByteRisposta), m_nam(new QNetworkAccessManager) {
    m_nam->setCache(nullptr);
    attendi = [this](int ms) { return attesaPredefinita(ms); };
}

ClientOverpass::~ClientOverpass() { delete m_nam; }

QString ClientOverpass::UserAgent() {
    return QStringLiteral("Geomerce/%1.%2.%3 (generatore di punti di interesse per navigatori)")
        .arg(GEOMERCE_VERSION_MAJOR)
        .arg(GEOMERCE_VERSION_MINOR)
        .arg(GEOMERCE_VERSION_PATCH);
}

int ClientOverpass::MsRetryAfter(const QByteArray& valore) {
    const QByteArray v = valore.trimmed();
    if (v.isEmpty()) return -1;
    bool ok = false;
    const qint64 secondi = v.toLongLong(&ok);
    if (ok) return secondi < 0 ? -1 : int(std::min<qint64>(secondi, 24 * 3600) * 1000);
    // An HTTP date ends in "GMT", which the RFC 2822 reader takes only as an offset.
    QString data = QString::fromLatin1(v);
    if (data.endsWith(QStringLiteral(" GMT"))) data = data.chopped(4) + QStringLiteral(" +0000");
    const QDateTime quando = QDateTime::fromString(data, Qt::RFC2822Date);
    if (!quando.isValid()) return -1;
    const qint64 ms = QDateTime::currentDateTimeUtc().msecsTo(quando);
    return int(std::clamp<qint64>(ms, 0, 24LL * 3600 * 1000));
}

bool ClientOverpass::attesaPredefinita(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (fermato && fermato()) return false;
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(100, ms - t.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !(fermato && fermato());
}

ClientOverpass::Tentativo ClientOverpass::invia(const QString& query, int msTimeout) {
    Tentativo esito;
    const QUrl url(base + QStringLiteral("/api/interpreter"));
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https") || url.host().isEmpty()) {
        esito.rete = true;
        esito.dettaglio = QStringLiteral("indirizzo del servizio non valido: ") + base;
        return esito;
    }
    QNetworkRequest req(url);
    req.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setMaximumRedirectsAllowed(3);
    const QByteArray corpo = "data=" + QUrl::toPercentEncoding(query);

    QNetworkReply* r = m_nam->post(req, corpo);
    QEventLoop loop;
    QTimer scadenza, sentinella;
    scadenza.setSingleShot(true);
    bool scaduto = false;
    QByteArray dati;
    auto leggi = [&] {
        if (esito.troppo || !r->isOpen()) return;
        if (dati.size() + r->bytesAvailable() > nMaxByte) {
            esito.troppo = true;
            r->abort();
            return;
        }
        dati += r->readAll();
    };
    QObject::connect(r, &QNetworkReply::readyRead, &loop, leggi);
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&scadenza, &QTimer::timeout, &loop, [&] {
        scaduto = true;
        r->abort();
    });
    QObject::connect(&sentinella, &QTimer::timeout, &loop, [&] {
        if (fermato && fermato()) {
            esito.interrotto = true;
            r->abort();
        }
    });
    if (!r->isFinished()) {
        scadenza.start(msTimeout);
        sentinella.start(200);
        loop.exec();
    }
    scadenza.stop();
    sentinella.stop();
    if (!esito.troppo) leggi();
    esito.stato = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    esito.retryAfter = r->rawHeader("Retry-After");
    if (esito.stato == 0 && !esito.troppo && !esito.interrotto) {
        // A server that is not there will not be there in a minute either; a dropped or slow
        // connection may well be.
        const auto e = r->error();
        esito.rete = scaduto || e == QNetworkReply::RemoteHostClosedError || e == QNetworkReply::TimeoutError ||
                     e == QNetworkReply::TemporaryNetworkFailureError || e == QNetworkReply::NetworkSessionFailedError ||
                     e == QNetworkReply::UnknownNetworkError || e == QNetworkReply::ProxyTimeoutError;
        esito.assente = !esito.rete;
        esito.dettaglio = scaduto ? QStringLiteral("nessuna risposta entro il tempo massimo") : r->errorString();
    }
    esito.corpo = dati;
    r->disconnect();
    r->deleteLater();
    return esito;
}

ClientOverpass::Esito ClientOverpass::interroga(const QString& query, int timeoutServerS) {
    Esito e;
    int pausa = msPausaIniziale;
    for (e.tentativi = 1; e.tentativi <= tentativiMassimi; ++e.tentativi) {
        const Tentativo t = invia(query, timeoutServerS * 1000 + msMargine);
        if (t.interrotto) {
            e.errore = QStringLiteral("interrotto");
            return e;
        }
        if (t.troppo) {
            e.errore = QStringLiteral("risposta di OpenStreetMap troppo grande");
            return e;
        }
        if (t.stato == 200) {
            e.ok = true;
            e.corpo = t.corpo;
            return e;
        }
        // Busy or overloaded: the server asks to come back later. A lost connection is tried
        // again too; any other answer will not change by asking again.
        const bool occupato = t.stato == 429 || t.stato == 503 || t.stato == 504 || t.rete;
        e.errore = t.rete || t.assente ? QStringLiteral("collegamento non riuscito (") + t.dettaglio + u')'
                                       : QStringLiteral("il servizio ha risposto con errore HTTP %1").arg(t.stato);
        if (!occupato || e.tentativi == tentativiMassimi) break;
        int ms = MsRetryAfter(t.retryAfter);
        if (ms < 0) ms = pausa;
        ms = std::min(ms, msPausaMassima);
        pausa = std::min(pausa * 2, msPausaMassima);
        if (avviso)
            avviso(QStringLiteral("OpenStreetMap occupato: nuovo tentativo fra %1 s").arg((ms + 999) / 1000));
        e.msAttesi += ms;
        if (!attendi(ms)) {
            e.errore = QStringLiteral("interrotto");
            return e;
        }
    }
    if (e.tentativi > tentativiMassimi) e.tentativi = tentativiMassimi;
    return e;
}

}  // namespace gm::osm
