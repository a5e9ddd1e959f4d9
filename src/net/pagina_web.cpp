#include "net/pagina_web.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "io/file_testo.h"
#include "net/testo.h"

namespace gm {

PaginaWeb::PaginaWeb(Controlli& c, Avanzamento& av, const Ambiente& amb)
    : c(c), av(av), amb(amb), nam(new QNetworkAccessManager) {
    nam->setCache(nullptr);
}

PaginaWeb::~PaginaWeb() { delete nam; }

void PaginaWeb::EstrazionePaginadaInternet(const QString& Url) {
    sTestoPagina.clear();
    long gialle = 0, bianche = 0;
    amb.servizi.Origine(Url, gialle, bianche);
    av.EvidenziaOrigine(gialle, bianche);

    ScaricaPaginaDaInternet(Url);
    if (sTestoPagina.isEmpty()) {
        c.lblTent.setForeColor(kRosso);
        QByteArray corpo, charset;
        if (Richiesta(Url, corpo, charset)) sTestoPagina = Decodifica(corpo, charset);
    }

    sTestoPagina = Sostituisci(sTestoPagina, "&amp;", "&");
    sTestoPagina.remove(QChar(10));
    sTestoPagina = Sostituisci(sTestoPagina, "&nbsp;", " ");
    sTestoPagina.remove(QChar(9));

    c.lblTent.setForeColor(kVerde);
    av.EvidenziaOrigine(0, 0);
}

void PaginaWeb::ScaricaPaginaDaInternet(const QString& Url) {
    c.lblTent.setForeColor(kRosso);
    LoadPictureUrl(Url);
    sTestoPagina.clear();
    QFile f(amb.sFilePagina);
    if (!amb.sFilePagina.isEmpty() && f.exists()) {
        if (f.open(QIODevice::ReadOnly)) {
            // The file was written from a body already bounded by nMaxByte; read no more anyway.
            const QByteArray corpo = f.read(nMaxByte);
            f.close();
            QString t = Decodifica(corpo, charsetScaricato);
            // Lines joined with nothing between them: CR LF and lone CR end a line, a lone LF does not.
            t.replace(QStringLiteral("\r\n"), QString());
            t.remove(QChar(13));
            sTestoPagina = t;
        }
        f.remove();
    }
    av.Cedi();
}

void PaginaWeb::LoadPictureUrl(const QString& sSourceUrl) {
    // No cache is kept, and every request asks for a fresh copy.
    av.Cedi();
    int n = 0;
    while (n < 2) {
        if (DownloadFile(sSourceUrl, amb.sFilePagina)) break;
        ++n;
        if (n > 1) c.lblTent.setCaption(QString(n, u'*'));
    }
}

bool PaginaWeb::DownloadFile(const QString& sSourceUrl, const QString& NomePaginaHTML) {
    bool ok = false;
    QByteArray corpo, charset;
    if (!NomePaginaHTML.isEmpty() && Richiesta(sSourceUrl, corpo, charset)) {
        // A failed write leaves no file, so the caller sees the download as failed.
        ok = ScriviFileProvvisorio(NomePaginaHTML, corpo);
        if (ok) charsetScaricato = charset;
    }
    av.Cedi();
    return ok;
}

bool PaginaWeb::Richiesta(const QString& url, QByteArray& corpo, QByteArray& charset) {
    corpo.clear();
    charset.clear();
    // Tolerant parsing percent-encodes blanks, apostrophes and the like as they stand, so the
    // server receives the same text the caller built.
    const QUrl u(url, QUrl::TolerantMode);
    if (!u.isValid() || (u.scheme() != u"http" && u.scheme() != u"https") || u.host().isEmpty()) return false;

    QNetworkRequest req(u);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    req.setRawHeader("Cache-Control", "no-cache");
    req.setRawHeader("Pragma", "no-cache");
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setMaximumRedirectsAllowed(nMaxRedirect);

    QNetworkReply* r = nam->get(req);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool troppo = false;
    QByteArray dati;
    auto leggi = [&] {
        if (troppo || !r->isOpen()) return;
        const qint64 disp = r->bytesAvailable();
        if (dati.size() + disp > nMaxByte) {
            troppo = true;
            r->abort();
            return;
        }
        dati += r->readAll();
    };
    QObject::connect(r, &QNetworkReply::readyRead, &loop, leggi);
    QObject::connect(r, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant lunghezza = r->header(QNetworkRequest::ContentLengthHeader);
        if (lunghezza.isValid() && lunghezza.toLongLong() > nMaxByte) {
            troppo = true;
            r->abort();
        }
    });
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] { r->abort(); });
    if (!r->isFinished()) {
        timer.start(msTimeout);
        loop.exec();
    }
    timer.stop();
    if (!troppo) leggi();

    const int stato = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = !troppo && r->error() == QNetworkReply::NoError && (stato == 0 || stato < 400);
    if (ok) {
        corpo = dati;
        const QString tipo = r->header(QNetworkRequest::ContentTypeHeader).toString();
        static const QRegularExpression reTipo(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9_.:-]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
        const auto m = reTipo.match(tipo);
        if (m.hasMatch()) charset = m.captured(1).toLatin1();
    }
    r->disconnect();
    r->deleteLater();
    return ok;
}

QString PaginaWeb::Decodifica(const QByteArray& corpo, const QByteArray& charset) {
    QByteArray nome = charset;
    if (nome.isEmpty()) {
        // A meta charset near the top of the page.
        static const QRegularExpression reMeta(QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
        const auto m = reMeta.match(QString::fromLatin1(corpo.left(4096)));
        if (m.hasMatch()) nome = m.captured(1).toLatin1();
    }
    const QByteArray n = nome.toLower();
    if (!nome.isEmpty() && n != "iso-8859-1" && n != "latin1" && n != "us-ascii" && n != "windows-1252") {
        QStringDecoder dec(nome.constData());
        if (dec.isValid()) {
            QString s = dec.decode(corpo);
            if (!dec.hasError()) return s;
        }
    }
    // Latin-1 labels mean Windows-1252 on the web; also the fallback for unknown or broken text.
    return DecodificaWin1252(corpo);
}

}  // namespace gm
