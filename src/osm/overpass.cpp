#include "osm/overpass.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include "coords/risposte.h"
#include "geo/territorio.h"
#include "net/testo.h"

namespace gm::osm {

namespace {

struct CodiceRegione {
    const char* nome;
    const char* codice;
};
// The area table's region names with their ISO 3166-2 codes.
const CodiceRegione kRegioni[] = {
    {"Abruzzi", "IT-65"},        {"Basilicata", "IT-77"},   {"Calabria", "IT-78"},
    {"Campania", "IT-72"},       {"Emilia Romagna", "IT-45"}, {"Friuli Venezia Giulia", "IT-36"},
    {"Lazio", "IT-62"},          {"Liguria", "IT-42"},      {"Lombardia", "IT-25"},
    {"Marche", "IT-57"},         {"Molise", "IT-67"},       {"Piemonte", "IT-21"},
    {"Puglia", "IT-75"},         {"Sardegna", "IT-88"},     {"Sicilia", "IT-82"},
    {"Toscana", "IT-52"},        {"Trentino Alto Adige", "IT-32"}, {"Umbria", "IT-55"},
    {"Valle d'Aosta", "IT-23"},  {"Veneto", "IT-34"},
};

// A text inside a double-quoted Overpass string.
QString Virgolette(const QString& s) {
    QString r = s;
    r.replace(u'\\', QStringLiteral("\\\\"));
    r.replace(u'"', QStringLiteral("\\\""));
    r.remove(u'\n');
    r.remove(u'\r');
    return u'"' + r + u'"';
}

QString Condizioni(const Filtro& f) {
    QString s;
    for (const auto& [k, v] : f) s += u'[' + Virgolette(k) + (v.isEmpty() ? QString() : u'=' + Virgolette(v)) + u']';
    return s;
}

QString Testo(const QJsonValue& v) {
    if (v.isString()) return v.toString().left(kMaxTestoTag);
    if (v.isDouble()) return QString::number(v.toDouble(), 'g', 15);
    return QString();
}

// Five decimals, cut rather than rounded, as the program writes every coordinate.
QString Coordinata(double v) { return coords::FormatoCoordinata(QString::number(v, 'f', 8)); }

QString Semplice(const QString& s) { return s.simplified(); }

}  // namespace

QString AreaOsm::descrizione(const Territorio& t) const {
    switch (livello) {
    case Regione: return QStringLiteral("Regione ") + t.nomeRegione(r);
    case Provincia: return QStringLiteral("Provincia ") + t.nomeProvincia(r, p);
    case Comune: return QStringLiteral("Comune ") + t.nomeComune(r, p, c) + QStringLiteral(" (") + t.siglaProvincia(r, p) + u')';
    }
    return QString();
}

QString CodiceIso(const Territorio& t, int r, int p) {
    const QString regione = t.nomeRegione(r);
    QString codiceRegione;
    for (const CodiceRegione& x : kRegioni)
        if (Uguale(regione, QString::fromUtf8(x.nome))) codiceRegione = QString::fromLatin1(x.codice);
    if (p == 0) return codiceRegione;
    const QString sigla = t.siglaProvincia(r, p);
    if (sigla.size() != 2) return QString();
    if (t.numeroProvince(r) == 1) return codiceRegione;
    return QStringLiteral("IT-") + sigla.toUpper();
}

int TimeoutOverpass(AreaOsm::Livello l) {
    switch (l) {
    case AreaOsm::Regione: return 600;
    case AreaOsm::Provincia: return 300;
    case AreaOsm::Comune: return 120;
    }
    return 300;
}

QString ModelloNome(const QString& nome) {
    static const QHash<QChar, QString> vocali = {
        {u'a', QStringLiteral("[aàá]")}, {u'e', QStringLiteral("[eèé]")}, {u'i', QStringLiteral("[iìí]")},
        {u'o', QStringLiteral("[oòó]")}, {u'u', QStringLiteral("[uùú]")}};
    QString r = QStringLiteral("^");
    for (QChar ch : nome.trimmed()) {
        const QChar l = ch.toLower();
        if (vocali.contains(l))
            r += vocali.value(l);
        else if (ch == u'\'' || ch == QChar(0x2019))
            r += QStringLiteral("['’]");
        else if (ch == u' ' || ch == u'-')
            r += QStringLiteral("[ -]");
        else if (ch.isLetterOrNumber())
            r += ch;
        else
            r += u'.';  // anything else stands for itself loosely, never as a pattern character
    }
    return r + u'$';
}

QString QueryOverpass(const Territorio& t, const AreaOsm& a, const QVector<Filtro>& filtri) {
    const QString codice = CodiceIso(t, a.r, a.livello == AreaOsm::Regione ? 0 : a.p);
    if (codice.isEmpty() || filtri.isEmpty()) return QString();
    QString q = QStringLiteral("[out:json][timeout:%1];\n").arg(TimeoutOverpass(a.livello));
    q += QStringLiteral("area[\"ISO3166-2\"=%1]->.zona;\n").arg(Virgolette(codice));
    const QString comuni = QStringLiteral("rel(area.zona)[\"boundary\"=\"administrative\"][\"admin_level\"=\"8\"]");
    if (a.livello == AreaOsm::Comune) {
        const QString modello = Virgolette(ModelloNome(t.nomeComune(a.r, a.p, a.c)));
        q += u'(' + comuni + QStringLiteral("[\"name\"~") + modello + QStringLiteral(",i];\n ") + comuni +
             QStringLiteral("[\"name:it\"~") + modello + QStringLiteral(",i];)->.comuni;\n");
    } else {
        q += comuni + QStringLiteral("->.comuni;\n");
    }
    q += QStringLiteral("foreach.comuni->.comune(\n  .comune out tags;\n  .comune map_to_area->.dentro;\n  (\n");
    for (const Filtro& f : filtri) q += QStringLiteral("    nwr") + Condizioni(f) + QStringLiteral("(area.dentro);\n");
    q += QStringLiteral("  );\n  out center tags;\n);\n");
    return q;
}

bool LeggiRisposta(const QByteArray& json, RispostaOverpass& r, QString& errore) {
    r = RispostaOverpass{};
    if (json.size() > kMaxByteRisposta) {
        errore = QStringLiteral("risposta di OpenStreetMap troppo grande");
        return false;
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        errore = QStringLiteral("risposta di OpenStreetMap non leggibile");
        return false;
    }
    const QJsonObject radice = doc.object();
    r.osservazione = Testo(radice.value(QStringLiteral("remark")));
    const QJsonValue ve = radice.value(QStringLiteral("elements"));
    if (!ve.isArray()) {
        errore = QStringLiteral("risposta di OpenStreetMap senza elenco di elementi");
        return false;
    }
    const QJsonArray elementi = ve.toArray();
    if (elementi.size() > kMaxElementi) {
        errore = QStringLiteral("risposta di OpenStreetMap con troppi elementi");
        return false;
    }
    r.elementi.reserve(elementi.size());
    for (const QJsonValue& v : elementi) {
        if (!v.isObject()) continue;
        const QJsonObject o = v.toObject();
        Elemento e;
        e.tipo = Testo(o.value(QStringLiteral("type")));
        // Any number may stand here; only one a 64-bit id can hold becomes one.
        const double id = o.value(QStringLiteral("id")).toDouble();
        e.id = id >= -9.0e18 && id <= 9.0e18 ? qint64(id) : 0;
        QJsonObject pos = o;
        if (o.contains(QStringLiteral("center"))) pos = o.value(QStringLiteral("center")).toObject();
        const QJsonValue la = pos.value(QStringLiteral("lat")), lo = pos.value(QStringLiteral("lon"));
        if (la.isDouble() && lo.isDouble()) {
            e.lat = la.toDouble();
            e.lon = lo.toDouble();
            e.posizione = e.lat >= -90 && e.lat <= 90 && e.lon >= -180 && e.lon <= 180;
        }
        const QJsonObject tag = o.value(QStringLiteral("tags")).toObject();
        int n = 0;
        for (auto it = tag.begin(); it != tag.end() && n < kMaxTagElemento; ++it, ++n)
            e.tag.insert(it.key().left(kMaxTestoTag), Testo(it.value()));
        r.elementi.append(e);
    }
    // The server reports a query cut by its limits in "remark"; the answer is then incomplete.
    if (r.osservazione.contains(QStringLiteral("error"), Qt::CaseInsensitive)) {
        errore = QStringLiteral("OpenStreetMap ha interrotto la risposta: ") + r.osservazione.left(200);
        return false;
    }
    return true;
}

QString TelefonoItaliano(const QString& testo) {
    QString t = testo.section(u';', 0, 0).simplified();
    if (t.startsWith(u'+')) {
        if (!t.startsWith(QStringLiteral("+39"))) return t;
        t = t.mid(3);
    } else if (t.startsWith(QStringLiteral("0039"))) {
        t = t.mid(4);
    }
    while (!t.isEmpty() && (t.front() == u' ' || t.front() == u'-' || t.front() == u'.')) t.remove(0, 1);
    return t.trimmed();
}

bool RecordDaTag(const Territorio& t, const Luogo& l, const QHash<QString, QString>& tag, double lat, double lon,
                 Record& rec) {
    const QString nome = Semplice(tag.value(QStringLiteral("name")));
    if (nome.isEmpty()) return false;
    rec = Record{};
    rec[kNome] = nome;
    QString via = Semplice(tag.value(QStringLiteral("addr:street")));
    if (via.isEmpty()) via = Semplice(tag.value(QStringLiteral("addr:place")));
    const QString civico = Semplice(tag.value(QStringLiteral("addr:housenumber")));
    // Written as the yellow pages write it, so the duplicate keys treat both alike.
    rec[kIndirizzo] = via.isEmpty() ? QString() : civico.isEmpty() ? via : via + QStringLiteral(", ") + civico;
    const QString cap = Semplice(tag.value(QStringLiteral("addr:postcode")));
    bool cinqueCifre = cap.size() == 5;
    for (QChar ch : cap) cinqueCifre = cinqueCifre && ch >= u'0' && ch <= u'9';
    rec[kCap] = cinqueCifre ? cap : t.capComune(l.r, l.p, l.c);
    rec[kCitta] = t.nomeComune(l.r, l.p, l.c);
    rec[kPr] = t.siglaProvincia(l.r, l.p);
    QString tel = tag.value(QStringLiteral("phone"));
    if (tel.trimmed().isEmpty()) tel = tag.value(QStringLiteral("contact:phone"));
    rec[kTelefono] = TelefonoItaliano(tel);
    rec[kLatitudine] = Coordinata(lat);
    rec[kLongitudine] = Coordinata(lon);
    for (QString& campo : rec) campo = PrimoMaiuscoloDi(campo);
    return true;
}

IndiceComuni::IndiceComuni(const Territorio& t, const AreaOsm& a) { aggiungi(t, a); }

void IndiceComuni::aggiungi(const Territorio& t, const AreaOsm& a) {
    const int pDa = a.livello == AreaOsm::Regione ? 1 : a.p;
    const int pA = a.livello == AreaOsm::Regione ? t.numeroProvince(a.r) : a.p;
    for (int p = pDa; p <= pA; ++p) {
        const int cDa = a.livello == AreaOsm::Comune ? a.c : 1;
        const int cA = a.livello == AreaOsm::Comune ? a.c : t.numeroComuni(a.r, p);
        for (int c = cDa; c <= cA; ++c) {
            const Luogo l{a.r, p, c};
            m_nomi.insert(CatalogoPreset::Normalizza(t.nomeComune(a.r, p, c)), l);
            m_cap.insert(t.capComune(a.r, p, c), l);
        }
    }
}

bool IndiceComuni::perNome(const QString& nome, Luogo& l) const {
    const QString n = CatalogoPreset::Normalizza(nome);
    if (n.isEmpty()) return false;
    auto it = m_nomi.constFind(n);
    if (it == m_nomi.cend()) {
        // Names in two languages ("Bolzano - Bozen", "Aosta / Aoste"): the first is the Italian.
        for (const QString& sep : {QStringLiteral(" - "), QStringLiteral("/")}) {
            const int i = int(nome.indexOf(sep));
            if (i > 0) {
                it = m_nomi.constFind(CatalogoPreset::Normalizza(nome.left(i)));
                if (it != m_nomi.cend()) break;
            }
        }
    }
    if (it == m_nomi.cend()) return false;
    l = it.value();
    return true;
}

bool IndiceComuni::perCap(const QString& cap, Luogo& l) const {
    const QString c = cap.trimmed();
    if (c.size() != 5) return false;
    auto it = m_cap.constFind(c);
    // Large towns carry their general code ("20100") for every district code ("20121").
    if (it == m_cap.cend()) it = m_cap.constFind(c.left(3) + QStringLiteral("00"));
    if (it == m_cap.cend()) return false;
    l = it.value();
    return true;
}

bool IndiceComuni::perTag(const QHash<QString, QString>& tag, Luogo& l) const {
    return perNome(tag.value(QStringLiteral("addr:city")), l) || perCap(tag.value(QStringLiteral("addr:postcode")), l);
}

EsitoArea RecordDaRisposta(const Territorio& t, const AreaOsm& a, const RispostaOverpass& risposta) {
    EsitoArea esito;
    const IndiceComuni indice(t, a);
    bool inComune = false;
    Luogo comune;
    QSet<QString> visti;
    for (const Elemento& e : risposta.elementi) {
        if (!e.posizione) {
            // A municipality boundary: the elements that follow lie inside it.
            if (e.tag.value(QStringLiteral("boundary")) == u"administrative") {
                inComune = indice.perNome(e.tag.value(QStringLiteral("name:it")), comune) ||
                           indice.perNome(e.tag.value(QStringLiteral("name")), comune);
            }
            continue;
        }
        // An outline crossing two municipalities comes once for each.
        const QString chiave = e.tipo + u'/' + QString::number(e.id);
        if (visti.contains(chiave)) continue;
        visti.insert(chiave);
        Luogo l = comune;
        if (!inComune && !indice.perTag(e.tag, l)) {
            ++esito.fuoriArea;
            continue;
        }
        Record rec;
        if (!RecordDaTag(t, l, e.tag, e.lat, e.lon, rec)) {
            ++esito.senzaNome;
            continue;
        }
        esito.record.append(rec);
    }
    return esito;
}

}  // namespace gm::osm
