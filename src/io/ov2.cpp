#include "io/ov2.h"

#include <cmath>
#include <limits>

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
}  // namespace

QByteArray MKL(qint32 valore) {
    const quint32 u = quint32(valore);
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = char((u >> (8 * i)) & 0xFF);
    return b;
}

std::optional<qint32> CoordinataOV2(const QString& testo) {
    const double v = std::nearbyint(Val(testo) * 100000.0);  // default rounding: halves to even
    if (!std::isfinite(v) || v > std::numeric_limits<qint32>::max() || v < std::numeric_limits<qint32>::min())
        return std::nullopt;
    return qint32(v);
}

std::optional<QString> TestoPuntoOV2(const Record& r, const QString& categoria, const QString& parole) {
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

    const QString& ind = r[kIndirizzo];
    const int blank = InStr(ind, QStringLiteral(" "));
    const QString via = blank > 0 ? Mid(ind, blank + 1) : ind;
    QString testo = TrimSpazi(r[kCitta] + u'(' + r[kPr] + u')' + via + QStringLiteral("; ") + r[kNome]);

    QString w = u' ' + categoria + u' ' + kParoleVuote + u' ' + parole + u' ';
    while (!w.isEmpty()) {
        const int p = InStr(w + u' ', QStringLiteral(" "), 2);
        const QString parola = Left(w, p);
        testo = Sostituisci(testo + u' ', u' ' + parola, QStringLiteral(" "));
        w = LTrimSpazi(Mid(w, p));
    }
    while (testo.contains(QStringLiteral("  "))) testo.replace(QStringLiteral("  "), QStringLiteral(" "));
    static const char* const sostituzioni[][2] = {{": ", ""},  {":", ""},   {", ", ","}, {". ", ""},
                                                   {".", ""},   {"; ", ";"}, {" ;", ";"}, {" (", "("}};
    for (const auto& s : sostituzioni)
        testo = Sostituisci(testo, QString::fromLatin1(s[0]), QString::fromLatin1(s[1]));

    testo = TrimSpazi(Left(testo, kMaxTesto - 1 - int(tel.size()))) + u'>' + tel;
    testo.replace(QStringLiteral(";>"), QStringLiteral(">"));
    return testo;
}

QByteArray RecordOV2(const Record& r, const QString& categoria, const QString& parole) {
    const std::optional<QString> testo = TestoPuntoOV2(r, categoria, parole);
    if (!testo) return {};
    if (Val(r[kLatitudine]) == 0.0 && Val(r[kLongitudine]) == 0.0) return {};
    const std::optional<qint32> x = CoordinataOV2(r[kLongitudine]);
    const std::optional<qint32> y = CoordinataOV2(r[kLatitudine]);
    if (!x || !y) return {};
    QByteArray byte = CodificaWin1252(*testo);
    if (byte.size() > kMaxTesto) byte.truncate(kMaxTesto);
    // A control byte (a zero above all) would end or garble the text on the navigator.
    for (char& b : byte)
        if (static_cast<unsigned char>(b) < 0x20) b = '?';
    QByteArray rec;
    rec.reserve(byte.size() + 14);
    rec.append(char(2));
    rec.append(MKL(qint32(byte.size() + 14)));
    rec.append(MKL(*x));
    rec.append(MKL(*y));
    rec.append(byte);
    rec.append('\0');
    return rec;
}

}  // namespace gm
