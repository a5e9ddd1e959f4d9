// One GET on its way over the calling thread's event loop: bounded in time, size and redirects,
// and classified when it ends. The page fetcher waits on one; fetching ahead keeps several.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include "net/tentativi.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace gm {

struct LimitiRichiesta {
    int msTimeout = 20000;
    qint64 nMaxByte = 4 * 1024 * 1024;
    int nMaxRedirect = 5;
};

class RichiestaHttp : public QObject {
    Q_OBJECT
public:
    // Sends the GET at once; an address that is not http(s) ends it at once as NonValida, without
    // emitting conclusa().
    RichiestaHttp(QNetworkAccessManager& nam, const QString& url, const LimitiRichiesta& limiti);
    ~RichiestaHttp() override;
    RichiestaHttp(const RichiestaHttp&) = delete;
    RichiestaHttp& operator=(const RichiestaHttp&) = delete;

    const QString url;
    bool finita() const { return m_finita; }
    // The user's stop: ends it as Fermata (nothing happens once it has ended).
    void ferma();

    // Set once it has ended. The body and charset only for a page that arrived.
    EsitoPagina esito = EsitoPagina::Arrivata;
    int statoHttp = 0;
    QByteArray corpo;
    QByteArray charset;

signals:
    void conclusa();

private:
    void leggi();
    void fine();
    void interrompi(bool& motivo);

    QNetworkReply* m_r = nullptr;
    QTimer m_timer;
    QByteArray m_dati;
    qint64 m_maxByte;
    bool m_troppo = false, m_scaduta = false, m_fermata = false, m_finita = false;
};

}  // namespace gm
