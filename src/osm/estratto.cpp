#include "osm/estratto.h"

#include <osmium/handler.hpp>
#include <osmium/io/any_input.hpp>
#include <osmium/osm/location.hpp>
#include <osmium/visitor.hpp>

#include <QFileInfo>

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "geo/territorio.h"

namespace gm::osm {

namespace {

using Id = osmium::object_id_type;

bool Corrisponde(const osmium::TagList& tag, const QVector<Filtro>& filtri) {
    for (const Filtro& f : filtri) {
        bool tutti = true;
        for (const auto& [k, v] : f) {
            const char* valore = tag.get_value_by_key(k.toUtf8().constData());
            if (!valore || (!v.isEmpty() && QString::fromUtf8(valore) != v)) {
                tutti = false;
                break;
            }
        }
        if (tutti) return true;
    }
    return false;
}

QHash<QString, QString> Tag(const osmium::TagList& tag) {
    QHash<QString, QString> h;
    int n = 0;
    for (const osmium::Tag& t : tag) {
        if (++n > kMaxTagElemento) break;
        h.insert(QString::fromUtf8(t.key()).left(kMaxTestoTag), QString::fromUtf8(t.value()).left(kMaxTestoTag));
    }
    return h;
}

struct Confine {
    Luogo luogo;
    std::vector<Id> vie;
    std::vector<std::pair<osmium::Location, osmium::Location>> lati;
    osmium::Box riquadro;
};

struct Punto {
    QHash<QString, QString> tag;
    osmium::Location posizione;  // nodes; outlines get theirs from the box of their nodes
    std::vector<Id> nodi;        // outlines
    std::vector<Id> vie;         // outlines made of several ways (relations)
};

// Even-odd crossing over every side of every ring: holes and rings split over many ways need
// no assembly.
bool Dentro(const Confine& c, const osmium::Location& p) {
    if (!c.riquadro.valid() || !c.riquadro.contains(p)) return false;
    const double x = p.lon(), y = p.lat();
    bool dentro = false;
    for (const auto& [a, b] : c.lati) {
        const double ya = a.lat(), yb = b.lat();
        if ((ya > y) != (yb > y)) {
            const double xi = a.lon() + (y - ya) / (yb - ya) * (b.lon() - a.lon());
            if (x < xi) dentro = !dentro;
        }
    }
    return dentro;
}

class Lettore {
public:
    Lettore(const QString& file, const std::function<bool()>& fermato) : m_file(file.toStdString()), m_fermato(fermato) {}
    // One pass over the entities of one kind; false when stopped.
    template <class F>
    bool passo(osmium::osm_entity_bits::type tipo, F&& f) {
        osmium::io::Reader lettore{m_file, tipo};
        while (osmium::memory::Buffer b = lettore.read()) {
            if (m_fermato && m_fermato()) {
                lettore.close();
                return false;
            }
            for (const osmium::OSMObject& o : b.select<osmium::OSMObject>()) f(o);
        }
        lettore.close();
        return true;
    }

private:
    std::string m_file;
    std::function<bool()> m_fermato;
};

}  // namespace

LetturaEstratto LeggiEstratto(const Territorio& t, const QString& file, const QVector<AreaOsm>& aree,
                              const QVector<Filtro>& filtri, const std::function<bool()>& fermato) {
    LetturaEstratto r;
    if (!QFileInfo(file).isFile()) {
        r.errore = QStringLiteral("file di estratto non trovato: ") + file;
        return r;
    }
    IndiceComuni indice(t, aree.value(0));
    for (int i = 1; i < aree.size(); ++i) indice.aggiungi(t, aree[i]);

    std::vector<Confine> confini;
    std::vector<Punto> punti;
    std::unordered_map<Id, std::vector<Id>> vie;  // ways needed: their node lists
    std::vector<Id> nodiServono;
    std::unordered_map<Id, osmium::Location> posizioni;
    Lettore l(file, fermato);
    try {
        // Relations: the boundaries of the areas' municipalities, and outlines of several ways.
        const bool ok1 = l.passo(osmium::osm_entity_bits::relation, [&](const osmium::OSMObject& o) {
            const auto& rel = static_cast<const osmium::Relation&>(o);
            const osmium::TagList& tag = rel.tags();
            std::vector<Id> membri;
            for (const osmium::RelationMember& m : rel.members())
                if (m.type() == osmium::item_type::way) membri.push_back(m.ref());
            if (tag.has_tag("boundary", "administrative") && tag.has_tag("admin_level", "8")) {
                Luogo luogo;
                const char* it = tag.get_value_by_key("name:it");
                const char* nome = tag.get_value_by_key("name");
                if ((it && indice.perNome(QString::fromUtf8(it), luogo)) || (nome && indice.perNome(QString::fromUtf8(nome), luogo))) {
                    confini.push_back({luogo, membri, {}, {}});
                    for (Id v : membri) vie[v];
                }
            } else if (Corrisponde(tag, filtri)) {
                Punto p;
                p.tag = Tag(tag);
                p.vie = membri;
                for (Id v : membri) vie[v];
                punti.push_back(std::move(p));
            }
        });
        // Ways: those the relations need, and outlines with the tags.
        const bool ok2 = ok1 && l.passo(osmium::osm_entity_bits::way, [&](const osmium::OSMObject& o) {
            const auto& w = static_cast<const osmium::Way&>(o);
            auto it = vie.find(w.id());
            const bool serve = it != vie.end();
            const bool cercata = Corrisponde(w.tags(), filtri);
            if (!serve && !cercata) return;
            std::vector<Id> nodi;
            nodi.reserve(w.nodes().size());
            for (const osmium::NodeRef& n : w.nodes()) nodi.push_back(n.ref());
            nodiServono.insert(nodiServono.end(), nodi.begin(), nodi.end());
            if (cercata) {
                Punto p;
                p.tag = Tag(w.tags());
                p.nodi = nodi;
                punti.push_back(std::move(p));
            }
            if (serve) it->second = std::move(nodi);
        });
        std::sort(nodiServono.begin(), nodiServono.end());
        nodiServono.erase(std::unique(nodiServono.begin(), nodiServono.end()), nodiServono.end());
        posizioni.reserve(nodiServono.size());
        // Nodes: points with the tags, and the positions of the nodes the ways need.
        const bool ok3 = ok2 && l.passo(osmium::osm_entity_bits::node, [&](const osmium::OSMObject& o) {
            const auto& n = static_cast<const osmium::Node&>(o);
            ++r.nodiLetti;
            if (!n.location().valid()) return;
            if (std::binary_search(nodiServono.begin(), nodiServono.end(), n.id())) posizioni[n.id()] = n.location();
            if (!n.tags().empty() && Corrisponde(n.tags(), filtri)) {
                Punto p;
                p.tag = Tag(n.tags());
                p.posizione = n.location();
                punti.push_back(std::move(p));
            }
        });
        if (!ok3) {
            r.errore = QStringLiteral("interrotto");
            return r;
        }
    } catch (const std::exception& e) {
        r.errore = QStringLiteral("file di estratto non leggibile (%1)").arg(QString::fromUtf8(e.what()).left(200));
        return r;
    }

    auto posizione = [&](Id id, osmium::Location& loc) {
        const auto it = posizioni.find(id);
        if (it == posizioni.end()) return false;
        loc = it->second;
        return true;
    };
    for (Confine& c : confini) {
        for (Id v : c.vie) {
            const std::vector<Id>& nodi = vie[v];
            osmium::Location a, b;
            for (size_t i = 0; i + 1 < nodi.size(); ++i)
                if (posizione(nodi[i], a) && posizione(nodi[i + 1], b)) {
                    c.lati.emplace_back(a, b);
                    c.riquadro.extend(a);
                    c.riquadro.extend(b);
                }
        }
    }
    r.confini = qint64(confini.size());
    for (Punto& p : punti) {
        if (!p.posizione.valid()) {
            // An outline's position is the centre of the box of its nodes.
            osmium::Box box;
            osmium::Location loc;
            for (Id n : p.nodi)
                if (posizione(n, loc)) box.extend(loc);
            for (Id v : p.vie)
                for (Id n : vie[v])
                    if (posizione(n, loc)) box.extend(loc);
            if (!box.valid()) continue;
            p.posizione = osmium::Location((box.bottom_left().lon() + box.top_right().lon()) / 2,
                                           (box.bottom_left().lat() + box.top_right().lat()) / 2);
        }
        Luogo luogo;
        bool trovato = false;
        for (const Confine& c : confini)
            if (Dentro(c, p.posizione)) {
                luogo = c.luogo;
                trovato = true;
                break;
            }
        if (!trovato && !indice.perTag(p.tag, luogo)) {
            ++r.esito.fuoriArea;
            continue;
        }
        Record rec;
        if (!RecordDaTag(t, luogo, p.tag, p.posizione.lat(), p.posizione.lon(), rec)) {
            ++r.esito.senzaNome;
            continue;
        }
        r.esito.record.append(rec);
    }
    return r;
}

}  // namespace gm::osm
