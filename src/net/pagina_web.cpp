#include "net/pagina_web.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "io/file_testo.h"
#include "net/servizi.h"
#include "net/testo.h"

namespace gm {

PaginaWeb::PaginaWeb(Controlli& c, Avanzamento& av, const Ambiente& amb)
    : c(c), av(av), amb(amb), nam(new QNetworkAccessManager), anticipo(*nam, [this] { return limiti(); }) {
    nam->setCache(nullptr);
    anticipo.ammessa = [this](const QString& url) { return !salute.morto(Origine(url)); };
    anticipo.fermati = [this] { return this->av.bStop; };
}

PaginaWeb::~PaginaWeb() {
    anticipo.annulla();  // its replies belong to the manager
    delete nam;
}

Arrivo PaginaWeb::EstrazionePaginadaInternet(const QString& Url) {
    sTestoPagina.clear();
    long gialle = 0, bianche = 0;
    amb.servizi.Origine(Url, gialle, bianche);
    av.EvidenziaOrigine(gialle, bianche);

    m_primoTentativo = true;
    const Arrivo a = RipetiRichiesta(
        Url, Origine(Url), salute, *orologio, regole, [this] { return av.bStop; },
        [&](Arrivo& giro) { Giro(Url, giro); });
    if (!a.arrivata()) sTestoPagina.clear();

    Pulisci(sTestoPagina);

    c.lblTent.setForeColor(kVerde);
    av.EvidenziaOrigine(0, 0);
    if (esitoRichiesta) esitoRichiesta(a);
    return a;
}

void PaginaWeb::Giro(const QString& Url, Arrivo& a) {
    ScaricaPaginaDaInternet(Url, a);
    // A page fetched but not read back (its file could not be written or read) did not arrive.
    if (sTestoPagina.isEmpty() && a.arrivata()) a.esito = EsitoPagina::Vuota;
    // The GET route only for faults a second try at once may cure: a silent server stays silent.
    if (sTestoPagina.isEmpty() && a.ripetibile() && !a.senzaRisposta()) {
        c.lblTent.setForeColor(kRosso);
        QByteArray corpo, charset;
        if (Richiesta(Url, corpo, charset, a)) sTestoPagina = Decodifica(corpo, charset);
    }
}

void PaginaWeb::ScaricaPaginaDaInternet(const QString& Url, Arrivo& a) {
    c.lblTent.setForeColor(kRosso);
    LoadPictureUrl(Url, a);
    sTestoPagina.clear();
    QFile f(amb.sFilePagina);
    if (!amb.sFilePagina.isEmpty() && f.exists()) {
        if (f.open(QIODevice::ReadOnly)) {
            // The file was written from a body already bounded by nMaxByte; read no more anyway.
            const QByteArray corpo = f.read(nMaxByte);
            f.close();
            QString t = Decodifica(corpo, charsetScaricato);
            UnisciRighe(t);
            sTestoPagina = t;
        }
        f.remove();
    }
    av.Cedi();
}

void PaginaWeb::LoadPictureUrl(const QString& sSourceUrl, Arrivo& a) {
    // No cache is kept, and every request asks for a fresh copy.
    av.Cedi();
    int n = 0;
    while (n < 2) {
        if (DownloadFile(sSourceUrl, amb.sFilePagina, a)) break;
        ++n;
        if (n > 1) c.lblTent.setCaption(QString(n, u'*'));
        if (!a.ripetibile() || a.senzaRisposta()) break;
    }
}

bool PaginaWeb::DownloadFile(const QString& sSourceUrl, const QString& NomePaginaHTML, Arrivo& a) {
    bool ok = false;
    QByteArray corpo, charset;
    if (NomePaginaHTML.isEmpty()) {
        // No page file: the GET route will ask; nothing is known of the page yet.
        a.esito = EsitoPagina::Vuota;
    } else if (Richiesta(sSourceUrl, corpo, charset, a)) {
        // A failed write leaves no file, so the caller sees the download as failed.
        ok = ScriviFileProvvisorio(NomePaginaHTML, corpo);
        if (ok)
            charsetScaricato = charset;
        else
            a.esito = EsitoPagina::Vuota;  // fetched but not kept: the next route asks again
    }
    av.Cedi();
    return ok;
}

bool PaginaWeb::Richiesta(const QString& url, QByteArray& corpo, QByteArray& charset, Arrivo& a) {
    corpo.clear();
    charset.clear();
    ++a.tentativi;
    a.statoHttp = 0;

    // The first attempt of a page may already be on its way, booked ahead.
    Anticipo::Voce presa;
    if (m_primoTentativo) {
        m_primoTentativo = false;
        presa = anticipo.prendi(url);
    }
    std::unique_ptr<RichiestaHttp> propria;
    if (!presa) {
        // A place among the requests at once, then a request of the walk's own.
        while (anticipo.pieno() && !av.bStop) {
            QEventLoop attesa;
            QObject::connect(&anticipo, &Anticipo::liberato, &attesa, &QEventLoop::quit);
            QTimer::singleShot(100, &attesa, &QEventLoop::quit);
            attesa.exec();
        }
        propria = std::make_unique<RichiestaHttp>(*nam, url, limiti());
        if (!propria->finita()) anticipo.camminoInVolo(true);
    }
    RichiestaHttp& r = presa ? *presa->r : *propria;
    if (!r.finita()) {
        QEventLoop loop;
        QTimer sentinella;
        QObject::connect(&r, &RichiestaHttp::conclusa, &loop, &QEventLoop::quit);
        // A Stop does not wait for a slow server.
        QObject::connect(&sentinella, &QTimer::timeout, &loop, [&] {
            if (av.bStop) r.ferma();
        });
        sentinella.start(100);
        if (!r.finita()) loop.exec();
    }
    if (propria) anticipo.camminoInVolo(false);

    a.statoHttp = r.statoHttp;
    a.esito = r.esito;
    const bool ok = a.esito == EsitoPagina::Arrivata;
    if (ok) {
        corpo = r.corpo;
        charset = r.charset;
    }
    return ok;
}

LimitiRichiesta PaginaWeb::limiti() const { return {msTimeout, nMaxByte, nMaxRedirect}; }

QString PaginaWeb::TestoAnticipato(const RichiestaHttp& r) const {
    if (r.esito != EsitoPagina::Arrivata) return {};
    QString t = Decodifica(r.corpo, r.charset);
    // The route the walk takes: through the page file when there is one.
    if (!amb.sFilePagina.isEmpty()) UnisciRighe(t);
    Pulisci(t);
    return t;
}

void PaginaWeb::UnisciRighe(QString& t) {
    // Lines joined with nothing between them: CR LF and lone CR end a line, a lone LF does not.
    t.replace(QStringLiteral("\r\n"), QString());
    t.remove(QChar(13));
}

void PaginaWeb::Pulisci(QString& t) {
    t = Sostituisci(t, "&amp;", "&");
    t.remove(QChar(10));
    t = Sostituisci(t, "&nbsp;", " ");
    t.remove(QChar(9));
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
