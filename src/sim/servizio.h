// The HTTP side of geomerce-sim: the three services on one loopback address, with optional
// latency, injected faults and a request log.
#pragma once

#include <QString>
#include <QVector>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>

#include "osm/preset.h"
#include "sim/elenco.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace gm::sim {

// What a request meets when faults are injected.
enum class Guasto { Nessuno, Vuota, Errore500, Lenta, Troncata, Interrotta };

struct Opzioni {
    int porta = 8080;
    quint64 seme = 1;
    int latenzaMs = 0;
    double guasti = 0;         // share of requests that meet a fault, 0..1
    QVector<Guasto> tipiGuasti;  // the kinds of fault drawn; empty: all of them
    QString fileLog;           // one line per request when set
};

// Fault kinds named as on the command line ("vuota,500,lenta,troncata,interrotta"); false on an
// unknown name.
bool LeggiTipiGuasti(const QString& testo, QVector<Guasto>& tipi);

class Servizio {
public:
    explicit Servizio(const Opzioni& o);
    ~Servizio();

    // Binds to 127.0.0.1 (port 0: a free one) and returns the port, or -1.
    int avvia();
    // Serves until ferma().
    void servi();
    void ferma();

    // The answer to one GET, as text, without faults: the routing in one place so that tests
    // can ask for pages without a socket. Empty charset: UTF-8.
    struct Risposta {
        int stato = 200;
        QString testo;
        QByteArray charset = "utf-8";
        QByteArray tipo = "text/html";
    };
    Risposta rispondi(const QString& percorso, const QList<std::pair<QString, QString>>& parametri);

    Elenco& elenco() { return m_elenco; }
    // Scheme, host and port of the absolute links the pages carry.
    QString sito() const;

private:
    Opzioni m_o;
    Elenco m_elenco;
    osm::CatalogoPreset m_catalogo;
    std::unique_ptr<httplib::Server> m_server;
    std::mutex m_mutexLog;
    FILE* m_log = nullptr;
    std::atomic<quint64> m_richieste{0};
    int m_porta = 0;

    void gestisci(const httplib::Request& req, httplib::Response& res);
    Guasto sorteggia(quint64 n) const;
    void registra(const httplib::Request& req);

    Risposta gialle(const QList<std::pair<QString, QString>>& p);
    Risposta mappaGialle(const QList<std::pair<QString, QString>>& p);
    Risposta bianche(const QList<std::pair<QString, QString>>& p);
    Risposta geocoder(const QList<std::pair<QString, QString>>& p);
    Risposta overpass(const QList<std::pair<QString, QString>>& p);
};

}  // namespace gm::sim
