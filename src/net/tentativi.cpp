#include "net/tentativi.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLatin1StringView>
#include <QTimer>

#include <algorithm>

namespace gm {

bool Arrivo::ripetibile() const {
    switch (esito) {
    case EsitoPagina::Rifiutata:
    case EsitoPagina::Scaduta:
    case EsitoPagina::Vuota:
    case EsitoPagina::Troncata:
        return true;
    case EsitoPagina::ErroreHttp:
        // A missing or forbidden page stays so; a server error, a time-out or a busy server clears.
        return statoHttp >= 500 || statoHttp == 408 || statoHttp == 429;
    default:
        return false;
    }
}

QString Arrivo::descrizione() const {
    switch (esito) {
    case EsitoPagina::Arrivata: return QStringLiteral("pagina arrivata");
    case EsitoPagina::Rifiutata: return QStringLiteral("connessione rifiutata o chiusa senza risposta");
    case EsitoPagina::Scaduta: return QStringLiteral("nessuna risposta nel tempo massimo");
    case EsitoPagina::ErroreHttp: return QStringLiteral("errore HTTP %1").arg(statoHttp);
    case EsitoPagina::Vuota: return QStringLiteral("pagina vuota");
    case EsitoPagina::Troncata: return QStringLiteral("pagina incompleta");
    case EsitoPagina::TroppoGrande: return QStringLiteral("pagina troppo grande");
    case EsitoPagina::NonValida: return QStringLiteral("indirizzo non valido");
    case EsitoPagina::Fermata: return QStringLiteral("interrotta");
    case EsitoPagina::NonRichiesta: return QStringLiteral("servizio che non risponde");
    }
    return QString();
}

EsitoPagina ValutaCorpo(int statoHttp, const QByteArray& corpo) {
    if (statoHttp >= 400) return EsitoPagina::ErroreHttp;
    if (corpo.isEmpty()) return EsitoPagina::Vuota;
    // Every HTML page ends with its closing tag: one without it was cut short, whatever length the
    // server announced for it.
    const QLatin1StringView testa(corpo.constData(), std::min<qsizetype>(corpo.size(), 1024));
    if (testa.contains(QLatin1StringView("<html"), Qt::CaseInsensitive) &&
        !QLatin1StringView(corpo).contains(QLatin1StringView("</html"), Qt::CaseInsensitive))
        return EsitoPagina::Troncata;
    return EsitoPagina::Arrivata;
}

qint64 Orologio::adesso() {
    static QElapsedTimer t;
    if (!t.isValid()) t.start();
    return t.elapsed();
}

bool Orologio::attendi(qint64 ms, const std::function<bool()>& fermati) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (fermati && fermati()) return false;
        // Short slices, so that a Stop ends the pause at once.
        QEventLoop loop;
        QTimer::singleShot(int(std::min<qint64>(100, ms - t.elapsed())), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !(fermati && fermati());
}

bool SaluteServizi::altroGiro(const QString& origine, qint64 adesso, const RegoleTentativi& r) const {
    const Stato s = m_stati.value(origine);
    return s.inizioSilenzio < 0 || adesso - s.inizioSilenzio < r.msSilenzioMassimo;
}

void SaluteServizi::tentativo(const QString& origine, bool risposta, qint64 inizio) {
    Stato& s = m_stati[origine];
    if (risposta) {
        s.inizioSilenzio = -1;
        s.richiesteMute = 0;
    } else if (s.inizioSilenzio < 0) {
        s.inizioSilenzio = inizio;
    }
}

bool SaluteServizi::fineRichiesta(const QString& origine, const Arrivo& a, const RegoleTentativi& r) {
    if (a.esito == EsitoPagina::Fermata || a.esito == EsitoPagina::NonRichiesta || a.esito == EsitoPagina::NonValida) return false;
    Stato& s = m_stati[origine];
    if (!a.senzaRisposta()) {
        s.richiesteMute = 0;
        return false;
    }
    if (++s.richiesteMute < r.richiesteSenzaRisposta || s.morto) return false;
    s.morto = true;
    m_morti << origine;
    return true;
}

Arrivo RipetiRichiesta(const QString& url, const QString& origine, SaluteServizi& salute, Orologio& orologio,
                       const RegoleTentativi& regole, const std::function<bool()>& fermati,
                       const std::function<void(Arrivo&)>& giro) {
    Arrivo a;
    a.url = url;
    if (salute.morto(origine)) {
        a.esito = EsitoPagina::NonRichiesta;
        return a;
    }
    for (int g = 0; g <= regole.msPause.size(); ++g) {
        if (g > 0) {
            if (!a.ripetibile() || !salute.altroGiro(origine, orologio.adesso(), regole)) break;
            if (!orologio.attendi(regole.msPause[g - 1], fermati)) {
                a.esito = EsitoPagina::Fermata;
                break;
            }
        }
        const qint64 inizio = orologio.adesso();
        a.esito = EsitoPagina::Arrivata;
        a.statoHttp = 0;
        giro(a);
        ++a.giri;
        if (a.esito != EsitoPagina::Fermata && a.esito != EsitoPagina::NonValida)
            salute.tentativo(origine, !a.senzaRisposta(), inizio);
        if (a.arrivata() || a.esito == EsitoPagina::Fermata) break;
    }
    a.servizioMorto = salute.fineRichiesta(origine, a, regole);
    return a;
}

}  // namespace gm
