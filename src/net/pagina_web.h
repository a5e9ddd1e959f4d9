// The page fetcher: one web page, given its full URL, into the page text sTestoPagina.
#pragma once

#include <QByteArray>
#include <QString>

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

    // The only entry point: fills sTestoPagina (download route, then direct GET), cleaned.
    void EstrazionePaginadaInternet(const QString& Url);
    // Download route: page file, read back with lines joined, deleted.
    void ScaricaPaginaDaInternet(const QString& Url);
    // Up to two download attempts; "**" on lblTent after the second failure.
    void LoadPictureUrl(const QString& sSourceUrl);
    // One download attempt into the file; true when the file was written.
    bool DownloadFile(const QString& sSourceUrl, const QString& NomePaginaHTML);

private:
    // One fresh GET; false on any network or HTTP error, time-out or oversized body.
    bool Richiesta(const QString& url, QByteArray& corpo, QByteArray& charset);
    static QString Decodifica(const QByteArray& corpo, const QByteArray& charset);

    Controlli& c;
    Avanzamento& av;
    const Ambiente& amb;
    QNetworkAccessManager* nam;
    QByteArray charsetScaricato;  // charset named by the server for the page file's content
};

}  // namespace gm
