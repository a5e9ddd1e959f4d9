#include "io/ov2.h"

#include <QHash>
#include <QVector>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "io/file_testo.h"
#include "net/testo.h"

namespace gm {

namespace {
const QString kParoleVuote = QStringLiteral(
    " di a da in con su per tra fra il lo la i gli le del dello della dei degli delle al alla allo ai agli "
    "alle dal dallo dalla dai dagli alle nel nello nella nei negli nelle sul sullo sulla sui sugli sulle spa "
    "sas srl snc flli f.lli s.p.a. s.a.s. s.r.l. s.n.c. soc de c. sdf s.d.f. e o u ");

constexpr int kMaxTesto = 63;

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
// A text being cleaned, as UTF-16 units without Qt's bookkeeping: each row of a save reuses the
// same buffers instead of making a dozen strings.
using Testo16 = std::u16string;
using Vista16 = std::u16string_view;

Vista16 Vista(QStringView s) { return Vista16(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())); }

// The number the navigator dials ("39" and the telephone without blanks), or false when the row
// fails the telephone check.
bool TelefonoOV2(const Record& r, Testo16& tel) {
    if (r[kLatitudine].isEmpty()) return false;
    // The last five characters, the missing ones taken as zeros, must be digits.
    const Vista16 t = Vista(r[kTelefono]);
    for (size_t i = t.size() > 5 ? t.size() - 5 : 0; i < t.size(); ++i)
        if (t[i] < u'0' || t[i] > u'9') return false;
    tel.assign(u"39");
    for (const char16_t c : t)
        if (c != u' ') tel += c;
    // A number that leaves no room even for ">" cannot make a valid record.
    return tel.size() <= size_t(kMaxTesto - 1);
}

// Every occurrence of da, left to right, becomes a, never longer: in place.
void SostituisciTutti(Testo16& s, Vista16 da, Vista16 a) {
    size_t i = s.find(da);
    if (i == Testo16::npos) return;
    size_t w = i;
    while (i < s.size()) {
        if (Vista16(s).substr(i, da.size()) == da) {
            std::copy(a.begin(), a.end(), s.begin() + qsizetype(w));
            w += a.size();
            i += da.size();
        } else {
            s[w++] = s[i++];
        }
    }
    s.resize(w);
}

void TrimSpazi(Testo16& s) {
    size_t j = s.size();
    while (j > 0 && s[j - 1] == u' ') --j;
    s.resize(j);
    size_t i = 0;
    while (i < s.size() && s[i] == u' ') ++i;
    s.erase(0, i);
}

char16_t Minuscola(char16_t u) {
    // Plain letters without the table lookup: they are nearly all of a name.
    if (u < 0x80) return (u >= u'A' && u <= u'Z') ? char16_t(u + 32) : u;
    return QChar(u).toLower().unicode();
}

struct Lavoro {
    Testo16 testo, minuscolo, tel;
    std::vector<int> daProvare;
};

// The point text of a row whose telephone passed (in w.tel), left in w.testo.
void TestoConTelefono(const Record& r, const QString& categoria, const QString& parole, Lavoro& w) {
    Testo16& testo = w.testo;
    Testo16& minuscolo = w.minuscolo;
    // The address without its first word ("Via", "Piazza").
    Vista16 via = Vista(r[kIndirizzo]);
    const size_t blank = via.find(u' ');
    if (blank != Vista16::npos) via.remove_prefix(blank + 1);
    testo.clear();
    testo.append(Vista(r[kCitta])).append(u"(").append(Vista(r[kPr])).append(u")").append(via).append(u"; ").append(Vista(r[kNome]));
    TrimSpazi(testo);

    // Each listed word goes where it stands after a blank (the first, with the list's leading
    // blank, only after two). The search runs on a lower-case shadow of the text, edited alike.
    const Elenco& elenco = Modelli(categoria, parole);
    minuscolo.resize(testo.size());
    std::transform(testo.begin(), testo.end(), minuscolo.begin(), Minuscola);
    // Removing a word never makes a new one: only the patterns of the text's words can match, and
    // they run in list order.
    std::vector<int>& daProvare = w.daProvare;
    daProvare.assign(elenco.sempre.begin(), elenco.sempre.end());
    for (size_t i = 0; i < minuscolo.size();) {
        while (i < minuscolo.size() && minuscolo[i] == u' ') ++i;
        size_t j = i;
        while (j < minuscolo.size() && minuscolo[j] != u' ') ++j;
        if (j > i) {
            const Vista16 parte = Vista16(minuscolo).substr(i, j - i);
            for (int k : elenco.perIniziale[parte[0] & 0xFF])
                if (Vista(elenco.modelli[k].parola) == parte) daProvare.push_back(k);
        }
        i = j;
    }
    std::sort(daProvare.begin(), daProvare.end());
    daProvare.erase(std::unique(daProvare.begin(), daProvare.end()), daProvare.end());
    for (int indice : daProvare) {
        const Vista16 m = Vista(elenco.modelli[indice].cerca);
        if (testo.empty() || testo.back() != u' ') {
            testo += u' ';
            minuscolo += u' ';
        }
        size_t i = minuscolo.find(m);
        if (i == Testo16::npos) continue;
        // Both compacted in place: a match becomes one blank, found on the shadow.
        size_t scritti = i;
        while (i < minuscolo.size()) {
            if (Vista16(minuscolo).substr(i, m.size()) == m) {
                testo[scritti] = minuscolo[scritti] = u' ';
                ++scritti;
                i += m.size();
            } else {
                testo[scritti] = testo[i];
                minuscolo[scritti++] = minuscolo[i++];
            }
        }
        testo.resize(scritti);
        minuscolo.resize(scritti);
    }
    // Runs of blanks become one.
    size_t scritti = 0;
    for (size_t i = 0; i < testo.size(); ++i)
        if (testo[i] != u' ' || scritti == 0 || testo[scritti - 1] != u' ') testo[scritti++] = testo[i];
    testo.resize(scritti);
    // No letters in these, so letter case plays no part; each works on what the one before left.
    static constexpr Vista16 sostituzioni[][2] = {{u": ", u""},  {u":", u""},   {u", ", u","}, {u". ", u""},
                                                  {u".", u""},   {u"; ", u";"}, {u" ;", u";"}, {u" (", u"("}};
    for (const auto& s : sostituzioni) SostituisciTutti(testo, s[0], s[1]);
    testo.resize(std::min(testo.size(), size_t(std::max<qsizetype>(kMaxTesto - 1 - qsizetype(w.tel.size()), 0))));
    TrimSpazi(testo);
    testo.append(u">").append(w.tel);
    SostituisciTutti(testo, u";>", u">");
}

template <typename T>
void Metti(char* p, T v) {
    v = qToLittleEndian(v);
    std::memcpy(p, &v, sizeof v);
}

// Appends the whole type-2 record of the text in w to out.
void ScriviRecord(const Lavoro& w, qint32 x, qint32 y, QByteArray& out) {
    const qsizetype n = std::min<qsizetype>(qsizetype(w.testo.size()), kMaxTesto);
    const qsizetype inizio = out.size();
    out.resize(inizio + n + 14);
    char* p = out.data() + inizio;
    p[0] = char(2);
    Metti(p + 1, qint32(n + 14));
    Metti(p + 5, x);
    Metti(p + 9, y);
    // Windows-1252; a control byte (a zero above all) would end or garble the text on the navigator.
    char* b = p + 13;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = CarattereWin1252(w.testo[size_t(i)]);
        b[i] = static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
    b[n] = '\0';
}

Lavoro& LavoroDelFilo() {
    thread_local Lavoro w;
    return w;
}
}  // namespace

std::optional<QString> TestoPuntoOV2(const Record& r, const QString& categoria, const QString& parole) {
    Lavoro& w = LavoroDelFilo();
    if (!TelefonoOV2(r, w.tel)) return std::nullopt;
    TestoConTelefono(r, categoria, parole, w);
    return QString(reinterpret_cast<const QChar*>(w.testo.data()), qsizetype(w.testo.size()));
}

namespace {
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
    Lavoro& w = LavoroDelFilo();
    if (!TelefonoOV2(r, w.tel)) return std::nullopt;
    return Posizione(r);
}

bool PuntiOV2::aggiungi(const Record& r, const QString& categoria, const QString& parole) {
    Lavoro& w = LavoroDelFilo();
    if (!TelefonoOV2(r, w.tel)) return false;
    const std::optional<PosizioneOV2> posizione = Posizione(r);
    if (!posizione) return false;
    TestoConTelefono(r, categoria, parole, w);
    const qsizetype inizio = byte.size();
    ScriviRecord(w, posizione->x, posizione->y, byte);
    punti.append({posizione->x, posizione->y, inizio, qint32(byte.size() - inizio)});
    return true;
}

std::optional<PuntoOV2> PuntoDaRecord(const Record& r, const QString& categoria, const QString& parole) {
    PuntiOV2 uno;
    if (!uno.aggiungi(r, categoria, parole)) return std::nullopt;
    return PuntoOV2{uno.punti[0].x, uno.punti[0].y, uno.byte};
}

QByteArray RecordOV2(const Record& r, const QString& categoria, const QString& parole) {
    std::optional<PuntoOV2> p = PuntoDaRecord(r, categoria, parole);
    return p ? std::move(p->record) : QByteArray();
}

QByteArray FileOV2Semplice(const PuntiOV2& punti) { return punti.byte; }

namespace {
constexpr int kSkipper = 21;  // type, size, four edges

// Blocks the index makes of n points: the same split as Indice::blocco.
qsizetype Blocchi(qsizetype n) { return n <= kMaxPuntiBlocco ? 1 : 1 + Blocchi(n / 2) + Blocchi(n - n / 2); }

struct Indice {
    struct Voce {
        qint32 x, y;
        int i;  // position in the table
    };
    const PuntiOV2& punti;
    std::vector<Voce> voci;
    char* out;

    // Writes the block of voci[da, a) with its size, known beforehand from the record lengths.
    qsizetype blocco(int da, int a) {
        qint32 ovest = std::numeric_limits<qint32>::max(), est = std::numeric_limits<qint32>::min();
        qint32 sud = ovest, nord = est;
        for (int i = da; i < a; ++i) {
            const Voce& v = voci[size_t(i)];
            ovest = std::min(ovest, v.x);
            est = std::max(est, v.x);
            sud = std::min(sud, v.y);
            nord = std::max(nord, v.y);
        }
        char* inizio = out;
        inizio[0] = char(1);
        Metti(inizio + 5, est);
        Metti(inizio + 9, nord);
        Metti(inizio + 13, ovest);
        Metti(inizio + 17, sud);
        out += kSkipper;
        if (a - da <= kMaxPuntiBlocco) {
            std::sort(voci.begin() + da, voci.begin() + a, [](const Voce& u, const Voce& v) { return u.i < v.i; });
            for (int i = da; i < a; ++i) {
                const PuntiOV2::Punto& p = punti.punti[voci[size_t(i)].i];
                std::memcpy(out, punti.byte.constData() + p.inizio, size_t(p.lunghezza));
                out += p.lunghezza;
            }
        } else {
            // Ties broken by position, so the same table always gives the same file.
            const bool lungo = qint64(est) - ovest >= qint64(nord) - sud;
            const auto prima = [lungo](const Voce& u, const Voce& v) {
                const qint32 cu = lungo ? u.x : u.y, cv = lungo ? v.x : v.y;
                return cu != cv ? cu < cv : u.i < v.i;
            };
            const int mezzo = da + (a - da) / 2;
            std::nth_element(voci.begin() + da, voci.begin() + mezzo, voci.begin() + a, prima);
            blocco(da, mezzo);
            blocco(mezzo, a);
        }
        const qsizetype dimensione = out - inizio;
        Metti(inizio + 1, qint32(dimensione));
        return dimensione;
    }
};
}  // namespace

QByteArray FileOV2Indicizzato(const PuntiOV2& punti) {
    if (punti.punti.isEmpty()) return {};
    Indice indice{punti, {}, nullptr};
    indice.voci.reserve(size_t(punti.punti.size()));
    for (int i = 0; i < punti.punti.size(); ++i) indice.voci.push_back({punti.punti[i].x, punti.punti[i].y, i});
    QByteArray file(punti.byte.size() + kSkipper * Blocchi(punti.punti.size()), Qt::Uninitialized);
    indice.out = file.data();
    indice.blocco(0, int(punti.punti.size()));
    return file;
}

}  // namespace gm
