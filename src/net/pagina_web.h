// The page fetcher: one web page, given its full URL, into the page text sTestoPagina.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include "net/anticipo.h"
#include "net/tentativi.h"

class QNetworkAccessManager;

namespace gm {

struct Ambiente;
struct Controlli;
class Avanzamento;

class PaginaWeb {
public:
    PaginaWeb(Controlli& c, Avanzamento& av, const Ambiente& amb);
    ~PaginaWeb();
    PaginaWeb(const PaginaWeb&) = delete;
    PaginaWeb& operator=(const PaginaWeb&) = delete;

    // Text of the last fetched page; empty when no route delivered it.
    QString sTestoPagina;

    // Limits of one request: a server that does not finish within the time-out, a body over the
    // size limit or too many redirects make the request fail (an empty page).
    int msTimeout = 20000;
    qint64 nMaxByte = 4 * 1024 * 1024;
    int nMaxRedirect = 5;

    // Rounds for a page that did not arrive, and when a service counts as dead.
    RegoleTentativi regole;
    SaluteServizi salute;
    std::shared_ptr<Orologio> orologio = std::make_shared<Orologio>();
    // Told of every request once its rounds are over (the search run counts what is missing).
    std::function<void(const Arrivo&)> esitoRichiesta;
    LimitiRichiesta limiti() const;

    // The only entry point: fills sTestoPagina (download route, then direct GET, in rounds while
    // the page does not arrive), cleaned; empty when the page never arrived. Says what became of it.
    Arrivo EstrazionePaginadaInternet(const QString& Url);
    // Download route: page file, read back with lines joined, deleted.
    void ScaricaPaginaDaInternet(const QString& Url, Arrivo& a);
    // Up to two download attempts; "**" on lblTent after the second failure.
    void LoadPictureUrl(const QString& sSourceUrl, Arrivo& a);
    // One download attempt into the file; true when the file was written.
    bool DownloadFile(const QString& sSourceUrl, const QString& NomePaginaHTML, Arrivo& a);

private:
    // One round: every route once, until the page arrives or the server gives no answer.
    void Giro(const QString& Url, Arrivo& a);
    // One fresh GET; false on any network or HTTP error, time-out, cut or oversized body, with
    // the reason in a.
    bool Richiesta(const QString& url, QByteArray& corpo, QByteArray& charset, Arrivo& a);
    static QString Decodifica(const QByteArray& corpo, const QByteArray& charset);
    static void UnisciRighe(QString& t);
    static void Pulisci(QString& t);

    Controlli& c;
    Avanzamento& av;
    const Ambiente& amb;
    QNetworkAccessManager* nam;
    bool m_primoTentativo = false;  // the next attempt is a page's first: it may be booked ahead

public:
    // Pages booked ahead; the first attempt of a page takes its booking when there is one.
    Anticipo anticipo;
    // The text a page fetched ahead gives, as the walk would read it; empty when it did not arrive.
    QString TestoAnticipato(const RichiestaHttp& r) const;

private:
    QByteArray charsetScaricato;  // charset named by the server for the page file's content
};

}  // namespace gm
