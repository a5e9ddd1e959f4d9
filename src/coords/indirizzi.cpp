#include "coords/indirizzi.h"

#include <algorithm>

#include "geo/territorio.h"
#include "net/testo.h"

namespace gm::coords {

namespace {
constexpr int kMaxParti = 150;
bool Cifra(QChar c) { return c >= u'0' && c <= u'9'; }
bool LetteraAscii(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
}  // namespace

IndiceAree::IndiceAree(const Territorio& t) {
    for (int r = 1; !t.nomeRegione(r).isEmpty(); ++r) {
        regioni << t.nomeRegione(r);
        for (int p = 1; !t.nomeProvincia(r, p).isEmpty(); ++p) {
            Provincia pr{t.nomeProvincia(r, p), t.siglaProvincia(r, p), ParoleNome(t.nomeProvincia(r, p)),
                         int(comuni.size()), 0};
            const int n = t.numeroComuni(r, p);
            for (int m = 1; m <= n && !t.nomeComune(r, p, m).isEmpty(); ++m) {
                const int indice = int(comuni.size());
                comuni.append({t.nomeComune(r, p, m), ParoleNome(t.nomeComune(r, p, m)), int(province.size())});
                QVector<QString> diverse = comuni.last().parole;
                diverse.erase(std::unique(diverse.begin(), diverse.end()), diverse.end());
                for (const QString& w : diverse) m_perParola[w].append(indice);
                const QString cap = t.capComune(r, p, m);
                if (!cap.isEmpty() && !m_perCap.contains(cap)) m_perCap.insert(cap, indice);
            }
            pr.fineComuni = int(comuni.size());
            province.append(pr);
        }
    }
    numeroRegioni = int(regioni.size());
}

QVector<int> IndiceAree::ComuniUguali(const QVector<QString>& parole) const {
    // A match shares at least one word with the name (a repeated word may stand in for another,
    // so not necessarily the first): check the union of the posting lists.
    QVector<int> possibili;
    for (int i = 0; i < parole.size(); ++i) {
        if (i > 0 && parole[i] == parole[i - 1]) continue;
        const auto it = m_perParola.find(parole[i]);
        if (it != m_perParola.end()) possibili += *it;
    }
    std::sort(possibili.begin(), possibili.end());
    possibili.erase(std::unique(possibili.begin(), possibili.end()), possibili.end());
    QVector<int> r;
    for (int m : possibili)
        if (StesseParole(comuni[m].parole, parole)) r.append(m);
    return r;
}

int IndiceAree::ComunePerCap(const QString& cap) const { return m_perCap.value(cap, -1); }

void ValutaLuogo(const IndiceAree& aree, Candidato& c, QString& t, const QString& indirizzoRecord,
                 const QString& capRecord, const QString& siglaRecord) {
    const int italia = InStr(t, QStringLiteral("italy"));
    if (italia > 0) t = Left(t, italia - 1).trimmed();

    t.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    for (;;) {  // entities keep their first letter: "&egrave;" -> "e"
        const int a = int(t.indexOf(u'&'));
        const int s = a < 0 ? -1 : int(t.indexOf(u';', a + 1));
        if (s < 0) break;
        t = t.left(a) + t.mid(a + 1, 1) + t.mid(s + 1);
    }
    static const struct { const char16_t* da; const char16_t* a; } accenti[] = {
        {u"à", u"a"}, {u"è", u"e"}, {u"ì", u"i"}, {u"ò", u"o"}, {u"ù", u"u"}, {u"é", u"e"}, {u"-", u" "}, {u";", u""}};
    for (const auto& x : accenti) t = Sostituisci(t, QString::fromUtf16(x.da), QString::fromUtf16(x.a));

    // Postal code: the first group of five digits; the end of the text counts as digits.
    int i = -1;
    for (int k = 0; k < t.size() && i < 0; ++k) {
        bool tutte = true;
        for (int j = k; j < k + 5 && tutte; ++j) tutte = j >= t.size() || Cifra(t[j]);
        if (tutte) i = k;
    }
    if (i >= 0) {
        c[1] = t.left(i).trimmed();
        c[2] = t.mid(i, 5);
        t = t.mid(i + 5).trimmed();
    } else {
        c[1] = indirizzoRecord;
        c[2] = capRecord;
    }

    if (!t.isEmpty()) {
        int k = 0;
        while (k < t.size() && !LetteraAscii(t[k])) ++k;
        t = t.mid(k);
        if (t.endsWith(u',')) t.chop(1);
        const int ab = InStr(t, QStringLiteral("abruzzo"));
        if (ab > 0) t.replace(ab - 1, 7, QStringLiteral("abruzzi"));
        for (const QString& regione : aree.regioni) {
            if (t.endsWith(regione, Qt::CaseInsensitive) &&
                !t.endsWith(QStringLiteral("di ") + regione, Qt::CaseInsensitive)) {
                t = t.left(t.size() - regione.size()).trimmed();
                break;
            }
            if (t.startsWith(regione + u',', Qt::CaseInsensitive)) {
                t = t.mid(t.indexOf(u',') + 1).trimmed();
                break;
            }
        }

        if (!t.endsWith(u',')) t += u',';
        QStringList parti;
        while (!t.isEmpty() && parti.size() < kMaxParti) {
            const int v = int(t.indexOf(u','));
            QString parte = (v < 0 ? t : t.left(v)).trimmed();
            t = v < 0 ? QString() : t.mid(v + 1).trimmed();
            if (parte.endsWith(u'\'')) parte.chop(1);
            parte = Sostituisci(parte, QStringLiteral("Reggio di Calabria"), QStringLiteral("Reggio Calabria"));
            parti << parte;
        }
        const int n = int(parti.size());
        QVector<QVector<QString>> parole(n);
        QVector<QVector<int>> comuniUguali(n);
        for (int k2 = 0; k2 < n; ++k2) {
            parole[k2] = ParoleNome(parti[k2]);
            comuniUguali[k2] = aree.ComuniUguali(parole[k2]);
        }
        QVector<bool> usata(n, false);
        auto tutteUsate = [&] { return std::all_of(usata.begin(), usata.end(), [](bool b) { return b; }); };
        QString citta;
        int ricordata = -1;
        bool fine = false;
        for (int p = 0; p < aree.province.size() && !fine && n > 0; ++p) {
            const auto& pr = aree.province[p];
            if (n > 1) {
                for (int k2 = 0; k2 < n; ++k2) {
                    if (parti[k2].isEmpty() || !StesseParole(pr.parole, parole[k2])) continue;
                    usata[k2] = true;
                    if (Uguale(pr.sigla, siglaRecord)) {
                        c[5] = pr.sigla;
                        ricordata = p;
                        parti[k2].clear();
                    }
                }
            }
            if (tutteUsate() || !(c[5].isEmpty() || Uguale(c[5], pr.sigla))) continue;
            // Municipalities of this province that some part names, in table order.
            QVector<int> qui;
            for (int k2 = 0; k2 < n; ++k2)
                for (int m : comuniUguali[k2])
                    if (m >= pr.primoComune && m < pr.fineComuni) qui.append(m);
            std::sort(qui.begin(), qui.end());
            qui.erase(std::unique(qui.begin(), qui.end()), qui.end());
            for (int m : qui) {
                for (int k2 = 0; k2 < n && !fine; ++k2) {
                    if (parti[k2].isEmpty() || !comuniUguali[k2].contains(m)) continue;
                    citta = aree.comuni[m].nome;
                    parti[k2].clear();
                    usata[k2] = true;
                    c[5] = pr.sigla;
                    ricordata = p;
                    fine = tutteUsate();
                }
                if (fine) break;
            }
        }
        c[3].clear();
        for (const QString& parte : parti)
            if (!parte.isEmpty()) c[3] += parte + u' ';
        if (citta.isEmpty()) {
            const int m = aree.ComunePerCap(c[2]);
            if (m >= 0) {
                citta = aree.comuni[m].nome;
                c[5] = aree.province[aree.comuni[m].provincia].sigla;
            } else if (ricordata >= 0) {
                citta = aree.province[ricordata].nome;
                c[5] = aree.province[ricordata].sigla;
            }
        }
        c[4] = citta;
        if (!c[3].isEmpty() && !citta.isEmpty() && InStr(c[3], citta) == 0)
            c[4] = c[3].trimmed() + u'-' + citta;
    }
    for (int f = 1; f <= 6; ++f)
        if (c[f].endsWith(u',')) c[f].chop(1);
}

}  // namespace gm::coords
