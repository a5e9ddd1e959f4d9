#include "net/richiesta_http.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrl>

namespace gm {

RichiestaHttp::RichiestaHttp(QNetworkAccessManager& nam, const QString& u, const LimitiRichiesta& limiti)
    : url(u), m_maxByte(limiti.nMaxByte) {
    // Tolerant parsing percent-encodes blanks, apostrophes and the like as they stand, so the
    // server receives the same text the caller built.
    const QUrl indirizzo(url, QUrl::TolerantMode);
    if (!indirizzo.isValid() || (indirizzo.scheme() != u"http" && indirizzo.scheme() != u"https") ||
        indirizzo.host().isEmpty()) {
        esito = EsitoPagina::NonValida;
        m_finita = true;
        return;
    }
    QNetworkRequest req(indirizzo);
    // No cache is kept, and every request asks for a fresh copy.
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    req.setRawHeader("Cache-Control", "no-cache");
    req.setRawHeader("Pragma", "no-cache");
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setMaximumRedirectsAllowed(limiti.nMaxRedirect);

    m_r = nam.get(req);
    connect(m_r, &QNetworkReply::readyRead, this, &RichiestaHttp::leggi);
    connect(m_r, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant lunghezza = m_r->header(QNetworkRequest::ContentLengthHeader);
        if (lunghezza.isValid() && lunghezza.toLongLong() > m_maxByte) interrompi(m_troppo);
    });
    connect(m_r, &QNetworkReply::finished, this, &RichiestaHttp::fine);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { interrompi(m_scaduta); });
    m_timer.start(limiti.msTimeout);
}

RichiestaHttp::~RichiestaHttp() {
    // Ended as a stop, so that whoever counts requests in flight hears of it.
    interrompi(m_fermata);
    if (!m_r) return;
    m_r->disconnect(this);
    m_r->deleteLater();
}

void RichiestaHttp::ferma() { interrompi(m_fermata); }

void RichiestaHttp::interrompi(bool& motivo) {
    if (m_finita || !m_r) return;
    motivo = true;
    m_r->abort();  // emits finished at once
}

void RichiestaHttp::leggi() {
    if (m_troppo || !m_r->isOpen()) return;
    if (m_dati.size() + m_r->bytesAvailable() > m_maxByte) {
        interrompi(m_troppo);
        return;
    }
    m_dati += m_r->readAll();
}

void RichiestaHttp::fine() {
    if (m_finita) return;
    m_timer.stop();
    if (!m_troppo) leggi();
    const QVariant stato = m_r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    statoHttp = stato.toInt();
    if (m_troppo)
        esito = EsitoPagina::TroppoGrande;
    else if (m_fermata)
        esito = EsitoPagina::Fermata;
    else if (m_scaduta)
        esito = EsitoPagina::Scaduta;
    else if (statoHttp >= 400)
        esito = EsitoPagina::ErroreHttp;
    else if (m_r->error() != QNetworkReply::NoError)
        // No status line at all: the server never answered; otherwise the answer was cut short.
        esito = stato.isValid() ? EsitoPagina::Troncata : EsitoPagina::Rifiutata;
    else
        esito = ValutaCorpo(statoHttp, m_dati);
    if (esito == EsitoPagina::Arrivata) {
        corpo = std::move(m_dati);
        const QString tipo = m_r->header(QNetworkRequest::ContentTypeHeader).toString();
        static const QRegularExpression reTipo(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9_.:-]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
        const auto m = reTipo.match(tipo);
        if (m.hasMatch()) charset = m.captured(1).toLatin1();
    }
    m_dati.clear();
    m_finita = true;
    m_r->disconnect(this);
    m_r->deleteLater();
    m_r = nullptr;
    emit conclusa();
}

}  // namespace gm
