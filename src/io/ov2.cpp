#include "io/ov2.h"

#include <QHash>
#include <QVector>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>

#include "io/file_testo.h"
#include "net/testo.h"

namespace gm {

namespace {
const QString kParoleVuote = QStringLiteral(
    " di a da in con su per tra fra il lo la i gli le del dello della dei degli delle al alla allo ai agli "
    "alle dal dallo dalla dai dagli alle nel nello nella nei negli nelle sul sullo sulla sui sugli sulle spa "
    "sas srl snc flli f.lli s.p.a. s.a.s. s.r.l. s.n.c. soc de c. sdf s.d.f. e o u ");

constexpr int kMaxTesto = 63;

bool Cifra(QChar c) { return c >= u'0' && c <= u'9'; }

QString TrimSpazi(const QString& s) {
    int i = 0, j = int(s.size());
    while (i < j && s[i] == u' ') ++i;
    while (j > i && s[j - 1] == u' ') --j;
    return s.mid(i, j - i);
}

QString LTrimSpazi(const QString& s) {
    int i = 0;
    while (i < s.size() && s[i] == u' ') ++i;
    return s.mid(i);
}

// Lower case character by character, so that positions stay the same.
QString Minuscolo(const QString& s) {
    QString m = s;
    for (QChar& c : m) {
        const char16_t u = c.unicode();
        // Plain letters without the table lookup: they are nearly all of a name.
        if (u < 0x80)
            c = (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 32)) : c;
        else
            c = c.toLower();
    }
    return m;
}

// The search patterns of the word list " " + category + stop words + the user's words: each word
// with its trailing blank, preceded by a blank. Kept for the next row of the same save.
struct Modello {
    QString cerca;   // " " + word + " ", lower case
    QString parola;  // the word alone
};

struct Elenco {
    QVector<Modello> modelli;
    std::array<QVector<int>, 256> perIniziale;  // patterns by the first letter of their word
    QVector<int> sempre;                        // patterns of no word (runs of blanks)
};

int Iniziale(QStringView parola) { return parola.isEmpty() ? 0 : (parola[0].unicode() & 0xFF); }

const Elenco& Modelli(const QString& categoria, const QString& parole) {
    thread_local QString ultimaCategoria, ultimeParole;
    thread_local Elenco elenco;
    QVector<Modello>& modelli = elenco.modelli;
    thread_local bool pronto = false;
    if (pronto && ultimaCategoria == categoria && ultimeParole == parole) return elenco;
    modelli.clear();
    for (auto& v : elenco.perIniziale) v.clear();
    elenco.sempre.clear();
    QString w = u' ' + categoria + u' ' + kParoleVuote + u' ' + parole + u' ';
    while (!w.isEmpty()) {
        const int p = InStr(w + u' ', QStringLiteral(" "), 2);
        const QString m = Minuscolo(u' ' + Left(w, p));
        modelli.append({m, m.trimmed()});
        if (modelli.last().parola.isEmpty())
            elenco.sempre.append(int(modelli.size()) - 1);
        else
            elenco.perIniziale[Iniziale(modelli.last().parola)].append(int(modelli.size()) - 1);
        w = LTrimSpazi(Mid(w, p));
    }
    ultimaCategoria = categoria;
    ultimeParole = parole;
    pronto = true;
    return elenco;
}
}  // namespace

QByteArray MKL(qint32 valore) {
    const quint32 u = quint32(valore);
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = char((u >> (8 * i)) & 0xFF);
    return b;
}

namespace {
std::optional<qint32> Coordinata(double gradi) {
    const double v = std::nearbyint(gradi * 100000.0);  // default rounding: halves to even
    if (!std::isfinite(v) || v > std::numeric_limits<qint32>::max() || v < std::numeric_limits<qint32>::min())
        return std::nullopt;
    return qint32(v);
}
}  // namespace

// The leading decimal number of a text, as Val reads it, without the cost of a locale.
static double Numero(const QString& s) {
    char buf[64];
    int n = 0, i = 0;
    const int len = int(s.size());
    while (i < len && (s[i] == u' ' || s[i] == u'\t')) ++i;
    if (i < len && (s[i] == u'-' || s[i] == u'+')) {
        if (s[i] == u'-') buf[n++] = '-';
        ++i;
    }
    bool cifre = false, punto = false;
    for (; i < len && n < 60; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= u'0' && c <= u'9') {
            cifre = true;
        } else if (c == u'.' && !punto) {
            punto = true;
        } else {
            break;
        }
        buf[n++] = char(c);
    }
    if (!cifre) return 0.0;
    if (n >= 60) return Val(s);  // very long numbers: the general reader
    double v = 0.0;
    const auto esito = std::from_chars(buf, buf + n, v);
    return esito.ec == std::errc() ? v : Val(s);
}

std::optional<qint32> CoordinataOV2(const QString& testo) { return Coordinata(Numero(testo)); }

namespace {
// The number the navigator dials ("39" and the telephone without blanks), or nothing when the row
// fails the telephone check.
std::optional<QString> TelefonoOV2(const Record& r) {
    if (r[kLatitudine].isEmpty()) return std::nullopt;
    QString prova = r[kTelefono];
    if (prova.size() != 5) prova = Right(QStringLiteral("00000") + prova, 5);
    for (QChar c : prova)
        if (!Cifra(c)) return std::nullopt;
    QString tel = QStringLiteral("39") + r[kTelefono];
    tel.remove(u' ');
    tel = TrimSpazi(tel);
    // A number that leaves no room even for ">" cannot make a valid record.
    if (tel.size() > kMaxTesto - 1) return std::nullopt;
    return tel;
}
}  // namespace

namespace {
QString TestoConTelefono(const Record& r, const QString& tel, const QString& categoria, const QString& parole);
}  // namespace

std::optional<QString> TestoPuntoOV2(const Record& r, const QString& categoria, const QString& parole) {
    const std::optional<QString> telefono = TelefonoOV2(r);
    if (!telefono) return std::nullopt;
    return TestoConTelefono(r, *telefono, categoria, parole);
}

namespace {
QString TestoConTelefono(const Record& r, const QString& tel, const QString& categoria, const QString& parole) {
    const QString& ind = r[kIndirizzo];
    const int blank = InStr(ind, QStringLiteral(" "));
    const QString via = blank > 0 ? Mid(ind, blank + 1) : ind;
    QString testo = TrimSpazi(r[kCitta] + u'(' + r[kPr] + u')' + via + QStringLiteral("; ") + r[kNome]);

    // Each listed word goes where it stands after a blank (the first, with the list's leading
    // blank, only after two). The search runs on a lower-case shadow of the text, edited alike.
    const Elenco& elenco = Modelli(categoria, parole);
    QString minuscolo = Minuscolo(testo);
    // Removing a word never makes a new one: only the patterns of the text's words can match, and
    // they run in list order.
    QVector<int> daProvare = elenco.sempre;
    for (QStringView parte : QStringView(minuscolo).split(u' ', Qt::SkipEmptyParts))
        for (int k : elenco.perIniziale[Iniziale(parte)])
            if (elenco.modelli[k].parola == parte) daProvare.append(k);
    std::sort(daProvare.begin(), daProvare.end());
    daProvare.erase(std::unique(daProvare.begin(), daProvare.end()), daProvare.end());
    for (int indice : daProvare) {
        const QString& m = elenco.modelli[indice].cerca;
        if (!testo.endsWith(u' ')) {
            testo += u' ';
            minuscolo += u' ';
        }
        qsizetype da = minuscolo.indexOf(m);
        if (da < 0) continue;
        QString t, mt;
        qsizetype ultimo = 0;
        while (da >= 0) {
            t += QStringView(testo).mid(ultimo, da - ultimo);
            mt += QStringView(minuscolo).mid(ultimo, da - ultimo);
            t += u' ';
            mt += u' ';
            ultimo = da + m.size();
            da = minuscolo.indexOf(m, ultimo);
        }
        t += QStringView(testo).mid(ultimo);
        mt += QStringView(minuscolo).mid(ultimo);
        testo = t;
        minuscolo = mt;
    }
    while (testo.contains(QStringLiteral("  "))) testo.replace(QStringLiteral("  "), QStringLiteral(" "));
    // No letters in these, so letter case plays no part.
    static const char* const sostituzioni[][2] = {{": ", ""},  {":", ""},   {", ", ","}, {". ", ""},
                                                   {".", ""},   {"; ", ";"}, {" ;", ";"}, {" (", "("}};
    for (const auto& r : sostituzioni) {
        const QLatin1String da(r[0]);
        if (testo.contains(da)) testo.replace(da, QLatin1String(r[1]));
    }
    testo = TrimSpazi(Left(testo, kMaxTesto - 1 - int(tel.size()))) + u'>' + tel;
    testo.replace(QStringLiteral(";>"), QStringLiteral(">"));
    return testo;
}

// The position alone, the telephone already checked.
std::optional<PosizioneOV2> Posizione(const Record& r) {
    const double lat = Numero(r[kLatitudine]), lon = Numero(r[kLongitudine]);
    if (lat == 0.0 && lon == 0.0) return std::nullopt;
    // A point off the globe would put the navigator somewhere that does not exist.
    if (std::abs(lat) > 90.0 || std::abs(lon) > 180.0) return std::nullopt;
    const std::optional<qint32> x = Coordinata(lon);
    const std::optional<qint32> y = Coordinata(lat);
    if (!x || !y) return std::nullopt;
    return PosizioneOV2{*x, *y};
}
}  // namespace

std::optional<PosizioneOV2> PosizionePunto(const Record& r) {
    if (!TelefonoOV2(r)) return std::nullopt;
    return Posizione(r);
}

std::optional<PuntoOV2> PuntoDaRecord(const Record& r, const QString& categoria, const QString& parole) {
    const std::optional<QString> tel = TelefonoOV2(r);
    if (!tel) return std::nullopt;
    const std::optional<PosizioneOV2> posizione = Posizione(r);
    if (!posizione) return std::nullopt;
    const std::optional<qint32> x = posizione->x, y = posizione->y;
    QByteArray byte = CodificaWin1252(TestoConTelefono(r, *tel, categoria, parole));
    if (byte.size() > kMaxTesto) byte.truncate(kMaxTesto);
    // A control byte (a zero above all) would end or garble the text on the navigator.
    for (char& b : byte)
        if (static_cast<unsigned char>(b) < 0x20) b = '?';
    PuntoOV2 p{*x, *y, {}};
    p.record.reserve(byte.size() + 14);
    p.record.append(char(2));
    p.record.append(MKL(qint32(byte.size() + 14)));
    p.record.append(MKL(*x));
    p.record.append(MKL(*y));
    p.record.append(byte);
    p.record.append('\0');
    return p;
}

QByteArray RecordOV2(const Record& r, const QString& categoria, const QString& parole) {
    std::optional<PuntoOV2> p = PuntoDaRecord(r, categoria, parole);
    return p ? std::move(p->record) : QByteArray();
}

QByteArray FileOV2Semplice(const QVector<PuntoOV2>& punti) {
    qsizetype totale = 0;
    for (const PuntoOV2& p : punti) totale += p.record.size();
    QByteArray file;
    file.reserve(totale);
    for (const PuntoOV2& p : punti) file += p.record;
    return file;
}

namespace {
constexpr int kSkipper = 21;  // type, size, four edges

struct Indice {
    const QVector<PuntoOV2>& punti;
    QVector<int> ordine;  // positions into punti, rearranged block by block
    QByteArray file;

    // Writes the block of ordine[da, a) and returns nothing: its size is patched in once known.
    void blocco(int da, int a) {
        qint32 ovest = std::numeric_limits<qint32>::max(), est = std::numeric_limits<qint32>::min();
        qint32 sud = ovest, nord = est;
        for (int i = da; i < a; ++i) {
            const PuntoOV2& p = punti[ordine[i]];
            ovest = std::min(ovest, p.x);
            est = std::max(est, p.x);
            sud = std::min(sud, p.y);
            nord = std::max(nord, p.y);
        }
        const qsizetype inizio = file.size();
        file.append(char(1));
        file.append(4, '\0');
        file.append(MKL(est));
        file.append(MKL(nord));
        file.append(MKL(ovest));
        file.append(MKL(sud));
        if (a - da <= kMaxPuntiBlocco) {
            std::sort(ordine.begin() + da, ordine.begin() + a);
            for (int i = da; i < a; ++i) file += punti[ordine[i]].record;
        } else {
            // Ties broken by position, so the same table always gives the same file.
            const bool lungo = qint64(est) - ovest >= qint64(nord) - sud;
            const auto prima = [this, lungo](int u, int v) {
                const qint32 cu = lungo ? punti[u].x : punti[u].y, cv = lungo ? punti[v].x : punti[v].y;
                return cu != cv ? cu < cv : u < v;
            };
            const int mezzo = da + (a - da) / 2;
            std::nth_element(ordine.begin() + da, ordine.begin() + mezzo, ordine.begin() + a, prima);
            blocco(da, mezzo);
            blocco(mezzo, a);
        }
        const QByteArray dimensione = MKL(qint32(file.size() - inizio));
        std::copy(dimensione.begin(), dimensione.end(), file.begin() + inizio + 1);
    }
};
}  // namespace

QByteArray FileOV2Indicizzato(const QVector<PuntoOV2>& punti) {
    if (punti.isEmpty()) return {};
    Indice indice{punti, {}, {}};
    indice.ordine.resize(punti.size());
    std::iota(indice.ordine.begin(), indice.ordine.end(), 0);
    qsizetype totale = 0;
    for (const PuntoOV2& p : punti) totale += p.record.size();
    // Leaves hold at least kMaxPuntiBlocco / 2 points; a skipper for each leaf and inner block.
    indice.file.reserve(totale + kSkipper * (4 * punti.size() / kMaxPuntiBlocco + 2));
    indice.blocco(0, int(punti.size()));
    return indice.file;
}

}  // namespace gm
