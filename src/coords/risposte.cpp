#include "coords/risposte.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

#include "net/testo.h"

namespace gm::coords {

namespace {
// Longest address text taken from one answer; real ones are far shorter.
constexpr int kMaxTestoLuogo = 1000;
constexpr int kMaxLink = 2000;

bool Cifra(QChar c) { return c >= u'0' && c <= u'9'; }

int Trova(const QString& s, const QString& t, int da = 0) {
    if (da < 0) da = 0;
    if (da > s.size()) return -1;
    return int(s.indexOf(t, da, Qt::CaseInsensitive));
}

// Text content between from and to (exclusive), tags dropped, white space collapsed.
QString TestoSenzaTag(const QString& s, int da, int a) {
    QString r;
    bool inTag = false;
    for (int i = std::max(da, 0); i < a && i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'<') inTag = true;
        else if (c == u'>') inTag = false;
        else if (!inTag) r.append(c);
        if (r.size() > kMaxTestoLuogo) break;
    }
    return r.simplified();
}

// Value of the attribute that starts at pos (just behind "href=").
QString ValoreAttributo(const QString& s, int pos) {
    while (pos < s.size() && s[pos].isSpace()) ++pos;
    if (pos >= s.size()) return QString();
    const QChar q = s[pos];
    int fine;
    if (q == u'"' || q == u'\'') {
        ++pos;
        fine = int(s.indexOf(q, pos));
        if (fine < 0) return QString();  // cut-off page
    } else {
        fine = pos;
        while (fine < s.size() && !s[fine].isSpace() && s[fine] != u'>') ++fine;
    }
    if (fine - pos > kMaxLink) return QString();
    return s.mid(pos, fine - pos).trimmed();
}

// Pieces of text between tags from position da to a, blanks skipped, at most max pieces.
QStringList Pezzi(const QString& s, int da, int a, int max) {
    QStringList r;
    int i = std::max(da, 0);
    a = std::min<int>(a, int(s.size()));
    while (i < a && r.size() < max) {
        if (s[i] == u'<') {
            const int g = int(s.indexOf(u'>', i));
            if (g < 0 || g >= a) break;
            i = g + 1;
            continue;
        }
        int q = int(s.indexOf(u'<', i));
        if (q < 0 || q > a) q = a;
        const QString p = s.mid(i, q - i).trimmed();
        if (!p.isEmpty()) r << p;
        i = q;
    }
    return r;
}

// Town line "00100 Roma (RM) - Via Roma, 12": postal code, town, province code, address.
void DividiRigaCitta(const QString& riga, Scheda& s, bool scambiaCivico) {
    if (riga.size() < 5) return;
    for (int i = 0; i < 5; ++i)
        if (!Cifra(riga[i])) return;
    s[2] = riga.left(5);
    const QString resto = riga.mid(5).trimmed();
    const int p = int(resto.indexOf(u'('));
    if (p < 0) return;
    s[3] = resto.left(p).trimmed();
    s[4] = resto.mid(p + 1, 2).trimmed();
    int c = int(resto.indexOf(u')', p));
    c = c < 0 ? p + 3 : c + 1;
    QString via = resto.mid(c);
    const int barra = int(via.indexOf(QChar(0x00A6)));
    if (barra >= 0) via = via.left(barra);
    via = via.replace(u'-', u' ').simplified();
    if (scambiaCivico && !via.isEmpty() && via[0] >= u'1' && via[0] <= u'9') {
        const int v = int(via.indexOf(u','));
        if (v >= 0) via = (via.mid(v + 1).trimmed() + QStringLiteral(", ") + via.left(v)).trimmed();
    }
    s[1] = via;
}
}  // namespace

QString FormatoCoordinata(const QString& v) {
    static const QRegularExpression numero(QStringLiteral("^([0-9]{1,3})(?:\\.([0-9]*))?$"));
    const QRegularExpressionMatch m = numero.match(v);
    if (!m.hasMatch()) return QString();
    return m.captured(1) + u'.' + (m.captured(2) + QStringLiteral("00000")).left(5);
}

bool CoordinatePlausibili(const QString& lat, const QString& lon) {
    bool ok1 = false, ok2 = false;
    const double a = lat.toDouble(&ok1), o = lon.toDouble(&ok2);
    return ok1 && ok2 && a > 0.0 && a <= 90.0 && o >= 0.0 && o <= 180.0;
}

Posizione CreaPosizione(const QString& lat, const QString& lon) {
    const QString a = FormatoCoordinata(lat), o = FormatoCoordinata(lon);
    if (a.isEmpty() || o.isEmpty() || !CoordinatePlausibili(a, o)) return {};
    return {a, o};
}

bool HaMappa(const QString& pagina) { return Trova(pagina, QStringLiteral("lx=")) >= 0; }

Posizione LeggiMappa(const QString& pagina) {
    const int x = Trova(pagina, QStringLiteral("lx="));
    const int y = Trova(pagina, QStringLiteral("ly="));
    if (x < 0 || y < 0) return {};
    return CreaPosizione(PrelevastringaNumerica(pagina.mid(y + 3)), PrelevastringaNumerica(pagina.mid(x + 3)));
}

int TrovaFrase(const QString& testo, const QString& frase, int da, int* lunghezza) {
    static QHash<QString, QRegularExpression> cache;
    auto it = cache.find(frase);
    if (it == cache.end()) {
        QStringList parole = frase.split(u' ', Qt::SkipEmptyParts);
        for (QString& p : parole) p = QRegularExpression::escape(p);
        it = cache.insert(frase, QRegularExpression(parole.join(QStringLiteral("\\s+")),
                                                    QRegularExpression::CaseInsensitiveOption));
    }
    if (da < 0) da = 0;
    if (da > testo.size()) return -1;
    const QRegularExpressionMatch m = it->match(testo, da);
    if (!m.hasMatch()) return -1;
    if (lunghezza) *lunghezza = int(m.capturedLength());
    return int(m.capturedStart());
}

QString HrefVicino(const QString& pagina, int pos) {
    if (pos < 0 || pos >= pagina.size()) return QString();
    const int apre = int(pagina.lastIndexOf(u'<', pos));
    const int chiude = int(pagina.lastIndexOf(u'>', pos));
    if (apre >= 0 && apre > chiude) {  // pos lies inside a tag: its own href first
        const int fine = int(pagina.indexOf(u'>', pos));
        const int h = Trova(pagina, QStringLiteral("href="), apre);
        if (h >= 0 && (fine < 0 || h < fine)) return ValoreAttributo(pagina, h + 5);
    }
    const int h = Trova(pagina, QStringLiteral("href="), pos);
    return h < 0 ? QString() : ValoreAttributo(pagina, h + 5);
}

QString UnisciIndirizzo(const QString& base, const QString& link) {
    QString percorso = link;
    const int schema = int(percorso.indexOf(QStringLiteral("://")));
    if (schema >= 0) {
        const int barra = int(percorso.indexOf(u'/', schema + 3));
        percorso = barra < 0 ? QString() : percorso.mid(barra);
    }
    if (!percorso.startsWith(u'/')) percorso.prepend(u'/');
    return base + percorso;
}

bool RispostaNegata(const QString& pagina) {
    return TrovaFrase(pagina, QStringLiteral("NON E' POSSIBILE FORNIRE UNA RISPOSTA")) >= 0 ||
           TrovaFrase(pagina, QStringLiteral("NON E&#39; POSSIBILE FORNIRE UNA RISPOSTA")) >= 0 ||
           TrovaFrase(pagina, QString::fromUtf8("NON È POSSIBILE FORNIRE UNA RISPOSTA")) >= 0;
}

QString LinkMappaBianche(const QString& pagina) {
    static const QRegularExpression classe(QStringLiteral("class\\s*=\\s*[\"']?mappa(?=[\"'\\s>])"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = classe.match(pagina);
    return m.hasMatch() ? HrefVicino(pagina, int(m.capturedStart())) : QString();
}

QString LinkMappaInterattiva(const QString& pagina) {
    const int m = Trova(pagina, QStringLiteral("mappainterattiva"));
    return m < 0 ? QString() : HrefVicino(pagina, m);
}

bool LeggiSchedaBianche(const QString& pagina, Scheda& s) {
    int l = 0;
    const int inizio = TrovaFrase(pagina, QStringLiteral("TABELLA DEFINIZIONE INFO START"), 0, &l);
    if (inizio < 0) return false;
    const int g = int(pagina.indexOf(u'>', inizio + l));
    if (g < 0) return false;
    const int fine = TrovaFrase(pagina, QStringLiteral("TABELLA DEFINIZIONE INFO END"), g);
    if (fine < 0) return false;  // a cut-off block gives nothing
    // The end marker sits inside a comment: stop at the tag that holds it.
    int a = int(pagina.lastIndexOf(u'<', fine));
    if (a < g) a = fine;
    const QStringList pezzi = Pezzi(pagina, g + 1, a, 8);
    if (pezzi.isEmpty()) return false;
    const QChar barra(0x00A6);
    QString t = pezzi.join(barra).simplified();
    Scheda letta;
    QString resto = t;
    if (!t.isEmpty() && t[0] > u'9') {
        const int b = int(t.indexOf(barra));
        letta[0] = (b < 0 ? t : t.left(b)).trimmed();
        resto = b < 0 ? QString() : t.mid(b + 1).trimmed();
    }
    if (!resto.isEmpty() && Cifra(resto[0])) DividiRigaCitta(resto, letta, true);
    bool qualcosa = false;
    for (int k = 0; k < 5; ++k)
        if (!letta[k].isEmpty()) {
            s[k] = letta[k];
            qualcosa = true;
        }
    return qualcosa;
}

QString LinkMappaGialle(const QString& pagina) {
    const int i = Trova(pagina, QStringLiteral("interattiva"));
    if (i < 0) return QString();
    const QString href = HrefVicino(pagina, i);
    const int c = Trova(href, QStringLiteral("cl="));
    return c < 0 ? QString() : href.mid(c);
}

void SeparaCivico(const QString& colonna, QString& via, QString& civico, QString& riscritta) {
    riscritta.clear();
    const int a = int(colonna.indexOf(u'('));
    const int c = int(colonna.indexOf(u')', 3));
    if (a >= 0 && c > a) {
        civico = colonna.mid(a + 1, c - a - 1).trimmed();
        via = colonna.left(a).trimmed();
        riscritta = civico.isEmpty() ? via : via + QStringLiteral(", ") + civico;
    } else {
        via = QString(colonna).remove(u'(').trimmed();
        civico.clear();
    }
}

QString PulisciCitta(const QString& citta) {
    const int a = int(citta.indexOf(u'('));
    return a < 0 ? citta : citta.left(a).trimmed();
}

bool LeggiPrimoAnnuncioGialle(const QString& pagina, const QString& sigla, Scheda& s) {
    int a = -1;
    if (sigla.trimmed().size() == 2) {
        a = Trova(pagina, u'(' + sigla.trimmed() + u')');
    } else {
        static const QRegularExpression qualsiasi(QStringLiteral("\\([A-Za-z]{2}\\)"));
        const QRegularExpressionMatch m = qualsiasi.match(pagina);
        if (m.hasMatch()) a = int(m.capturedStart());
    }
    if (a < 0) return false;
    const int da = int(pagina.lastIndexOf(u'>', a)) + 1;
    int a2 = int(pagina.indexOf(u'<', a));
    if (a2 < 0) a2 = int(pagina.size());
    const QString riga = pagina.mid(da, a2 - da).simplified();
    Scheda letta;
    DividiRigaCitta(riga, letta, false);
    bool qualcosa = false;
    for (int k = 1; k < 5; ++k)
        if (!letta[k].isEmpty()) {
            s[k] = letta[k];
            qualcosa = true;
        }
    return qualcosa;
}

QVector<Luogo> LeggiRispostaGeocoder(const QString& pagina) {
    QVector<Luogo> luoghi;
    int l = 0;
    const int mappa = TrovaFrase(pagina, QStringLiteral("map of"));
    if (mappa >= 0 && mappa < 500) {
        Luogo u;
        QString t = pagina;
        const int info = TrovaFrase(t, QStringLiteral("map information"));
        if (info >= 0) t = t.mid(info);
        static const QRegularExpression dd(QStringLiteral("<dd(?=[\\s>])[^>]*>"), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = dd.match(t);
        if (m.hasMatch()) {
            const int da = int(m.capturedEnd());
            int fine = Trova(t, QStringLiteral("</dd"), da);
            if (fine < 0) fine = int(t.indexOf(u'<', da));
            if (fine < 0) fine = int(t.size());
            u.testo = TestoSenzaTag(t, da, std::min(fine, da + kMaxTestoLuogo));
        }
        const int lat = Trova(t, QStringLiteral("latitude"));
        if (lat >= 0) t = t.mid(lat + 8);
        QString vLat, vLon;
        const int la = Trova(t, QStringLiteral("lat="));
        if (la >= 0) {
            t = t.mid(la + 4);
            vLat = PrelevastringaNumerica(t);
        }
        const int lo = Trova(t, QStringLiteral("lon="));
        if (lo >= 0) vLon = PrelevastringaNumerica(t.mid(lo + 4));
        u.frammento = QStringLiteral("lon=") + vLon + QStringLiteral("<lat=") + vLat + u'<';
        luoghi << u;
        if (lo >= 0) return luoghi;
    }
    const int cerca = TrovaFrase(pagina, QStringLiteral("searching for"));
    if (cerca < 0 || cerca >= 500) return luoghi;
    luoghi.clear();
    const int come = Trova(pagina, QStringLiteral("like"), cerca + 2);
    const int trovati = Trova(pagina, QStringLiteral("found"), come >= 0 ? come + 2 : cerca + 2);
    if (trovati < 0) return luoghi;
    QString t = pagina.mid(trovati + 5);
    const int plac = Trova(t, QStringLiteral("plac"));
    const QString quanti = plac < 0 ? QString() : t.left(plac).trimmed();
    double v = Val(quanti);
    if (v < 1 && TrovaFrase(quanti, QStringLiteral("more than")) >= 0) v = kMaxCandidati;
    const int numero = v < 1 ? 0 : int(std::min<double>(v, kMaxCandidati));
    int m = TrovaFrase(t, QStringLiteral("match for"), 0, &l);
    if (m < 0) m = TrovaFrase(t, QStringLiteral("matches for"), 0, &l);
    if (m >= 0) t = t.mid(m + l);
    static const QRegularExpression ancora(QStringLiteral("<a(?=[\\s>])[^>]*>"), QRegularExpression::CaseInsensitiveOption);
    int pos = 0;
    for (int i = 1; i <= numero; ++i) {
        const QRegularExpression numeroRiga(QStringLiteral(">\\s*%1\\s*</th").arg(i), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch r = numeroRiga.match(t, pos);
        if (!r.hasMatch()) break;
        pos = int(r.capturedEnd());
        int limite = Trova(t, QStringLiteral("</th"), pos);
        if (limite < 0) limite = int(t.size());
        Luogo u;
        const QRegularExpressionMatch a = ancora.match(t, pos);
        if (a.hasMatch() && a.capturedStart() < limite) {
            u.frammento = a.captured(0).left(kMaxLink) + u'<';
            const int da = int(a.capturedEnd());
            int fine = Trova(t, QStringLiteral("</a"), da);
            if (fine < 0 || fine > limite) fine = limite;
            u.testo = TestoSenzaTag(t, da, std::min(fine, da + kMaxTestoLuogo));
            pos = fine;
        }
        luoghi << u;
    }
    return luoghi;
}

Posizione CoordinateFrammento(const QString& frammento) {
    const int o = Trova(frammento, QStringLiteral("lon="));
    const int a = Trova(frammento, QStringLiteral("lat="));
    if (o < 0 || a < 0) return {};
    return CreaPosizione(PrelevastringaNumerica(frammento.mid(a + 4)), PrelevastringaNumerica(frammento.mid(o + 4)));
}

QVector<QString> ParoleNome(const QString& s) {
    QString t = Sostituisci(u' ' + s + u' ', QStringLiteral(" di "), QStringLiteral(" "));
    t.replace(u'-', u' ');
    while (InStr(t, QStringLiteral(" e ")) > 0) t = Sostituisci(t, QStringLiteral(" e "), QStringLiteral(" "));
    const int p = int(t.indexOf(u'('));
    if (p >= 0) t = t.left(p);
    QVector<QString> parole;
    for (const QString& w : t.split(u' ', Qt::SkipEmptyParts)) parole << w.toCaseFolded();
    std::sort(parole.begin(), parole.end());
    return parole;
}

bool StesseParole(const QVector<QString>& a, const QVector<QString>& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    // Pairs of equal words, counted over runs of equal words in the two sorted lists.
    qint64 coppie = 0;
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const int c = a[i].compare(b[j]);
        if (c < 0) {
            ++i;
        } else if (c > 0) {
            ++j;
        } else {
            int i2 = i, j2 = j;
            while (i2 < a.size() && a[i2] == a[i]) ++i2;
            while (j2 < b.size() && b[j2] == b[j]) ++j2;
            coppie += qint64(i2 - i) * (j2 - j);
            i = i2;
            j = j2;
        }
    }
    return coppie == std::max(a.size(), b.size());
}

bool ConfrontaTesti(const QString& s1, const QString& s2) { return StesseParole(ParoleNome(s1), ParoleNome(s2)); }

long PunteggioCandidato(const Candidato& c, const QString& indirizzo, const QString& cap, const QString& citta,
                        const QString& sigla) {
    long s = 0;
    if (!cap.isEmpty() && Uguale(cap, c[2])) s = 15;
    if (InStr(c[4], citta) > 0 || citta.isEmpty()) s += 15;
    s = Uguale(c[5], sigla) ? s + 15 : -50;
    s = (c[5].isEmpty() || Uguale(c[5], sigla)) ? s + 15 : -50;
    QStringList parole = (c[1] + u' ').split(u' ');
    parole.removeLast();  // a word is the text before each space
    for (const QString& w : parole)
        if (w.isEmpty() || InStr(indirizzo, w) > 0) ++s;
    return s;
}

QString IndirizzoRisultato(const QString& viaCandidato, const QString& indirizzoRecord) {
    static const QString cifreSpazio = QStringLiteral(" 0123456789");
    QString via = QString(viaCandidato).remove(u',');
    QString civicoCandidato;
    int j = int(via.size()) - 1;
    while (j >= 0 && cifreSpazio.contains(via[j])) --j;
    if (j >= 0) {
        civicoCandidato = via.mid(j + 1).trimmed();
        const int sp = int(civicoCandidato.indexOf(u' '));
        if (sp >= 0) civicoCandidato = civicoCandidato.left(sp);
        via = via.left(j + 1).trimmed();
    }
    const QString rec = QString(indirizzoRecord).remove(u',');
    QString civicoRecord;
    const int sp = int(rec.lastIndexOf(u' '));
    if (sp >= 0) {
        const QString dopo = rec.mid(sp + 1);
        if (std::any_of(dopo.begin(), dopo.end(), Cifra)) civicoRecord = dopo;
    }
    QString civico = Uguale(civicoRecord, civicoCandidato)
                         ? civicoRecord
                         : u'(' + civicoRecord + QStringLiteral(")-") + civicoCandidato;
    if (via.isEmpty()) {
        via = indirizzoRecord;
        civico.clear();
    }
    return (via + u' ' + civico).trimmed();
}

}  // namespace gm::coords
