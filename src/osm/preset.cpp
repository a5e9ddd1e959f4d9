#include "osm/preset.h"

#include <QFile>

#include <algorithm>

// The resource lives in a static library, so it must be registered by hand.
static void RegistraRisorsa() { Q_INIT_RESOURCE(osm); }

namespace gm::osm {

namespace {

constexpr int kMaxTestoFiltro = 200;

bool TestoTagValido(const QString& s) {
    if (s.isEmpty() || s.size() > kMaxTestoFiltro) return false;
    for (QChar ch : s)
        if (ch.category() == QChar::Other_Control || ch == u'"' || ch == u'\\' || ch == u'=' || ch == u';')
            return false;
    return true;
}

int Distanza(const QString& a, const QString& b) {
    QVector<int> riga(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j) riga[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonale = riga[0];
        riga[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int sopra = riga[j];
            riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonale = sopra;
        }
    }
    return riga[b.size()];
}

// How far a category lies from a name or term: 0 equal, up to 1 unrelated.
double Lontananza(const QString& cat, const QString& voce) {
    if (cat.isEmpty() || voce.isEmpty()) return 1;
    if (voce.startsWith(cat) || cat.startsWith(voce)) return 0.1 + 0.2 * (1 - double(std::min(cat.size(), voce.size())) / std::max(cat.size(), voce.size()));
    if (voce.contains(cat) || cat.contains(voce)) return 0.35;
    return 0.3 + 0.7 * double(Distanza(cat, voce)) / std::max(cat.size(), voce.size());
}

}  // namespace

bool LeggiFiltro(const QString& testo, Filtro& filtro, QString& errore) {
    filtro.clear();
    for (const QString& parte : testo.split(u';', Qt::SkipEmptyParts)) {
        const QString p = parte.trimmed();
        const int uguale = int(p.indexOf(u'='));
        const QString chiave = (uguale < 0 ? p : p.left(uguale)).trimmed();
        QString valore = uguale < 0 ? QString() : p.mid(uguale + 1).trimmed();
        if (valore == u"*") valore.clear();
        if (!TestoTagValido(chiave) || (uguale >= 0 && !valore.isEmpty() && !TestoTagValido(valore))) {
            errore = QStringLiteral("Tag OpenStreetMap non valido: \"%1\" (atteso chiave=valore, per esempio "
                                    "amenity=pharmacy)")
                         .arg(testo.left(kMaxTestoFiltro));
            filtro.clear();
            return false;
        }
        filtro.append({chiave, valore});
    }
    if (filtro.isEmpty()) {
        errore = QStringLiteral("Tag OpenStreetMap mancante (atteso chiave=valore, per esempio amenity=pharmacy)");
        return false;
    }
    return true;
}

QString TestoFiltro(const Filtro& f) {
    QStringList parti;
    for (const auto& [k, v] : f) parti << (v.isEmpty() ? k : k + u'=' + v);
    return parti.join(u';');
}

CatalogoPreset::CatalogoPreset() {
    RegistraRisorsa();
    QFile f(QStringLiteral(":/osm/preset_osm.txt"));
    if (f.open(QIODevice::ReadOnly)) carica(QString::fromUtf8(f.readAll()));
}

CatalogoPreset::CatalogoPreset(const QString& testo) { carica(testo); }

void CatalogoPreset::carica(const QString& testo) {
    for (const QString& riga : testo.split(u'\n', Qt::SkipEmptyParts)) {
        if (riga.startsWith(u'#')) continue;
        const QStringList c = riga.split(u'\t');
        if (c.size() != 4) continue;
        Preset p;
        p.id = c[0];
        p.nome = c[1];
        p.termini = c[2].split(u',', Qt::SkipEmptyParts);
        QString errore;
        if (p.nome.isEmpty() || !LeggiFiltro(c[3], p.tag, errore)) continue;
        m_preset.append(p);
    }
}

QString CatalogoPreset::Normalizza(const QString& testo) {
    QString scomposto = testo.normalized(QString::NormalizationForm_D).toLower();
    QString r;
    r.reserve(scomposto.size());
    for (QChar ch : scomposto) {
        if (ch.category() == QChar::Mark_NonSpacing) continue;
        if (ch == u'\'' || ch == u'-' || ch == QChar(0x2019) || ch == u'.' || ch == u'/' || ch == u',')
            r.append(u' ');
        else
            r.append(ch);
    }
    return r.simplified();
}

QString CatalogoPreset::Radice(const QString& normalizzato) {
    QStringList parole = normalizzato.split(u' ', Qt::SkipEmptyParts);
    for (QString& p : parole) {
        QString r = p;
        while (r.size() > 2 && QStringLiteral("aeiou").contains(r.back())) r.chop(1);
        // "banche"/"banca", "alberghi"/"albergo": the h only keeps the sound.
        if (r.size() > 2 && r.back() == u'h' && (r[r.size() - 2] == u'c' || r[r.size() - 2] == u'g')) r.chop(1);
        p = r;
    }
    return parole.join(u' ');
}

const Preset* CatalogoPreset::trova(const QString& categoria) const {
    const QString cat = Normalizza(categoria);
    if (cat.isEmpty()) return nullptr;
    const QString radice = Radice(cat);
    // Best match first: the name as written, a term as written, then the same by word roots;
    // among terms, the one nearer the front of its list.
    const Preset* migliore = nullptr;
    int punti = 1 << 30;
    for (const Preset& p : m_preset) {
        const QString nome = Normalizza(p.nome);
        int q = 1 << 30;
        if (nome == cat)
            q = 0;
        else if (Radice(nome) == radice)
            q = 2000;
        for (int i = 0; i < p.termini.size() && q > 0; ++i) {
            const QString t = Normalizza(p.termini[i]);
            if (t == cat)
                q = std::min(q, 1000 + i);
            else if (Radice(t) == radice)
                q = std::min(q, 3000 + i);
        }
        if (q < punti) {
            punti = q;
            migliore = &p;
        }
    }
    return migliore;
}

QVector<const Preset*> CatalogoPreset::vicini(const QString& categoria, int quanti) const {
    const QString cat = Radice(Normalizza(categoria));
    QVector<QPair<double, const Preset*>> tutti;
    for (const Preset& p : m_preset) {
        double d = Lontananza(cat, Radice(Normalizza(p.nome)));
        for (const QString& t : p.termini) d = std::min(d, 0.05 + Lontananza(cat, Radice(Normalizza(t))));
        tutti.append({d, &p});
    }
    std::stable_sort(tutti.begin(), tutti.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QVector<const Preset*> r;
    for (int i = 0; i < tutti.size() && r.size() < quanti; ++i) r.append(tutti[i].second);
    return r;
}

QString CatalogoPreset::messaggioNessuno(const QString& categoria) const {
    QStringList nomi;
    for (const Preset* p : vicini(categoria)) nomi << p->nome + QStringLiteral(" (") + TestoFiltro(p->tag) + u')';
    return QStringLiteral("La voce \"%1\" non corrisponde a nessuna categoria di OpenStreetMap.\r\n"
                          "Le più vicine: %2.\r\n"
                          "Indicare una di queste voci, oppure i tag OpenStreetMap (chiave=valore).")
        .arg(categoria, nomi.join(QStringLiteral(", ")));
}

}  // namespace gm::osm
