#include "sim/elenco.h"

#include <QStringList>

#include <cmath>

#include "net/testo.h"

namespace gm::sim {

quint64 Impronta(const QString& testo, quint64 base) {
    quint64 h = base;
    for (QChar ch : testo) {
        h ^= ch.unicode();
        h *= 1099511628211ULL;
    }
    return h;
}

quint64 Mescola(quint64 a, quint64 b) {
    quint64 x = a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

namespace {

quint64 H(quint64 a, int b, int c = 0, int d = 0, int e = 0) {
    return Mescola(Mescola(Mescola(Mescola(a, quint64(b)), quint64(c)), quint64(d)), quint64(e));
}

// Fraction in [0, 1) from a hash.
double Frazione(quint64 h) { return double(h >> 11) / double(1ULL << 53); }

struct Centro {
    const char* prefisso;
    double lat, lon;
};
// Rough centres of the regions; provinces and municipalities are spread around them.
const Centro kCentri[] = {
    {"abru", 42.20, 13.80}, {"basi", 40.50, 16.00}, {"cala", 39.00, 16.50}, {"camp", 40.90, 14.80},
    {"emil", 44.50, 11.00}, {"friu", 46.10, 13.10}, {"lazi", 41.90, 12.80}, {"ligu", 44.30, 8.70},
    {"lomb", 45.60, 9.80},  {"marc", 43.30, 13.10}, {"moli", 41.60, 14.60}, {"piem", 45.00, 7.90},
    {"pugl", 41.00, 16.60}, {"sard", 40.10, 9.00},  {"sici", 37.50, 14.10}, {"tosc", 43.40, 11.10},
    {"tren", 46.40, 11.30}, {"umbr", 42.90, 12.50}, {"vall", 45.70, 7.40},  {"vene", 45.60, 11.90},
};

const char* const kCognomi[] = {"Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci",
                                "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa",
                                "Giordano", "Rizzo", "Lombardi", "Moretti", "Barbieri", "Fontana", "Santoro",
                                "Mariani", "Rinaldi", "Caruso", "Ferrara", "Galli", "Martini", "Leone", "D'Angelo",
                                "Longo", "Gentile", "Martinelli", "Vitale", "Serra", "Coppola", "De Santis",
                                "Fabbri", "Bellini", "Pellegrini", "Nicolò", "Fumagalli", "Carbonè"};
const char* const kNomi[] = {"Mario", "Giuseppe", "Anna", "Luca", "Francesca", "Marco", "Giulia", "Paolo",
                             "Chiara", "Andrea", "Sara", "Roberto", "Elena", "Stefano", "Laura", "Nicola"};
const char* const kFantasia[] = {"Del Corso", "La Bottega", "Il Centro", "Sole", "Primavera", "Dell'Angelo",
                                 "San Marco", "Città Nuova", "Dolce Vita", "Il Ponte", "Stella", "Più",
                                 "Europa", "Italia", "La Piazzetta", "Caffè Centrale"};
const char* const kTipiVia[] = {"Via", "Via", "Via", "Viale", "Piazza", "Corso", "Largo", "Vicolo"};
const char* const kVie[] = {"Garibaldi", "Roma", "Mazzini", "Cavour", "Dante Alighieri", "XX Settembre",
                            "Vittorio Emanuele II", "San Francesco", "Della Libertà", "Giuseppe Verdi",
                            "Marconi", "Matteotti", "Dei Mille", "Nazionale", "Trieste", "Milano", "Torino",
                            "Venezia", "Gramsci", "Kennedy", "Umberto I", "Aldo Moro", "Della Repubblica",
                            "San Giovanni", "Dei Tigli", "Fiume", "Montegrappa", "Carducci"};

template <size_t N>
QString Scegli(const char* const (&v)[N], quint64 h) {
    return QString::fromUtf8(v[h % N]);
}

QString Cifre(quint64 h, int n) {
    QString s;
    for (int i = 0; i < n; ++i) {
        s.append(QChar(u'0' + int(h % 10)));
        h /= 10;
    }
    return s;
}

}  // namespace

Elenco::Elenco(quint64 seme) : m_seme(seme) {
    terr.Analizza(Territorio::TestoIncorporato());
    for (int r = 1; r <= terr.numeroRegioni(); ++r)
        for (int p = 1; p <= terr.numeroProvince(r); ++p)
            for (int c = 1; c <= terr.numeroComuni(r, p); ++c)
                m_nomi[terr.nomeComune(r, p, c).toLower()].append({r, p, c});
}

QString Elenco::Categoria(const QString& cosa) { return cosa.simplified().toLower(); }

QVector<LuogoTabella> Elenco::comuniDiNome(const QString& nome) const {
    return m_nomi.value(nome.simplified().toLower());
}

QVector<LuogoTabella> Elenco::comuniConParola(const QString& parola) const {
    QVector<LuogoTabella> v;
    const QString w = parola.trimmed().toLower();
    if (w.isEmpty()) return v;
    for (auto it = m_nomi.cbegin(); it != m_nomi.cend(); ++it)
        if (it.key().split(u' ', Qt::SkipEmptyParts).contains(w)) v += it.value();
    return v;
}

bool Elenco::provinciaDiSigla(const QString& sigla, int& r, int& p) const {
    for (r = 1; r <= terr.numeroRegioni(); ++r)
        for (p = 1; p <= terr.numeroProvince(r); ++p)
            if (terr.siglaProvincia(r, p).compare(sigla.trimmed(), Qt::CaseInsensitive) == 0) return true;
    r = p = 0;
    return false;
}

bool Elenco::nonRiconosciuto(int r, int p, int c) const {
    const QString nome = terr.nomeComune(r, p, c).trimmed();
    return nome.contains(u' ') && H(m_seme ^ 0x5157ULL, r, p, c) % 6 == 0;
}

void Elenco::centro(int r, int p, int c, double& lat, double& lon) const {
    lat = 42.5;
    lon = 12.5;
    const QString regione = terr.nomeRegione(r).toLower();
    for (const Centro& x : kCentri)
        if (regione.startsWith(QLatin1String(x.prefisso))) {
            lat = x.lat;
            lon = x.lon;
        }
    const quint64 hp = H(0x7072ULL, r, p), hc = H(0x636fULL, r, p, c);
    lat += (Frazione(hp) - 0.5) * 0.7 + (Frazione(hc) - 0.5) * 0.24;
    lon += (Frazione(Mescola(hp, 1)) - 0.5) * 0.7 + (Frazione(Mescola(hc, 1)) - 0.5) * 0.24;
}

QVector<Azienda> Elenco::genera(const QString& cosa, int r, int p, int c) const {
    QVector<Azienda> v;
    const QString comune = terr.nomeComune(r, p, c);
    if (comune.isEmpty()) return v;
    const quint64 hcat = Impronta(cosa, m_seme);
    const quint64 h = H(hcat, r, p, c);
    const double densita = 0.4 + 1.4 * Frazione(H(hcat, 77));
    const QString capComune = terr.capComune(r, p, c);
    const bool capoluogo = comune.compare(terr.nomeProvincia(r, p), Qt::CaseInsensitive) == 0;
    const bool capMultipli = capComune.endsWith(QStringLiteral("00"));
    int quanti = 0;
    if (capoluogo) {
        quanti = int(densita * (40 + h % 200));
        if (!capMultipli) quanti = std::min(quanti, 180);
    } else if (h % 10 >= 4) {
        quanti = int(densita * double(1 + (h >> 8) % 6));
    }
    const QString categoria = PrimoMaiuscoloDi(QString(cosa));
    double latC, lonC;
    centro(r, p, c, latC, lonC);
    const QString prefisso = u'0' + QString::number(10 + H(0x7465ULL, r, p) % 980);
    for (int k = 0; k < quanti; ++k) {
        const quint64 hk = H(hcat, r, p, c, k + 1);
        Azienda a;
        a.r = r;
        a.p = p;
        a.c = c;
        a.k = k;
        a.comune = comune;
        a.sigla = terr.siglaProvincia(r, p);
        // Postal codes of a town with several: one per district, each well under the page cap.
        a.cap = capMultipli ? capComune.left(3) + QStringLiteral("%1").arg(1 + int(k / 40), 2, 10, QChar(u'0'))
                            : capComune;
        const bool gemella = k > 0 && hk % 9 == 0;  // a branch a few metres from the previous one
        if (gemella) {
            const Azienda& prima = v.back();
            a.nome = prima.nome;
            a.via = prima.via;
            a.civico = prima.civico;
            a.lat = prima.lat + 0.00003;
            a.lon = prima.lon + 0.00004;
        } else {
            switch ((hk >> 3) % 6) {
            case 0: a.nome = categoria + u' ' + Scegli(kCognomi, hk >> 9); break;
            case 1: a.nome = categoria + QStringLiteral(" Da ") + Scegli(kNomi, hk >> 9); break;
            case 2: a.nome = Scegli(kCognomi, hk >> 9) + u' ' + Scegli(kNomi, hk >> 15); break;
            case 3: a.nome = categoria + u' ' + Scegli(kFantasia, hk >> 9); break;
            case 4: a.nome = Scegli(kFantasia, hk >> 9) + QStringLiteral(" Di ") + Scegli(kCognomi, hk >> 15); break;
            default: a.nome = categoria + u' ' + Scegli(kCognomi, hk >> 9) + QStringLiteral(" & C. Snc"); break;
            }
            a.via = Scegli(kTipiVia, hk >> 21) + u' ' + Scegli(kVie, hk >> 24);
            a.civico = QString::number(1 + (hk >> 29) % 180);
            if ((hk >> 37) % 12 == 0) a.civico += QStringLiteral("/A");
            a.lat = latC + (Frazione(Mescola(hk, 1)) - 0.5) * 0.03;
            a.lon = lonC + (Frazione(Mescola(hk, 2)) - 0.5) * 0.03;
        }
        const quint64 hf = H(hk, 0x6667);
        a.telefono = prefisso + u' ' + QString::number(1 + (hf % 9)) + Cifre(hf >> 4, 5);
        if ((hf >> 40) % 10 == 0) a.telefonoSecondo = prefisso + u' ' + QString::number(2 + (hf % 7)) + Cifre(hf >> 20, 5);
        a.gialle = (hf >> 8) % 10 < 9;
        a.bianche = !a.gialle || (hf >> 12) % 10 < 6;
        a.mappaGialle = (hf >> 16) % 10 < 7;
        a.mappaBianche = (hf >> 20) % 10 < 6;
        a.riservato = (hf >> 28) % 10 < 2;
        a.biglietto = (hf >> 32) % 10 < 2;
        a.chiave = QStringLiteral("%1.%2.%3.%4.%5").arg(hcat & 0xffffffffULL, 0, 16).arg(r).arg(p).arg(c).arg(k);
        a.interattiva = Impronta(a.chiave) % 10 == 0;  // the map service decides it from the key alone
        v.append(a);
    }
    return v;
}

QString Elenco::ChiaveNome(const QString& nome, int r, int p, int c) {
    return nome.simplified().toLower() + QStringLiteral("|%1|%2|%3").arg(r).arg(p).arg(c);
}

QVector<Azienda> Elenco::delComune(const QString& cosa, int r, int p, int c) {
    const QString cat = Categoria(cosa);
    const QString chiave = cat + QStringLiteral("|%1|%2|%3").arg(r).arg(p).arg(c);
    {
        std::lock_guard<std::mutex> l(m_mutex);
        auto it = m_cache.constFind(chiave);
        if (it != m_cache.cend()) return it.value();
    }
    QVector<Azienda> v = genera(cat, r, p, c);
    std::lock_guard<std::mutex> l(m_mutex);
    // Another request may have generated the same list meanwhile: index it once.
    auto it = m_cache.constFind(chiave);
    if (it != m_cache.cend()) return it.value();
    // Bounded memory: a long-running service forgets old categories.
    if (m_cache.size() > 200000) {
        m_cache.clear();
        m_telefoni.clear();
        m_posizioni.clear();
        m_perNome.clear();
    }
    for (const Azienda& a : v) {
        const QString rif = chiave + QStringLiteral("|%1").arg(a.k);
        m_posizioni.insert(a.chiave, {a.lat, a.lon});
        m_telefoni.insert(QString(a.telefono).remove(u' '), rif);
        if (!a.telefonoSecondo.isEmpty()) m_telefoni.insert(QString(a.telefonoSecondo).remove(u' '), rif);
        m_perNome[ChiaveNome(a.nome, r, p, c)].append(rif);
    }
    m_cache.insert(chiave, v);
    return v;
}

QVector<Azienda> Elenco::dellaProvincia(const QString& cosa, int r, int p) {
    QVector<Azienda> v;
    for (int c = 1; c <= terr.numeroComuni(r, p); ++c) v += delComune(cosa, r, p, c);
    return v;
}

QVector<Azienda> Elenco::delCap(const QString& cosa, const QString& cap) {
    QVector<Azienda> v;
    const QString codice = cap.trimmed();
    if (codice.size() != 5) return v;
    for (int r = 1; r <= terr.numeroRegioni(); ++r)
        for (int p = 1; p <= terr.numeroProvince(r); ++p)
            for (int c = 1; c <= terr.numeroComuni(r, p); ++c) {
                if (!terr.capComune(r, p, c).startsWith(codice.left(3))) continue;
                for (const Azienda& a : delComune(cosa, r, p, c))
                    if (a.cap == codice) v.append(a);
            }
    return v;
}

std::optional<Azienda> Elenco::daRiferimento(const QString& riferimento) {
    const QStringList parti = riferimento.split(u'|');
    if (parti.size() != 5) return std::nullopt;
    const QVector<Azienda> v = delComune(parti[0], parti[1].toInt(), parti[2].toInt(), parti[3].toInt());
    const int k = parti[4].toInt();
    if (k < 0 || k >= v.size()) return std::nullopt;
    return v[k];
}

std::optional<Azienda> Elenco::perTelefono(const QString& telefono) {
    QString rif;
    {
        std::lock_guard<std::mutex> l(m_mutex);
        rif = m_telefoni.value(QString(telefono).remove(u' '));
    }
    return daRiferimento(rif);
}

QVector<Azienda> Elenco::perNome(const QString& nome, int r, int p, int c) {
    QStringList rif;
    {
        std::lock_guard<std::mutex> l(m_mutex);
        rif = m_perNome.value(ChiaveNome(nome, r, p, c));
    }
    QVector<Azienda> v;
    for (const QString& x : rif)
        if (const auto a = daRiferimento(x)) v.append(*a);
    return v;
}

bool Elenco::posizioneDiChiave(const QString& chiave, double& lat, double& lon) {
    // The key names the business; its position is found again from the category hash and indices.
    const QStringList parti = chiave.split(u'.');
    if (parti.size() != 5) return false;
    bool ok = true;
    const int r = parti[1].toInt(&ok);
    const int p = ok ? parti[2].toInt(&ok) : 0;
    const int c = ok ? parti[3].toInt(&ok) : 0;
    const int k = ok ? parti[4].toInt(&ok) : 0;
    if (!ok || terr.nomeComune(r, p, c).isEmpty() || k < 0 || k > 100000) return false;
    std::lock_guard<std::mutex> l(m_mutex);
    const auto it = m_posizioni.constFind(chiave);
    if (it == m_posizioni.cend()) return false;
    lat = it->first;
    lon = it->second;
    return true;
}

}  // namespace gm::sim
