#include "harvest/letture.h"

#include "net/testo.h"

namespace gm::harvest {

namespace {

const QString kPagina = QStringLiteral("pagina");

// True when t begins somewhere in [p, p + ampiezza) of s (1-based p), without scanning the rest
// of the page.
bool Entro(const QString& s, const QString& t, int p, int ampiezza) {
    if (p < 1 || p > s.size()) return false;
    return QStringView(s).mid(p - 1, ampiezza + t.size() - 1).contains(t, Qt::CaseInsensitive);
}

// Numeric value of the digits at the front of the text from position p on.
long NumeroDa(const QString& s, int p) {
    const QString cifre = PrelevastringaNumerica(Mid(s, p, 100));
    return cifre.isEmpty() ? 0 : long(std::min(Val(cifre), 1e9));
}

// Part k of a listing text: its text, and where the part ends (1-based position of the next
// bar, or size + 1). Zero start when the part is absent.
struct Parte {
    int inizio = 0;  // position of the marker
    int fine = 0;    // position of the next bar or size + 1
    QString testo;
};
Parte TrovaParte(const QString& s, int k) {
    Parte p;
    const QString marca = kBarra + QString::number(k) + kBarra;
    p.inizio = InStr(s, marca);
    if (p.inizio == 0) return p;
    const int da = p.inizio + int(marca.size());
    const int barra = InStr(s, QString(kBarra), da);
    p.fine = barra == 0 ? int(s.size()) + 1 : barra;
    p.testo = Mid(s, da, p.fine - da);
    return p;
}

void Nome(QString& testo, Annuncio& a) {
    const Parte p = TrovaParte(testo, 1);
    if (p.inizio == 0) return;
    a.campi[0] = p.testo.trimmed();
    testo = Mid(testo, p.fine);
}

// Postal code, town, province code and address of a town line "CAP Town (PR) - Street".
void RigaCitta(const QString& riga, const QString& ancora, bool scambia, Annuncio& a) {
    if (riga.isEmpty() || !riga.at(0).isDigit() || riga.at(0) > u'9') return;
    a.campi[2] = Left(riga, 5);
    const QString resto = Mid(riga, 6).trimmed();
    const int pos = InStr(resto, ancora);
    if (pos == 0) return;
    a.campi[3] = Left(resto, pos - 1);
    a.campi[4] = Mid(resto, pos + 1, 2);
    QString via = Mid(resto, pos + 4);
    via.replace(u'-', u' ');
    via = via.trimmed();
    const int virgola = int(via.indexOf(u','));
    if (scambia && virgola >= 0) via = (via.mid(virgola + 1) + QStringLiteral(", ") + via.left(virgola)).trimmed();
    a.campi[1] = via;
}

// Cuts W at the last ">" read; a listing whose text never reached a ">" still moves past its anchor.
void Avanza(QString& W, int ultimo, int ancora, int lunghezzaAncora) {
    if (ultimo > 0)
        W = Mid(W, ultimo);
    else
        W = Mid(W, ancora + lunghezzaAncora);
}

void Aggiungi(QString& testo, int n, const QString& pezzo) {
    testo += kBarra + QString::number(n) + kBarra + pezzo.trimmed();
}

struct Raccolta {
    QString testo;       // the numbered parts
    int ultimo = 0;      // the last ">" read
    bool segnaposto = false;  // the closing text came before the listing's own
};
// Collects the text pieces of a listing from position p on: each piece after a ">" becomes the
// next part, a label just ahead makes it part 9, the closing text ends the listing, and so does
// the directory's own rule (fine).
template <class Fine>
Raccolta Raccogli(const QString& W, int p, const QString& etichetta, const QString& chiusura, Fine fine) {
    Raccolta r;
    int n = 1;
    for (;;) {
        p = InStr(W, QStringLiteral(">"), p + 2);
        if (p == 0) break;
        r.ultimo = p;
        if (Entro(W, etichetta, p, 10)) n = 9;
        if (Mid(W, p + 1, 1) != u"<") {
            const int q = InStr(W, QStringLiteral("<"), p + 1);
            if (q > 0) {
                Aggiungi(r.testo, n, Mid(W, p + 1, q - p - 1));
                if (InStr(r.testo, chiusura) > 0) {
                    r.segnaposto = true;
                    break;
                }
                if (n > 8) break;
                ++n;
            }
        }
        if (fine(n, p)) break;
    }
    return r;
}

}  // namespace

Contatore LeggiContatore(const QString& pagina) {
    Contatore c;
    const int p = InStr(pagina, kPagina);
    if (p == 0) return c;
    const int q = InStr(pagina, QStringLiteral(">"), p + 1);
    if (q == 0) return c;
    c.corrente = NumeroDa(pagina, q + 1);
    const int d = InStr(pagina, QStringLiteral("di"), q + 1);
    if (d == 0) return c;
    const int e = InStr(pagina, QStringLiteral(">"), d);
    if (e == 0) return c;
    c.pagine = NumeroDa(pagina, e + 1);
    return c;
}

QString ModelloElencoLuoghi(const QString& pagina, const QString& baseGialle, long& pagine) {
    pagine = 0;
    const int p = InStr(pagina, kPagina);
    if (p == 0) return QString();
    const int q = InStr(pagina, QStringLiteral(">"), p + 1);
    const int d = q == 0 ? 0 : InStr(pagina, QStringLiteral("di"), q + 1);
    const int e0 = d == 0 ? 0 : InStr(pagina, QStringLiteral(">"), d);
    if (e0 == 0) return QString();
    const int e = e0 + 1;
    pagine = std::min(NumeroDa(pagina, e), kMaxPagine);
    const int f = InStr(pagina, QStringLiteral("pg/cgi/pgsearch"), e);
    if (f == 0) return QString();
    const int virgolette = InStr(pagina, QStringLiteral("\""), f);
    const QString link = virgolette == 0 ? Mid(pagina, f) : Mid(pagina, f, virgolette - f);
    return baseGialle + u'/' + Sostituisci(link, QStringLiteral("&be=10&"), QStringLiteral("&be=*&"));
}

void RaccogliLuoghi(const QString& pagina, QStringList& voci) {
    const int r = InStr(pagina, QStringLiteral("Regione"));
    if (r == 0) return;
    const int g = InStr(pagina, QStringLiteral(">"), r);
    if (g == 0) return;
    QString s = Mid(pagina, g + 1);
    int parte = 1;
    // Each turn consumes at least one character, so the loop ends on any text.
    while (!s.isEmpty()) {
        if (s.at(0) == u'<') {
            const int chiude = InStr(s, QStringLiteral(">"));
            s = chiude == 0 ? QString() : Mid(s, chiude + 1);
            // A link close behind the tag starts an entry; with no link left on the page the
            // texts still belong to the last entry.
            const int h = InStr(s, QStringLiteral("href="));
            if (h > 0 && h < 50) {
                s = Mid(s, h + 6);
                const int v = InStr(s, QStringLiteral("\""));
                if (voci.size() < kMaxLuoghi)
                    voci << kBarra + QStringLiteral("1") + kBarra + (v == 0 ? s : Left(s, v - 1));
                parte = 2;
                const int lt = InStr(s, QStringLiteral("<"));
                s = lt == 0 ? QString() : Mid(s, lt);
            }
            continue;
        }
        if (voci.size() >= kMaxLuoghi || InStr(s, kPagina) < 5) return;
        const int lt = InStr(s, QStringLiteral("<"));
        const QString testo = lt == 0 ? s : Left(s, lt - 1);
        // Text before the first link belongs to no entry.
        if (!voci.isEmpty()) voci.last() += kBarra + QString::number(parte) + kBarra + testo.trimmed();
        ++parte;
        if (lt == 0) return;
        s = Mid(s, lt);
    }
}

namespace {
// "=" + code as a whole value: not the first letters of a longer word (a category "Bar" must not
// pass for the province code BA).
bool ValoreUguale(const QString& testo, const QString& valore) {
    const QString cercato = u'=' + valore;
    for (int p = InStr(testo, cercato); p > 0; p = InStr(testo, cercato, p + 1)) {
        const int dopo = p + int(cercato.size());
        if (dopo > testo.size()) return true;
        const QChar ch = testo.at(dopo - 1);
        if (!ch.isLetterOrNumber()) return true;
    }
    return false;
}
}  // namespace

QString ScegliLuogo(const QStringList& voci, const QString& regione, const QString& provincia, const QString& sigla,
                    const QString& comune) {
    const QString R = Left(regione, int(regione.size()) - 2);
    if (R.isEmpty()) return QString();
    for (QString voce : voci) {
        const int m = InStr(voce, kBarra + R);
        if (m == 0) continue;
        voce = Left(voce, m - 3);
        voce.replace(u'/', u' ');
        if (InStr(voce, kBarra + provincia) == 0 && !ValoreUguale(voce, sigla)) continue;
        const QString copia = QString(voce).remove(u'\'');
        const bool perSigla = !sigla.isEmpty() && ValoreUguale(copia, sigla);
        const bool perComune = !comune.isEmpty() && InStr(copia, u'=' + comune + kBarra) > 0;
        if (!perSigla && !perComune) continue;
        QString obiettivo = Mid(voce, 4);
        const int b = int(obiettivo.indexOf(kBarra));
        if (b >= 0) obiettivo = obiettivo.left(b);
        return obiettivo.replace(u' ', u'/');
    }
    return QString();
}

QString ModelloPagineGialle(const QString& pagina, const QString& baseGialle) {
    const int t = InStr(pagina, QStringLiteral("title=\"2\""));
    if (t == 0) return QString();
    const int h = InStr(pagina, QStringLiteral("href="), t);
    const int c = h == 0 ? 0 : InStr(pagina, QStringLiteral("/cgi"), h);
    if (c == 0) return QString();
    const int v = InStr(pagina, QStringLiteral("\""), c);
    QString modello = baseGialle + QStringLiteral("/pg") + (v == 0 ? Mid(pagina, c) : Mid(pagina, c, v - c));
    const int be = InStr(modello, QStringLiteral("&be="));
    if (be == 0) return QString();
    return Left(modello, be + 3) + u'*' + Mid(modello, be + 6);
}

QString CodaPagineBianche(const QString& pagina) {
    const int p = InStr(pagina, QStringLiteral("paginazione"));
    const int h = p == 0 ? 0 : InStr(pagina, QStringLiteral("href="), p);
    const int b = h == 0 ? 0 : InStr(pagina, QStringLiteral("be="), h);
    const int e = b == 0 ? 0 : InStr(pagina, QStringLiteral("&"), b);
    if (e == 0) return QString();
    const int g = InStr(pagina, QStringLiteral(">"), e);
    if (g == 0) return QString();
    return Mid(pagina, e, std::max(0, g - 1 - e));
}

bool AnnuncioGialle(QString& W, const QString& sigla, long Livello, Annuncio& a) {
    a = Annuncio{};
    const QString ancora = u'(' + sigla + u')';
    const int pa = InStr(W, ancora);
    if (pa == 0 || sigla.isEmpty()) return false;
    const int x = int(W.lastIndexOf(QStringLiteral("class="), pa - 1, Qt::CaseInsensitive)) + 1;
    // A label seen ahead of a bare tag still wants the text piece that follows it.
    const Raccolta r = Raccogli(W, x, QStringLiteral(":"), QStringLiteral("/td"),
                                [](int n, int) { return n >= 5 && n != 9; });
    QString testo = r.testo;
    if (r.segnaposto) a.campi[0] = kNomeSegnaposto;
    Avanza(W, r.ultimo, pa, int(ancora.size()));

    if (InStr(testo, QStringLiteral(") - Vedi ")) > 0) {
        a.fine = true;
        return true;
    }
    if (Livello <= 1 || InStr(testo, ancora) == 0) return true;
    Nome(testo, a);
    QString riga;
    for (int k = 2; k <= 4; ++k) {
        const Parte parte = TrovaParte(testo, k);
        riga = parte.testo.trimmed();
        if (parte.inizio > 0) testo = Mid(testo, parte.fine);
        if (InStr(riga, ancora) > 0) break;
    }
    RigaCitta(riga, ancora, true, a);
    if (InStr(testo, kBarra + QStringLiteral("9") + kBarra) > 0) {
        int d = 0;
        for (int i = 4; i <= testo.size(); ++i)
            if (testo.at(i - 1) >= u'0' && testo.at(i - 1) <= u'9') {
                d = i;
                break;
            }
        if (d > 0) {
            // Cut at the blank that ends the number; dashes and commas joining its groups only
            // become blanks afterwards, so a number written with dashes keeps all its digits.
            QString tel = Mid(testo, d).trimmed();
            const int spazio = InStr(tel, QStringLiteral(" "), 6);
            if (spazio > 0) tel = Left(tel, spazio - 1);
            tel.replace(u',', u' ').replace(u'-', u' ');
            a.campi[5] = tel.trimmed();
        }
    }
    // A listing that closed before any text of its own would make a record without a name.
    a.preso = a.campi[0] != kNomeSegnaposto;
    return true;
}

bool AnnuncioBianche(QString& W, const QString& sigla, long Livello, Annuncio& a) {
    a = Annuncio{};
    static const QString kAncora = QStringLiteral("<td class=\"dati\">");
    const int pa = InStr(W, kAncora);
    if (pa == 0) return false;
    const Raccolta r = Raccogli(W, pa, QStringLiteral("Tel fisso"), QStringLiteral("biglietto da visita"),
                                [&W](int, int p) { return Uguale(Mid(W, p + 1, 6), QStringLiteral("</div>")); });
    QString testo = r.testo;
    if (r.segnaposto) a.campi[0] = kNomeSegnaposto;
    Avanza(W, r.ultimo, pa, int(kAncora.size()));

    if (InStr(testo, QStringLiteral(") - Vedi ")) > 0) {
        a.fine = true;
        return true;
    }
    const QString ancora = u'(' + sigla + u')';
    if (Livello <= 1 || sigla.isEmpty() || InStr(testo, ancora) == 0) return true;
    Nome(testo, a);
    const Parte parte = TrovaParte(testo, 2);
    if (parte.inizio > 0) testo = Left(testo, parte.inizio - 1) + Mid(testo, parte.fine);
    RigaCitta(parte.testo.trimmed(), ancora, false, a);
    const int t = InStr(testo, kBarra + QStringLiteral("9") + kBarra);
    if (t > 0) {
        // The piece read as the telephone starts with its label; the number is what follows it.
        QString tel = Mid(testo, t + 3).trimmed();
        if (tel.startsWith(QStringLiteral("Tel fisso"), Qt::CaseInsensitive)) tel = tel.mid(9);
        while (!tel.isEmpty() && (tel.at(0) == u':' || tel.at(0).isSpace())) tel.remove(0, 1);
        a.campi[5] = tel.trimmed();
    }
    a.preso = a.campi[0] != kNomeSegnaposto;
    return true;
}

QString MappaAnnuncioGialle(const QString& W, const QString& sigla) {
    const int a = InStr(W, QStringLiteral("a href="));
    const int b = InStr(W, u'(' + sigla + u')');
    if (a == 0 || (b != 0 && a > b)) return QString();
    const int cl = InStr(W, QStringLiteral("cl="), a);
    if (cl == 0) return QString();
    const int cb = InStr(W, QStringLiteral("cb="), cl);
    if (cb == 0) return QString();
    return Mid(W, cl, cb + 4 - cl);
}

QString MappaAnnuncioBianche(const QString& W) {
    const int a = InStr(W, QStringLiteral("class=\"mappa\""));
    const int b = InStr(W, QStringLiteral("<td class=\"dati\">"));
    if (a == 0 || (b != 0 && a > b)) return QString();
    const int h = InStr(W, QStringLiteral("href="), a);
    if (h == 0) return QString();
    const int v = InStr(W, QStringLiteral("\""), h + 6);
    return v == 0 ? QString() : Mid(W, h + 6, v - h - 6);
}

}  // namespace gm::harvest
