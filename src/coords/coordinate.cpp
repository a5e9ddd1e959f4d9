#include "coords/coordinate.h"

#include <QUrl>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "coords/indirizzi.h"
#include "geo/territorio.h"
#include "harvest/stato.h"
#include "io/salvataggio.h"
#include "net/anticipo.h"
#include "net/pagina_web.h"
#include "net/testo.h"
#include "table/tabella.h"

namespace gm {

using namespace coords;

namespace {
QString Codifica(const QString& v) { return QString::fromLatin1(QUrl::toPercentEncoding(v)); }
}  // namespace

Coordinate::Coordinate(Nucleo& n, Salvataggio& salva) : n(n), salva(salva) {}
Coordinate::~Coordinate() = default;

const IndiceAree& Coordinate::Aree() {
    // Built once the area table is loaded; rebuilt should it be loaded again.
    if (!m_aree || m_aree->numeroRegioni != n.terr.numeroRegioni())
        m_aree = std::make_unique<IndiceAree>(n.terr);
    return *m_aree;
}

void Coordinate::Scarica(const QString& url) {
    if (m_ombra)
        ScaricaInOmbra(url);
    else if (scarica)
        scarica(url);
    else
        n.web.EstrazionePaginadaInternet(url);
}

void Coordinate::Segnala(const QString& tentativi) {
    if (!m_ombra) n.c.lblTent.setCaption(tentativi);
}

void Coordinate::Cedi() {
    if (!m_ombra) n.av.Cedi();
}

QString Coordinate::Cella(long r, int c) const { return G().text(int(r), c); }
void Coordinate::ScriviCella(long r, int c, const QString& t) { G().setText(int(r), c, t); }

void Coordinate::ScriviPosizione(long r, const Posizione& p) {
    ScriviCella(r, kLatitudine, p.lat);
    ScriviCella(r, kLongitudine, p.lon);
}

void Coordinate::ErroreGrave() {
    if (m_ombra) return;  // a lookup run ahead changes nothing
    salva.SalvaFile(0);
    n.av.bStop = true;
}

MemoriaCoordinate* Coordinate::Memoria() {
    // No work folder yet, no file to open.
    if (!n.c.chkMemoria.value() || n.amb.cartellaProgramma.isEmpty()) return nullptr;
    if (!memoria.aperta() && !m_memoriaProvata) {
        // One attempt while the program runs: a file that cannot be used costs one message, not one a record.
        m_memoriaProvata = true;
        QString messaggio;
        memoria.apri(n.amb.percorso(QStringLiteral("Geomerce.db")), messaggio);
        if (!messaggio.isEmpty()) AvvisoMemoria(messaggio);
    }
    return memoria.aperta() ? &memoria : nullptr;
}

void Coordinate::AvvisoMemoria(const QString& testo) {
    if (m_ombra) return;  // the lookup itself will tell
    n.d.messaggio(testo, QStringLiteral("Memoria delle coordinate"), Icona::Esclamazione);
}

namespace {
MemoriaCoordinate::Chiave ChiaveRiga(const Griglia& g, long r) {
    return MemoriaCoordinate::ChiaveDi(g.text(int(r), kTelefono), g.text(int(r), kIndirizzo), g.text(int(r), kCap));
}
}  // namespace

bool Coordinate::DallaMemoria(long Riga, MemoriaCoordinate::Fonte fonte) {
    if (Riga < 1 || Riga >= G().rows()) return false;
    MemoriaCoordinate* m = Memoria();
    if (!m) return false;
    const auto v = m->cerca(ChiaveRiga(G(), Riga), fonte);
    if (!m->aperta())
        AvvisoMemoria(QStringLiteral("La memoria delle coordinate non è più leggibile (") + m->errore +
                      QStringLiteral(").\r\n\r\nLa ricerca prosegue chiedendo le coordinate ai servizi."));
    if (!v) return false;
    // The row takes what the lookup gave it then, as asking again would.
    for (int k = 0; k < 5; ++k)
        if (!v->campi[k].isEmpty() && Cella(Riga, k) != v->campi[k]) ScriviCella(Riga, k, v->campi[k]);
    ScriviPosizione(Riga, {v->lat, v->lon});
    return true;
}

namespace {
void Registra(MemoriaCoordinate& m, const MemoriaCoordinate::Chiave& k, MemoriaCoordinate::Voce v,
              const std::function<void(const QString&)>& avviso) {
    v.data = m.oggi();
    if (!m.ricorda(k, v) && !m.aperta())
        avviso(QStringLiteral("La memoria delle coordinate non accetta più scritture (") + m.errore +
               QStringLiteral(").\r\n\r\nLa ricerca prosegue senza memoria."));
}
}  // namespace

void Coordinate::RicordaMappa(long Riga, MemoriaCoordinate::Fonte fonte) {
    if (Riga < 1 || Riga >= G().rows() || m_ombra) return;
    MemoriaCoordinate* m = Memoria();
    if (!m) return;
    MemoriaCoordinate::Voce v;
    v.lat = Cella(Riga, kLatitudine);
    v.lon = Cella(Riga, kLongitudine);
    v.fonte = fonte;
    Registra(*m, ChiaveRiga(G(), Riga), v, [this](const QString& t) { AvvisoMemoria(t); });
}

void Coordinate::MappaAnnuncio(long Riga, Fonte fonte, const QString& url) {
    const bool gialle = fonte == Fonte::MappaGialle;
    if (gialle && n.av.bStop && !m_ombra) return;
    if (!url.isEmpty() && !DallaMemoria(Riga, fonte)) {
        if (gialle) {
            Segnala(QStringLiteral("*"));
        } else {
            if (!m_ombra) n.c.lblTent.setForeColor(kNero);
            Cedi();
        }
        Scarica(url);
        Cedi();
        if (!gialle && !HaMappa(n.web.sTestoPagina)) {
            const QString seconda = LinkMappaInterattiva(n.web.sTestoPagina);
            if (!seconda.isEmpty()) {
                Segnala(QStringLiteral("**"));
                Scarica(UnisciIndirizzo(n.amb.servizi.bianche, seconda));
            }
        }
        // Only a map page fetched for this listing may give it coordinates.
        if (!HaMappa(n.web.sTestoPagina)) {
            if (gialle) Segnala(QStringLiteral("**"));
        } else {
            const Posizione pos = LeggiMappa(n.web.sTestoPagina);
            if (pos.valida()) {
                ScriviPosizione(Riga, pos);
                RicordaMappa(Riga, fonte);
            }
        }
    }
    // The record shown, and the lookup for what the map did not place.
    if (!m_ombra) n.c.txtRec.setText(QString::number(n.tab.nRecord));
    Cedi();
    Segnala(QStringLiteral("*"));
    if (Cella(Riga, kLatitudine).isEmpty()) EstraeSingolaPosizioneGps(Riga);
}

// ---------------------------------------------------------------------------------------------
// The lookup run ahead: the same steps on a copy of the record, every page taken from the
// bookings; the first page not yet there is booked and the run ends there. It runs again from the
// start whenever one of its pages arrives, so it books exactly the pages the lookup will ask for.

struct Coordinate::Ombra {
    Griglia griglia{QStringLiteral("ombra")};
    std::shared_ptr<Catena> cat;
    Catena& catena;
    size_t passo = 0;
    bool sospesa = false;
    explicit Ombra(const std::shared_ptr<Catena>& p) : cat(p), catena(*p) {
        const Catena& c = *p;
        griglia.setCols(kColonne);
        griglia.setRows(2);
        griglia.setRiga(1, QVector<QString>(c.record.begin(), c.record.end()));
    }
};

Griglia& Coordinate::G() const { return m_ombra ? m_ombra->griglia : n.tab.mfgTab; }

void Coordinate::Anticipa(const std::shared_ptr<Catena>& catena) {
    // Answers put in by a test instead of the fetcher leave nothing to fetch ahead.
    if (!catena || catena->ferma || catena->completa || catena->inCorso || scarica) return;
    if (m_ombra) {
        // A booking that ended at once while another run was on: run it after that one.
        m_daRifare.push_back(catena);
        return;
    }
    // The memory opened (and any word about it given) by the program itself, not by a run ahead.
    Memoria();
    auto esegui = [this](const std::shared_ptr<Catena>& p) {
        Catena& c = *p;
        // Everything the steps touch beyond the copy of the record is put back afterwards.
        const QString testo = n.web.sTestoPagina;
        const auto campi = n.stato.aCampi;
        const auto candidati = aCandidati;
        const bool trovate = bCoordinateTrovate;
        const long riprese = memoria.riprese;
        Ombra o(p);
        m_ombra = &o;
        try {
            long riga = 1;
            if (c.soloRicerca)
                EstraeSingolaPosizioneGps(riga);
            else
                MappaAnnuncio(riga, c.fonte, c.urlMappa);
        } catch (...) {
            c.ferma = true;
        }
        m_ombra = nullptr;
        if (!o.sospesa) c.completa = true;
        n.web.sTestoPagina = testo;
        n.stato.aCampi = campi;
        aCandidati = candidati;
        bCoordinateTrovate = trovate;
        memoria.riprese = riprese;
    };
    esegui(catena);
    while (!m_daRifare.empty()) {
        const auto altra = m_daRifare.front();
        m_daRifare.erase(m_daRifare.begin());
        if (!altra->ferma && !altra->completa && !altra->inCorso) esegui(altra);
    }
}

void Coordinate::ScaricaInOmbra(const QString& url) {
    Ombra& o = *m_ombra;
    Catena& c = o.catena;
    n.web.sTestoPagina.clear();
    if (o.sospesa) return;  // past the first page not yet there nothing is known
    o.sospesa = true;
    const size_t i = o.passo++;
    if (i < c.pagine.size()) {
        const Anticipo::Voce& v = c.pagine[i];
        if (v->url != url) {
            c.ferma = true;  // another way than before: book nothing more
        } else if (v->finita()) {
            // A page that did not arrive gets its further rounds from the lookup itself.
            if (v->r->esito != EsitoPagina::Arrivata) {
                c.ferma = true;
                return;
            }
            n.web.sTestoPagina = n.web.TestoAnticipato(*v->r);
            o.sospesa = false;
        }
        return;
    }
    if (!n.web.anticipo.attivo() || n.av.bStop) return;
    c.pagine.push_back(n.web.anticipo.prenota(url, c.priorita, [this, w = std::weak_ptr<Catena>(o.cat)] {
        if (const auto cat = w.lock()) Anticipa(cat);
    }));
}

void Coordinate::AnticipaPassata(int riga, int ultima, const std::function<bool(int)>& daCercare) {
    auto& anticipo = n.web.anticipo;
    if (!anticipo.attivo() || n.av.bStop) return;
    const auto& g = n.tab.mfgTab;
    m_passata.erase(m_passata.begin(), m_passata.lower_bound(riga));
    if (const auto it = m_passata.find(riga); it != m_passata.end()) it->second->inCorso = true;
    // Enough rows to keep every request at once busy, not the whole table.
    const int finestra = 4 * anticipo.massimo;
    QVector<MemoriaCoordinate::Chiave> aperte{ChiaveRiga(g, riga)};
    int quante = 0;
    for (int j = riga + 1; j <= ultima && j < g.rows() && quante < finestra; ++j) {
        if (!daCercare(j)) continue;
        ++quante;
        // A row with the key of a lookup still open may find its position in the memory then.
        const auto chiave = ChiaveRiga(g, j);
        if (chiave.valida() && std::any_of(aperte.begin(), aperte.end(), [&](const auto& k) {
                return k.telefono == chiave.telefono && k.indirizzo == chiave.indirizzo && k.cap == chiave.cap;
            }))
            break;
        aperte << chiave;
        auto& catena = m_passata[j];
        if (catena) continue;
        catena = std::make_shared<Catena>();
        for (int k = 0; k < kColonne; ++k) catena->record[k] = g.text(j, k);
        catena->soloRicerca = true;
        catena->priorita = j;
        Anticipa(catena);
    }
}

void Coordinate::FineAnticipo() {
    n.web.anticipo.annulla();
    m_passata.clear();
}

void Coordinate::EstraeSingolaPosizioneGps(long& Riga) { Cerca(Riga, true); }
void Coordinate::RicalcolaPosizioneGps(long& Riga) { Cerca(Riga, false); }

void Coordinate::Cerca(long& Riga, bool dallaMemoria) {
    bCoordinateTrovate = false;
    if (Riga < 1 || Riga >= G().rows()) return;
    using Fonte = MemoriaCoordinate::Fonte;
    // Telefono, Nome and Geocoder all name the one lookup entry of a key. A row without
    // coordinates may also take the position its listing's map page gave.
    const bool senzaPosizione = Val(Cella(Riga, kLatitudine)) == 0.0;
    if (dallaMemoria && (DallaMemoria(Riga, Fonte::Telefono) ||
                         (senzaPosizione && (DallaMemoria(Riga, Fonte::MappaGialle) ||
                                             DallaMemoria(Riga, Fonte::MappaBianche))))) {
        bCoordinateTrovate = true;
        Segnala(QString());
        Cedi();
        return;
    }
    // The key and the data the row had before the services were asked.
    const MemoriaCoordinate::Chiave chiave = ChiaveRiga(G(), Riga);
    std::array<QString, 5> prima;
    for (int k = 0; k < 5; ++k) prima[k] = Cella(Riga, k);
    Fonte fonte = Fonte::Telefono;
    try {
        PercorsoBianche(Riga);
    } catch (...) {
    }
    try {
        if (Cella(Riga, kIndirizzo).isEmpty() || Cella(Riga, kCap).isEmpty() || Cella(Riga, kCitta).isEmpty() ||
            !bCoordinateTrovate)
            if (PercorsoGialle(Riga)) fonte = Fonte::Nome;
    } catch (...) {
    }
    try {
        if (!bCoordinateTrovate) {
            RilevaCoordinateImap(Riga);
            fonte = Fonte::Geocoder;
        }
    } catch (...) {
    }
    if (bCoordinateTrovate && Riga < G().rows() && !m_ombra) {
        if (MemoriaCoordinate* m = Memoria()) {
            MemoriaCoordinate::Voce v;
            v.lat = Cella(Riga, kLatitudine);
            v.lon = Cella(Riga, kLongitudine);
            v.fonte = fonte;
            // Only what the lookup changed is replayed later.
            for (int k = 0; k < 5; ++k)
                if (Cella(Riga, k) != prima[k]) v.campi[k] = Cella(Riga, k);
            Registra(*m, chiave, v, [this](const QString& t) { AvvisoMemoria(t); });
        }
    }
    Segnala(QString());
    Cedi();
}

// Reverse lookup by telephone, then the map page of the listing found.
bool Coordinate::PercorsoBianche(long Riga) {
    const QString telefono = Cella(Riga, kTelefono).remove(u' ');
    if (telefono.isEmpty()) return false;
    const QString base = n.amb.servizi.bianche;
    Segnala(QStringLiteral("*"));
    Cedi();
    Scarica(base + QStringLiteral("/execute.cgi?btt=1&tl=2&tr=106&cb=&qs=") + Codifica(telefono) +
            QStringLiteral("&x=24&y=4"));
    if (RispostaNegata(n.web.sTestoPagina)) return false;
    const QString link = LinkMappaBianche(n.web.sTestoPagina);
    if (link.isEmpty()) return false;
    Scarica(UnisciIndirizzo(base, link));
    Cedi();
    if (!HaMappa(n.web.sTestoPagina)) {
        const QString seconda = LinkMappaInterattiva(n.web.sTestoPagina);
        if (!seconda.isEmpty()) {
            Segnala(QStringLiteral("**"));
            Scarica(UnisciIndirizzo(base, seconda));
        }
    }
    const Posizione p = LeggiMappa(n.web.sTestoPagina);
    if (!p.valida()) return false;
    ScriviPosizione(Riga, p);
    Scheda s;
    if (LeggiSchedaBianche(n.web.sTestoPagina, s)) {
        // Only what the listing gave replaces the row's data.
        for (int k = 0; k < 5; ++k)
            if (!s[k].isEmpty()) ScriviCella(Riga, k, PrimoMaiuscolo(s[k]));
    }
    bCoordinateTrovate = true;
    return true;
}

// Search by name and address, then the map page of the first listing.
bool Coordinate::PercorsoGialle(long Riga) {
    Segnala(QStringLiteral("**"));
    QString via, civico, riscritta;
    SeparaCivico(Cella(Riga, kIndirizzo), via, civico, riscritta);
    if (!riscritta.isEmpty()) ScriviCella(Riga, kIndirizzo, riscritta);
    const QString citta = PulisciCitta(Cella(Riga, kCitta));
    if (citta != Cella(Riga, kCitta)) ScriviCella(Riga, kCitta, citta);
    const QString base = n.amb.servizi.gialle;
    Scarica(base + QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=0&ind=") + Codifica(via) +
            QStringLiteral("&nc=") + Codifica(civico) + QStringLiteral("&qs=") + Codifica(Cella(Riga, kNome)) +
            QStringLiteral("&dv=") + Codifica(citta));
    const QString risultati = n.web.sTestoPagina;
    if (!HaMappa(risultati)) {
        const QString query = LinkMappaGialle(risultati);
        if (!query.isEmpty()) Scarica(base + QStringLiteral("/pg/cgi/mappe/build_map.cgi?") + query);
    }
    const Posizione p = LeggiMappa(n.web.sTestoPagina);
    if (!p.valida()) return false;
    ScriviPosizione(Riga, p);
    bCoordinateTrovate = true;
    // The first listing completes what the row lacks; filled cells are kept.
    Scheda s;
    if (LeggiPrimoAnnuncioGialle(risultati, Cella(Riga, kPr), s))
        for (int k = kIndirizzo; k <= kPr; ++k)
            if (Cella(Riga, k).isEmpty() && !s[k].isEmpty()) ScriviCella(Riga, k, PrimoMaiuscolo(s[k]));
    return true;
}

void Coordinate::RilevaCoordinateImap(long& Riga) {
    try {
        auto& aCampi = n.stato.aCampi;
        for (int k = 0; k < kColonne; ++k) aCampi[k] = Cella(Riga, k);
        bCoordinateTrovate = false;
        if (Riga < 1 || Riga >= G().rows()) return;
        if (aCampi[kIndirizzo].isEmpty() || aCampi[kCitta].isEmpty()) return;

        auto valore = [](QString v) { return Codifica(v.remove(u'~')); };
        const QString url = n.amb.servizi.geocoder +
                            QStringLiteral("/map/places.cgi?client=public&lang=&advanced=&db=IT&overviewmap=&keepicon=true") +
                            QStringLiteral("&addr2=") + valore(aCampi[kIndirizzo]) + QStringLiteral("&addr3=") +
                            valore(aCampi[kCitta] + u' ' + aCampi[kPr]) + QStringLiteral("&pc=") +
                            valore(aCampi[kCap]) + QStringLiteral("&scale=5000");
        Segnala(QStringLiteral("***"));
        Scarica(QString(url).remove(u'~'));

        for (auto& riga : aCandidati) riga = Candidato{};
        const QVector<Luogo> luoghi = LeggiRispostaGeocoder(n.web.sTestoPagina);
        const long numero = std::min<long>(luoghi.size(), kMaxCandidati);
        QVector<Posizione> posizioni;
        for (long i = 1; i <= numero; ++i) {
            QString testo = luoghi[i - 1].testo;
            ValutaIndirizzo(i, testo);
            aCandidati[i][6] = QStringLiteral("0");
            posizioni << CoordinateFrammento(luoghi[i - 1].frammento);
        }
        if (numero == 0) return;

        long migliore = 0, punti = 0;
        for (long i = 1; i <= numero; ++i) {
            const long s = PunteggioCandidato(aCandidati[i], aCampi[kIndirizzo], aCampi[kCap], aCampi[kCitta],
                                              aCampi[kPr]);
            // A candidate without a usable position can never be chosen.
            if (s > 10 && posizioni[i - 1].valida()) {
                aCandidati[i][6] = QString::number(s);
                if (s > punti) {
                    punti = s;
                    migliore = i;
                }
            }
        }
        if (migliore == 0) return;

        const Candidato& c = aCandidati[migliore];
        const QString risultato[] = {IndirizzoRisultato(c[1], aCampi[kIndirizzo]), c[2], c[4], c[5]};
        for (int k = 0; k < 4; ++k) {
            if (Uguale(Cella(Riga, kIndirizzo + k), risultato[k])) continue;
            QString v = risultato[k];
            ScriviCella(Riga, kIndirizzo + k, PrimoMaiuscolo(v));
        }
        ScriviPosizione(Riga, posizioni[migliore - 1]);
        bCoordinateTrovate = true;
    } catch (...) {
        ErroreGrave();
    }
}

void Coordinate::ValutaIndirizzo(long& Indice, QString& Indirizzo) {
    if (Indice < 1 || Indice > kMaxCandidati) return;
    try {
        const auto& aCampi = n.stato.aCampi;
        ValutaLuogo(Aree(), aCandidati[Indice], Indirizzo, aCampi[kIndirizzo], aCampi[kCap], aCampi[kPr]);
    } catch (...) {
        ErroreGrave();
    }
}

bool Coordinate::ConfrontaTesti(QString& s1, QString& s2) {
    try {
        return coords::ConfrontaTesti(s1, s2);
    } catch (...) {
        ErroreGrave();
        return false;
    }
}

void Coordinate::CompletaCoordinateMancanti(long Modo) {
    auto& g = n.tab.mfgTab;
    auto& av = n.av;
    // A failing step saves the table, asks to stop and the pass goes on to its next poll.
    auto passo = [this](auto&& f) {
        try {
            f();
        } catch (...) {
            ErroreGrave();
        }
    };
    auto evidenzia = [&g](int i) { g.setSelezione(i, 0, i, g.cols() - 1); };

    passo([&] {
        n.web.anticipo.massimo = n.c.Connessioni();
        n.c.BloccaFrame(false);
        av.IndicaOccupato(true);
        av.bStop = false;
        n.c.tmrClock.start();
        av.MinutiDaSalvataggio = 0;
        av.InizioFase = Avanzamento::CalcolaSecondi();
    });

    // Phase 1: rows without coordinates, which sort last by latitude.
    const QString fase1 = QStringLiteral("Ricerca coordinate ") + n.c.txtCosa.text() + QStringLiteral(": fase 1/3");
    int ultimaConCoordinate = 0;
    passo([&] {
        n.tab.Ordina(kLatitudine, Griglia::DecrescenteNoCase);
        n.c.txt100.setText(fase1);
        av.Cedi();
        for (int r = g.rows() - 1; r >= 1; --r) {
            if (Val(g.text(r, kLatitudine)) != 0.0) {
                ultimaConCoordinate = r;
                break;
            }
        }
        g.setTopRow(std::max(ultimaConCoordinate, 1));
        av.DescrizioneFase = fase1;
    });
    const int ultima1 = g.rows() - 1;
    // Whatever way a phase ends, nothing booked for it stays in flight.
    struct Chiusura {
        Coordinate& c;
        ~Chiusura() { c.FineAnticipo(); }
    } chiusura{*this};
    const auto daCercare1 = [&g](int r) { return r < g.rows() && !g.text(r, kNome).isEmpty(); };
    for (int i = ultimaConCoordinate + 1; i <= ultima1; ++i) {
        passo([&] {
            if (daCercare1(i)) {
                g.setTopRow(int(Maggiore(i - 10, 1)));
                evidenzia(i);
                AnticipaPassata(i, ultima1, daCercare1);
                long riga = i;
                EstraeSingolaPosizioneGps(riga);
                av.AggiornaPercentuale(g.rows() - 1, i);
            }
        });
        if (av.bStop) break;
    }

    // Phase 2: rows whose address looks unusable.
    FineAnticipo();
    passo([&] {
        av.DescrizioneFase = QStringLiteral("Ricerca coordinate ") + n.c.txtCosa.text() + QStringLiteral(": fase 2/3");
        n.tab.Ordina(kIndirizzo, Griglia::DecrescenteNoCase);
    });
    const int ultima2 = g.rows() - 1;
    const auto daCercare2 = [&g](int r) {
        if (r >= g.rows()) return false;
        const QString indirizzo = g.text(r, kIndirizzo);
        bool vuota = true;  // a filler row holds nothing to look up
        for (int k = kNome; k <= kTelefono && vuota; ++k) vuota = g.text(r, k).isEmpty();
        const bool daRifare = indirizzo.contains(u'(') || indirizzo.isEmpty() || !indirizzo[0].isLetter() ||
                              indirizzo.contains(u'"') || g.text(r, kCitta).contains(u'~');
        return daRifare && !vuota;
    };
    for (int i = 1; i <= ultima2; ++i) {
        passo([&] {
            if (i >= g.rows()) return;
            g.setTopRow(int(Maggiore(i - 8, 1)));
            if (daCercare2(i)) {
                evidenzia(i);
                AnticipaPassata(i, ultima2, daCercare2);
                long riga = i;
                EstraeSingolaPosizioneGps(riga);
            }
        });
        if (av.bStop) break;
        passo([&] { av.AggiornaPercentuale(g.rows() - 1, i); });
    }

    passo([&] {
        av.AggiornaPercentuale(0, 0);
        g.setTopRow(1);
    });
    if (!av.bStop) passo([&] { n.tab.EliminaRigheVuoteTabella(); });

    if (Modo == 0) return;
    if (!av.bStop)
        n.d.messaggio(QStringLiteral("Elaborazione conclusa!"), kTitoloProgramma, Icona::Nessuna);
    else
        n.d.messaggio(QStringLiteral("Elaborazione interrotta!"), kTitoloProgramma, Icona::Informazione);
    n.c.BloccaFrame(true);
    if (bCaricaAbilitato) n.c.cmdCarica.setEnabled(bCaricaAbilitato());
    av.IndicaOccupato(false);
}

}  // namespace gm
