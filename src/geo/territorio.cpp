#include "geo/territorio.h"

#include <QFile>

#include "app/controlli.h"
#include "net/testo.h"

// The resource lives in a static library, so it must be registered by hand.
static void RegistraRisorsa() { Q_INIT_RESOURCE(territorio); }

namespace gm {

namespace {
const QString kVuoto;
const QChar kSezione(0x00A7);
const QChar kBarra(u'\\');

// Cuts the text up to the separator and drops both from s.
QString taglia(QString& s, QChar sep) {
    const qsizetype k = s.indexOf(sep);
    QString parte;
    if (k < 0) {
        parte = s;
        s.clear();
    } else {
        parte = s.left(k);
        s.remove(0, k + 1);
    }
    return parte;
}
}  // namespace

QStringList Territorio::TestoIncorporato() {
    RegistraRisorsa();
    QFile f(QStringLiteral(":/geo/territorio.txt"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString testo = QString::fromUtf8(f.readAll());
    return testo.split(u'\n', Qt::SkipEmptyParts);
}

QString& Territorio::cella(QVector<Regione>& t, int r, int p, int c, int f) {
    if (t.size() <= r) t.resize(r + 1);
    Regione& reg = t[r];
    if (reg.size() <= p) reg.resize(p + 1);
    Provincia& prov = reg[p];
    if (prov.size() <= c) prov.resize(c + 1);
    Celle& cel = prov[c];
    if (cel.size() < 3) cel.resize(3);
    return cel[f];
}

const QString& Territorio::aTerritorio(int r, int p, int c, int f) const {
    if (r < 0 || r >= m_regioni.size() || f < 0 || f > 2) return kVuoto;
    const Regione& reg = m_regioni[r];
    if (p < 0 || p >= reg.size()) return kVuoto;
    const Provincia& prov = reg[p];
    if (c < 0 || c >= prov.size()) return kVuoto;
    const Celle& cel = prov[c];
    return f < cel.size() ? cel[f] : kVuoto;
}

void Territorio::Analizza(QStringList testo) {
    QVector<Regione> t;
    t.resize(1);
    QString precedente;
    int r = 0, p = 0;
    for (QString& s : testo) {
        const QString regione = taglia(s, kBarra);
        if (regione.isEmpty()) continue;
        if (!Uguale(regione, precedente)) {
            if (r >= kMaxRegioni) break;
            ++r;
            cella(t, r, 0, 0, 0) = regione;
            precedente = regione;
            p = 0;
        }
        const QString provincia = taglia(s, kBarra);
        const QString sigla = taglia(s, kSezione);
        if (p >= kMaxProvince) continue;
        ++p;
        cella(t, r, 0, 0, 1) = QString::number(p);
        cella(t, r, p, 0, 1) = provincia;
        cella(t, r, p, 0, 2) = sigla;
        int n = 0;
        while (!s.isEmpty() && n < kMaxComuni) {
            const QString nome = taglia(s, kBarra);
            const QString cap = taglia(s, kSezione);
            ++n;
            cella(t, r, p, n, 1) = nome;
            cella(t, r, p, n, 2) = cap;
        }
        s.clear();  // the text is consumed by the parse
        cella(t, r, p, 0, 0) = QString::number(n);
    }
    m_regioni = std::move(t);
}

const Territorio& Territorio::Incorporato() {
    static const Territorio t = [] {
        Territorio x;
        x.Analizza(TestoIncorporato());
        return x;
    }();
    return t;
}

void Territorio::CaricaTerritorio(Lista& lstRegioni) {
    Analizza(TestoIncorporato());
    lstRegioni.clear();
    for (int r = 1; r <= numeroRegioni(); ++r) lstRegioni.addItem(nomeRegione(r));
}

}  // namespace gm
