#include "sim/overpass.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "osm/overpass.h"
#include "osm/preset.h"
#include "sim/elenco.h"

namespace gm::sim {

namespace {

// The body of a quoted Overpass string, unescaped.
QString Sgancia(const QString& s) {
    QString r;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size()) ++i;
        r += s[i];
    }
    return r;
}

RispostaOverpassSim Errore(const QString& testo) {
    return {400, QStringLiteral("<html><body><p>Error: %1</p></body></html>").arg(testo).toUtf8()};
}

// The spelling on the map: a few names carry the accent the area table leaves out.
QString NomeSullaMappa(const QString& nome) {
    if (nome.size() > 3 && Impronta(nome) % 7 == 0) {
        const QChar ultima = nome.back();
        static const QString piane = QStringLiteral("aeiou"), accentate = QStringLiteral("àèìòù");
        const int i = int(piane.indexOf(ultima));
        if (i >= 0) return nome.left(nome.size() - 1) + accentate[i];
    }
    return nome;
}

QJsonObject Confine(const QString& nome, qint64 id) {
    return QJsonObject{{"type", "relation"},
                       {"id", double(id)},
                       {"tags", QJsonObject{{"admin_level", "8"}, {"boundary", "administrative"}, {"name", nome}, {"type", "boundary"}}}};
}

void Elementi(Elenco& elenco, const QString& categoria, const osm::Filtro& filtro, int r, int p, int c, QJsonArray& out) {
    for (const Azienda& a : elenco.delComune(categoria, r, p, c)) {
        const quint64 h = Impronta(a.chiave, 0x6f736dULL);
        QJsonObject tag;
        for (const auto& [k, v] : filtro) tag.insert(k, v.isEmpty() ? QStringLiteral("yes") : v);
        if (h % 12 != 0) tag.insert("name", a.nome);  // some points have no name on the map
        if (h % 6 != 1) {
            tag.insert("addr:street", a.via);
            tag.insert("addr:housenumber", a.civico);
            if (h % 3 != 0) tag.insert("addr:postcode", a.cap);
            tag.insert("addr:city", a.comune);
        }
        if (h % 10 != 2) tag.insert(h % 4 == 0 ? "contact:phone" : "phone", QStringLiteral("+39 ") + a.telefono);
        QJsonObject e{{"id", double(h & 0xffffffffffULL)}, {"tags", tag}};
        const QJsonObject posizione{{"lat", a.lat}, {"lon", a.lon}};
        if (h % 5 == 3) {
            e.insert("type", "way");
            e.insert("center", posizione);
        } else {
            e.insert("type", "node");
            e.insert("lat", a.lat);
            e.insert("lon", a.lon);
        }
        out.append(e);
    }
}

}  // namespace

RispostaOverpassSim RispondiOverpass(Elenco& elenco, const osm::CatalogoPreset& catalogo, const QString& query) {
    const Territorio& t = elenco.territorio();
    static const QRegularExpression reArea(QStringLiteral("area\\[\"ISO3166-2\"=\"([^\"]+)\"\\]"));
    static const QRegularExpression reNome(QStringLiteral("\\[\"name\"~\"((?:[^\"\\\\]|\\\\.)*)\",i\\]"));
    static const QRegularExpression reNwr(QStringLiteral("nwr((?:\\[[^\\]]*\\])+)\\(area\\.dentro\\)"));
    static const QRegularExpression reCond(QStringLiteral("\\[\"((?:[^\"\\\\]|\\\\.)*)\"(?:=\"((?:[^\"\\\\]|\\\\.)*)\")?\\]"));
    if (!query.contains(QStringLiteral("out center tags")) || !query.contains(QStringLiteral("[out:json]")))
        return Errore(QStringLiteral("only [out:json] queries with out center tags are answered"));
    const auto mArea = reArea.match(query);
    if (!mArea.hasMatch()) return Errore(QStringLiteral("no area"));
    const QString codice = mArea.captured(1);

    // The area: a region by its number, a province by its code.
    int rArea = 0, pArea = 0;
    for (int r = 1; r <= t.numeroRegioni() && rArea == 0; ++r) {
        if (osm::CodiceIso(t, r) == codice) rArea = r;
        for (int p = 1; p <= t.numeroProvince(r) && rArea == 0 && t.numeroProvince(r) > 1; ++p)
            if (osm::CodiceIso(t, r, p) == codice) {
                rArea = r;
                pArea = p;
            }
    }
    QRegularExpression nome;
    const auto mNome = reNome.match(query);
    if (mNome.hasMatch()) {
        nome = QRegularExpression(Sgancia(mNome.captured(1)), QRegularExpression::CaseInsensitiveOption);
        if (!nome.isValid()) return Errore(QStringLiteral("bad regular expression"));
    }
    QVector<osm::Filtro> filtri;
    for (auto it = reNwr.globalMatch(query); it.hasNext();) {
        const QString condizioni = it.next().captured(1);
        osm::Filtro f;
        for (auto jt = reCond.globalMatch(condizioni); jt.hasNext();) {
            const auto m = jt.next();
            f.append({Sgancia(m.captured(1)), Sgancia(m.captured(2))});
        }
        if (!f.isEmpty()) filtri << f;
    }
    if (filtri.isEmpty()) return Errore(QStringLiteral("no element filter"));

    QJsonArray elementi;
    if (rArea != 0) {
        // Boundaries touching the area come too, as area queries return them: one neighbour
        // from the next province, whose elements lie outside.
        QVector<std::array<int, 3>> comuni;
        for (int p = 1; p <= t.numeroProvince(rArea); ++p) {
            if (pArea != 0 && p != pArea) continue;
            for (int c = 1; c <= t.numeroComuni(rArea, p); ++c) comuni.append({rArea, p, c});
        }
        const int pVicina = (pArea != 0 ? pArea : t.numeroProvince(rArea)) % t.numeroProvince(rArea) + 1;
        const int rVicina = pArea != 0 && t.numeroProvince(rArea) > 1 ? rArea : rArea % t.numeroRegioni() + 1;
        comuni.append({rVicina, pArea != 0 && t.numeroProvince(rArea) > 1 ? pVicina : 1, 1});
        for (const auto& [r, p, c] : comuni) {
            const QString sullaMappa = NomeSullaMappa(t.nomeComune(r, p, c));
            if (nome.isValid() && !nome.pattern().isEmpty() && !nome.match(sullaMappa).hasMatch()) continue;
            elementi.append(Confine(sullaMappa, 3600000000LL + r * 1000000LL + p * 1000 + c));
            for (const osm::Filtro& f : filtri) {
                // The directory's category for these tags: the preset's Italian name.
                QString categoria = f.front().second.isEmpty() ? f.front().first : f.front().second;
                for (const osm::Preset& pr : catalogo.preset())
                    if (pr.tag == f) {
                        categoria = pr.nome;
                        break;
                    }
                Elementi(elenco, categoria, f, r, p, c, elementi);
            }
        }
    }
    const QJsonObject radice{{"version", 0.6},
                             {"generator", "geomerce-sim"},
                             {"osm3s", QJsonObject{{"copyright", "The data included in this document is from "
                                                                 "www.openstreetmap.org. The data is made available "
                                                                 "under ODbL."}}},
                             {"elements", elementi}};
    return {200, QJsonDocument(radice).toJson(QJsonDocument::Compact)};
}

}  // namespace gm::sim
