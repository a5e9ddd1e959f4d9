#include "net/pagina_web.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"

namespace gm {

PaginaWeb::PaginaWeb(Controlli& c, Avanzamento& av, const Ambiente& amb) : c(c), av(av), amb(amb) {}

void PaginaWeb::EstrazionePaginadaInternet(const QString& Url) {
    sTestoPagina.clear();
    QNetworkAccessManager nam;
    QNetworkReply* r = nam.get(QNetworkRequest(QUrl(Url)));
    QEventLoop loop;
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    sTestoPagina = QString::fromLatin1(r->readAll());
    r->deleteLater();
}

}  // namespace gm
