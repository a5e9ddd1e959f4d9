#include "sim/servizio.h"

#include <httplib.h>

#include <QRegularExpression>
#include <QStringEncoder>
#include <QUrlQuery>

#include <chrono>
#include <thread>

#include "sim/overpass.h"
#include "sim/pagine.h"

namespace gm::sim {

using Parametri = QList<std::pair<QString, QString>>;

namespace {

QString Param(const Parametri& p, const char* nome) {
    for (const auto& [k, v] : p)
        if (k == QLatin1String(nome)) return v;
    return QString();
}
bool HaParam(const Parametri& p, const char* nome) {
    for (const auto& kv : p)
        if (kv.first == QLatin1String(nome)) return true;
    return false;
}
int PaginaDaOffset(const QString& be) {
    bool ok = false;
    const int v = be.toInt(&ok);
    return ok && v > 0 ? std::min(v / kPerPagina, 1000) + 1 : 1;
}
bool SoloCifre(const QString& s) {
    if (s.isEmpty()) return false;
    for (QChar ch : s)
        if (!ch.isDigit()) return false;
    return true;
}
template <class P>
QVector<Azienda> Filtra(const QVector<Azienda>& v, P tieni) {
    QVector<Azienda> r;
    for (const Azienda& a : v)
        if (tieni(a)) r.append(a);
    return r;
}
bool InGialle(const Azienda& a) { return a.gialle; }
bool InBianche(const Azienda& a) { return a.bianche; }

}  // namespace

Servizio::Servizio(const Opzioni& o) : m_o(o), m_elenco(o.seme), m_server(std::make_unique<httplib::Server>()) {
    if (!m_o.fileLog.isEmpty()) m_log = std::fopen(m_o.fileLog.toLocal8Bit().constData(), "a");
    m_server->set_keep_alive_max_count(100000);
    m_server->set_tcp_nodelay(true);  // small pages: no waiting on delayed acknowledgements
    m_server->Get(".*", [this](const httplib::Request& req, httplib::Response& res) { gestisci(req, res); });
    // Overpass takes its query as the form field "data" of a POST, or in the query string.
    m_server->Post("/api/interpreter", [this](const httplib::Request& req, httplib::Response& res) { gestisci(req, res); });
}

Servizio::~Servizio() {
    ferma();
    if (m_log) std::fclose(m_log);
}

int Servizio::avvia() {
    m_porta = m_o.porta == 0 ? m_server->bind_to_any_port("127.0.0.1")
                             : (m_server->bind_to_port("127.0.0.1", m_o.porta) ? m_o.porta : -1);
    return m_porta;
}

QString Servizio::sito() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_porta > 0 ? m_porta : m_o.porta);
}

void Servizio::servi() { m_server->listen_after_bind(); }
void Servizio::ferma() { m_server->stop(); }

Guasto Servizio::sorteggia(quint64 n) const {
    if (m_o.guasti <= 0) return Guasto::Nessuno;
    const quint64 h = Mescola(m_o.seme ^ 0x6775617374ULL, n);
    if (double(h >> 11) / double(1ULL << 53) >= m_o.guasti) return Guasto::Nessuno;
    static const QVector<Guasto> tutti = {Guasto::Vuota, Guasto::Errore500, Guasto::Lenta, Guasto::Troncata,
                                          Guasto::Interrotta};
    const QVector<Guasto>& tipi = m_o.tipiGuasti.isEmpty() ? tutti : m_o.tipiGuasti;
    return tipi[int((h & 0xff) % quint64(tipi.size()))];
}

bool LeggiTipiGuasti(const QString& testo, QVector<Guasto>& tipi) {
    static const std::pair<const char*, Guasto> nomi[] = {{"vuota", Guasto::Vuota},
                                                          {"500", Guasto::Errore500},
                                                          {"lenta", Guasto::Lenta},
                                                          {"troncata", Guasto::Troncata},
                                                          {"interrotta", Guasto::Interrotta}};
    tipi.clear();
    for (const QString& parte : testo.split(u',', Qt::SkipEmptyParts)) {
        const QString v = parte.trimmed().toLower();
        bool trovato = false;
        for (const auto& [nome, g] : nomi)
            if (v == QLatin1String(nome)) {
                if (!tipi.contains(g)) tipi << g;
                trovato = true;
            }
        if (!trovato) return false;
    }
    return !tipi.isEmpty();
}

void Servizio::registra(const httplib::Request& req) {
    if (!m_log) return;
    std::lock_guard<std::mutex> l(m_mutexLog);
    std::fprintf(m_log, "%s %s\n", req.method.c_str(), req.target.c_str());
    std::fflush(m_log);
}

void Servizio::gestisci(const httplib::Request& req, httplib::Response& res) {
    registra(req);
    const quint64 n = m_richieste++;
    if (m_o.latenzaMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_o.latenzaMs));
    Parametri p;
    for (const auto& [k, v] : req.params) p.append({QString::fromUtf8(k), QString::fromUtf8(v)});
    if (req.method == "POST" && !req.has_param("data")) {
        const QUrlQuery modulo(QString::fromUtf8(req.body.substr(0, 1 << 20)));
        for (const auto& [k, v] : modulo.queryItems(QUrl::FullyDecoded)) p.append({k, v});
    }
    const Guasto g = sorteggia(n);
    if (g == Guasto::Vuota) {
        res.set_content("", "text/html");
        return;
    }
    if (g == Guasto::Errore500) {
        res.status = 500;
        res.set_content("<html><body>Internal Server Error</body></html>", "text/html");
        return;
    }
    if (g == Guasto::Lenta) std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    const Risposta r = rispondi(QString::fromUtf8(req.path), p);
    QStringEncoder enc(r.charset.constData());
    auto corpo = std::make_shared<std::string>(QByteArray(enc.encode(r.testo)).toStdString());
    res.status = r.stato;
    const std::string tipo = r.tipo.toStdString() + "; charset=" + r.charset.toStdString();
    if (g == Guasto::Troncata) {
        corpo->resize(corpo->size() / 2);
    } else if (g == Guasto::Interrotta) {
        // Announces the whole page and drops the connection half-way.
        res.set_content_provider(corpo->size(), tipo, [corpo](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0) return false;
            sink.write(corpo->data(), corpo->size() / 2);
            return true;
        });
        return;
    }
    // A sized provider is sent as it stands: httplib would otherwise compress every text answer
    // for a client that accepts it, and Brotli costs more than building the page.
    res.set_content_provider(corpo->size(), tipo, [corpo](size_t offset, size_t length, httplib::DataSink& sink) {
        return sink.write(corpo->data() + offset, std::min(length, corpo->size() - offset));
    });
}

Servizio::Risposta Servizio::rispondi(const QString& percorso, const Parametri& p) {
    if (percorso == u"/pg/cgi/pgsearch.cgi") return gialle(p);
    if (percorso == u"/pg/cgi/mappe/build_map.cgi") return mappaGialle(p);
    if (percorso == u"/execute.cgi") return bianche(p);
    if (percorso == u"/map/places.cgi") return geocoder(p);
    if (percorso == u"/api/interpreter") return overpass(p);
    if (percorso == u"/")
        return {200, QStringLiteral("<html><body><h1>geomerce-sim</h1><p>Pagine Gialle: /pg/cgi/pgsearch.cgi, "
                                    "Pagine Bianche: /execute.cgi, geocoder: /map/places.cgi</p></body></html>")};
    return {404, QStringLiteral("<html><body>Not found</body></html>")};
}

Servizio::Risposta Servizio::gialle(const Parametri& p) {
    Risposta r;
    r.charset = "windows-1252";
    Ricerca q{Param(p, "qs"), Param(p, "dv").trimmed(), Param(p, "pr").trimmed(), Param(p, "cb")};
    q.sito = sito();
    if (q.cb.isEmpty()) q.cb = QStringLiteral("0");
    const int pagina = PaginaDaOffset(Param(p, "be"));
    const bool parola = HaParam(p, "of");  // one word of a name the site did not recognise
    if (q.cosa.trimmed().isEmpty()) {
        r.testo = RisultatiGialle({}, 1, q);
        return r;
    }
    const Territorio& t = m_elenco.territorio();
    int rr = 0, pp = 0;
    if (!Param(p, "ind").isEmpty() || !Param(p, "nc").isEmpty()) {
        // Search by name and address inside a town.
        QString citta = q.luogo;
        citta.remove(QRegularExpression(QStringLiteral("\\([A-Za-z]{2}\\)")));
        QVector<Azienda> trovate;
        // The name is no category: the business is looked up among those already listed.
        for (const LuogoTabella& l : m_elenco.comuniDiNome(citta))
            trovate += Filtra(m_elenco.perNome(q.cosa, l.r, l.p, l.c), InGialle);
        r.testo = RisultatiGialle(trovate, 1, q);
        return r;
    }
    if (q.luogo.size() == 2 && m_elenco.provinciaDiSigla(q.luogo, rr, pp)) {
        r.testo = RisultatiGialle(Filtra(m_elenco.dellaProvincia(q.cosa, rr, pp), InGialle), pagina, q);
        return r;
    }
    if (q.luogo.size() == 5 && SoloCifre(q.luogo)) {
        const QVector<Azienda> v = Filtra(m_elenco.delCap(q.cosa, q.luogo), InGialle);
        r.testo = v.isEmpty() ? NessunOperatore(q.luogo) : RisultatiGialle(v, pagina, q);
        return r;
    }
    QVector<LuogoTabella> luoghi = m_elenco.comuniDiNome(q.luogo);
    if (!q.sigla.isEmpty())
        luoghi.removeIf([&](const LuogoTabella& l) {
            return t.siglaProvincia(l.r, l.p).compare(q.sigla, Qt::CaseInsensitive) != 0;
        });
    if (parola && luoghi.isEmpty()) luoghi = m_elenco.comuniConParola(q.luogo);
    if (luoghi.isEmpty()) {
        r.testo = NonRiconosciuta(q.luogo);
        return r;
    }
    if (luoghi.size() > 1) {
        if (parola) {
            QStringList province;
            for (const LuogoTabella& l : luoghi) province << t.nomeProvincia(l.r, l.p);
            r.testo = SceltaLuogo(q.luogo, province);
            return r;
        }
        QVector<VoceLuogo> voci;
        for (const LuogoTabella& l : luoghi)
            if (!Filtra(m_elenco.delComune(q.cosa, l.r, l.p, l.c), InGialle).isEmpty())
                voci.append({t.nomeComune(l.r, l.p, l.c), t.nomeProvincia(l.r, l.p), t.siglaProvincia(l.r, l.p),
                             t.nomeRegione(l.r)});
        r.testo = voci.isEmpty() ? NessunOperatore(q.luogo) : ElencoLuoghi(voci, pagina, q);
        return r;
    }
    const LuogoTabella& l = luoghi.front();
    if (!parola && q.sigla.isEmpty() && m_elenco.nonRiconosciuto(l.r, l.p, l.c)) {
        r.testo = NonRiconosciuta(q.luogo);
        return r;
    }
    const QVector<Azienda> v = Filtra(m_elenco.delComune(q.cosa, l.r, l.p, l.c), InGialle);
    r.testo = v.isEmpty() ? NessunOperatore(q.luogo) : RisultatiGialle(v, pagina, q);
    return r;
}

Servizio::Risposta Servizio::mappaGialle(const Parametri& p) {
    Risposta r;
    r.charset = "windows-1252";
    double lat = 0, lon = 0;
    r.testo = m_elenco.posizioneDiChiave(Param(p, "cl"), lat, lon)
                  ? MappaGialle(lat, lon)
                  : QStringLiteral("<html><body><p>Mappa non disponibile</p></body></html>");
    return r;
}

Servizio::Risposta Servizio::bianche(const Parametri& p) {
    Risposta r;
    const QString tr = Param(p, "tr");
    const QString id = Param(p, "id");
    double lat = 0, lon = 0;
    if (tr == u"106") {
        const std::optional<Azienda> a = m_elenco.perTelefono(Param(p, "qs"));
        r.testo = RispostaInversa(a && !a->riservato ? &*a : nullptr);
        return r;
    }
    if (tr == u"107" || tr == u"108") {
        if (!m_elenco.posizioneDiChiave(id, lat, lon)) {
            r.testo = QStringLiteral("<html><body><p>Mappa non disponibile</p></body></html>");
        } else {
            const bool interattiva = tr == u"107" && Impronta(id) % 10 == 0;
            r.testo = MappaBianche(lat, lon, interattiva ? QStringLiteral("execute.cgi?tr=108&amp;id=") + id : QString());
        }
        return r;
    }
    if (tr == u"109") {
        r.testo = QStringLiteral("<html><body><p>Biglietto da visita</p></body></html>");
        return r;
    }
    const Ricerca q{Param(p, "qs"), Param(p, "dv").trimmed(), QString()};
    QVector<Azienda> v;
    int rr = 0, pp = 0;
    if (!q.cosa.trimmed().isEmpty()) {
        if (q.luogo.size() == 2 && m_elenco.provinciaDiSigla(q.luogo, rr, pp))
            v = m_elenco.dellaProvincia(q.cosa, rr, pp);
        else if (q.luogo.size() == 5 && SoloCifre(q.luogo))
            v = m_elenco.delCap(q.cosa, q.luogo);
        else
            for (const LuogoTabella& l : m_elenco.comuniDiNome(q.luogo)) v += m_elenco.delComune(q.cosa, l.r, l.p, l.c);
    }
    r.testo = RisultatiBianche(Filtra(v, InBianche), PaginaDaOffset(Param(p, "be")), q);
    return r;
}

Servizio::Risposta Servizio::geocoder(const Parametri& p) {
    Risposta r;
    const QString via = Param(p, "addr2").simplified();
    QString citta = Param(p, "addr3").simplified();
    const QString cap = Param(p, "pc").trimmed();
    QString sigla;
    const int spazio = int(citta.lastIndexOf(u' '));
    if (spazio > 0 && citta.size() - spazio - 1 == 2) {
        sigla = citta.mid(spazio + 1);
        citta = citta.left(spazio);
    }
    const QString cercato = (via + QStringLiteral(", ") + cap + u' ' + citta).simplified();
    const Territorio& t = m_elenco.territorio();
    QVector<LuogoTabella> luoghi = m_elenco.comuniDiNome(citta);
    if (!sigla.isEmpty())
        luoghi.removeIf([&](const LuogoTabella& l) {
            return t.siglaProvincia(l.r, l.p).compare(sigla, Qt::CaseInsensitive) != 0;
        });
    if (luoghi.isEmpty() || via.isEmpty()) {
        r.testo = GeocoderElenco(cercato, {});
        return r;
    }
    const LuogoTabella& l = luoghi.front();
    LuogoGeocoder g;
    m_elenco.centro(l.r, l.p, l.c, g.lat, g.lon);
    const quint64 h = Impronta(via.toLower());
    g.lat += (double(h % 1000) / 1000.0 - 0.5) * 0.02;
    g.lon += (double((h >> 10) % 1000) / 1000.0 - 0.5) * 0.02;
    const QString capLuogo = cap.size() == 5 ? cap : t.capComune(l.r, l.p, l.c);
    g.testo = via + QStringLiteral(", ") + capLuogo + u' ' + t.nomeComune(l.r, l.p, l.c);
    if (h % 5 != 0) {
        r.testo = GeocoderSingolo(cercato, g);
        return r;
    }
    // Some addresses are ambiguous: the right place comes with a namesake street elsewhere.
    LuogoGeocoder altro = g;
    altro.lat += 0.3;
    altro.testo = via + QStringLiteral(", ") + t.capComune(1, 1, 1) + u' ' + t.nomeComune(1, 1, 1);
    r.testo = GeocoderElenco(cercato, {altro, g});
    return r;
}

Servizio::Risposta Servizio::overpass(const Parametri& p) {
    const RispostaOverpassSim o = RispondiOverpass(m_elenco, m_catalogo, Param(p, "data"));
    Risposta r;
    r.stato = o.stato;
    r.testo = QString::fromUtf8(o.json);
    if (o.stato == 200) r.tipo = "application/json";
    return r;
}

}  // namespace gm::sim
