#include "io/fogli.h"

#include <QDate>
#include <QTime>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace gm {

namespace {
// What a cell of a workbook may hold: 32767 characters.
constexpr int kMaxTesto = 32767;
// Sent on in chunks of this size: large enough to make few system calls, small enough that the
// program starts decoding early.
constexpr qsizetype kBlocco = 128 * 1024;

bool ScriviTutto(int fd, const char* p, qsizetype n) {
    while (n > 0) {
        const ssize_t scritti = write(fd, p, size_t(n));
        if (scritti < 0 && errno == EINTR) continue;
        if (scritti <= 0) return false;
        p += scritti;
        n -= scritti;
    }
    return true;
}
}  // namespace

FoglioLetto::FoglioLetto(int maxRighe, int maxColonne, int fd)
    : m_maxRighe(std::max(maxRighe, 0)), m_maxColonne(std::max(maxColonne, 0)), m_fd(fd) {}

bool FoglioLetto::posto(qint64 riga, qint64 colonna) {
    if (riga < 0 || colonna < 0 || riga >= m_maxRighe || colonna >= m_maxColonne || m_troppe || m_chiuso) return false;
    const qint64 righe = qint64(m_lunghezze.size());
    if (riga >= righe) {
        // Empty rows in between count as one cell each.
        if (riga - righe + m_celle > kMaxCelle) {
            m_troppe = true;
            return false;
        }
        m_lunghezze.resize(size_t(riga + 1), 0);
    }
    int& lunghezza = m_lunghezze[size_t(riga)];
    if (colonna >= lunghezza) {
        m_celle += colonna + 1 - lunghezza;
        if (m_celle > kMaxCelle) {
            m_troppe = true;
            return false;
        }
        lunghezza = int(colonna) + 1;
    }
    return true;
}

// Room for n more bytes, written through a pointer: appending a few bytes at a time costs a
// library call for each.
char* FoglioLetto::spazio(qsizetype n) {
    if (m_usati + n > m_uscita.size()) m_uscita.resize(std::max<qsizetype>(m_uscita.size() * 2, m_usati + n + kBlocco));
    char* p = m_uscita.data() + m_usati;
    m_usati += n;
    return p;
}

template <typename T>
static void Metti(char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

void FoglioLetto::cella(quint8 tipo, qint64 riga, qint64 colonna) {
    if (riga != m_rigaScritta) {
        char* p = spazio(5);
        Metti(p, kRiga);
        Metti(p + 1, quint32(riga));
        m_rigaScritta = riga;
    }
    char* p = spazio(5);
    Metti(p, tipo);
    Metti(p + 1, quint32(colonna));
}

bool FoglioLetto::svuota() {
    if (m_fd < 0 || m_usati == 0) return !m_guasto;
    if (!m_guasto && !ScriviTutto(m_fd, m_uscita.constData(), m_usati)) m_guasto = true;
    m_usati = 0;
    return !m_guasto;
}

void FoglioLetto::numero(qint64 riga, qint64 colonna, double v) {
    if (!posto(riga, colonna)) return;
    cella(kCellaDecimale, riga, colonna);
    Metti(spazio(sizeof v), v);
    if (m_usati >= kBlocco) svuota();
}

void FoglioLetto::testoUtf8(qint64 riga, qint64 colonna, QByteArrayView t) {
    if (t.isEmpty()) return;
    // Fewer bytes than the limit are fewer characters too; more are counted as characters.
    if (t.size() > kMaxTesto) {
        testo(riga, colonna, QString::fromUtf8(t));
        return;
    }
    if (!posto(riga, colonna)) return;
    cella(kCellaTesto, riga, colonna);
    char* p = spazio(4 + t.size());
    Metti(p, quint32(t.size()));
    std::memcpy(p + 4, t.data(), size_t(t.size()));
    if (m_usati >= kBlocco) svuota();
}

void FoglioLetto::testo(qint64 riga, qint64 colonna, const QString& t) {
    if (t.isEmpty()) return;
    const QByteArray utf8 = (t.size() > kMaxTesto ? t.left(kMaxTesto) : t).toUtf8();
    if (utf8.size() > kMaxTesto) {
        // Bypasses the character count above, which would come back here.
        if (!posto(riga, colonna)) return;
        cella(kCellaTesto, riga, colonna);
        char* p = spazio(4 + utf8.size());
        Metti(p, quint32(utf8.size()));
        std::memcpy(p + 4, utf8.constData(), size_t(utf8.size()));
        if (m_usati >= kBlocco) svuota();
        return;
    }
    testoUtf8(riga, colonna, utf8);
}

bool FoglioLetto::chiudi(const QString& errore) {
    if (m_chiuso) return svuota();
    m_chiuso = true;
    if (errore.isEmpty()) {
        Metti(spazio(1), kFine);
    } else {
        const QByteArray perche = errore.toUtf8();
        char* p = spazio(5 + perche.size());
        Metti(p, kErrore);
        Metti(p + 1, quint32(perche.size()));
        std::memcpy(p + 5, perche.constData(), size_t(perche.size()));
    }
    return svuota();
}

QByteArray FoglioLetto::codifica() const {
    QByteArray b = m_uscita.left(m_usati);
    if (!m_chiuso) b.append(char(kFine));
    return b;
}

QByteArray CodificaErrore(const QString& perche) {
    FoglioLetto vuoto(0, 0);
    vuoto.chiudi(perche);
    return vuoto.codifica();
}

QString TestoNumero(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}

QString TestoData(double seriale, bool dal1904, bool ora) {
    if (!std::isfinite(seriale) || seriale < 0 || seriale > 2958466) return {};
    const double giorni = std::floor(seriale);
    const QDate data = (dal1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30)).addDays(qint64(giorni));
    QString t = data.toString(QStringLiteral("dd/MM/yyyy"));
    const int secondi = int(std::lround((seriale - giorni) * 86400.0)) % 86400;
    if (ora && secondi != 0)
        t += u' ' + QTime(0, 0).addSecs(secondi).toString(QStringLiteral("HH:mm:ss"));
    return t;
}

void TipoFormato(const QString& codice, bool& data, bool& ora) {
    // Only the letters of date and time codes, outside quotes, brackets and escapes: "General" or
    // "Standard" hold other letters, "0.00E+00" no date letter.
    bool giorno = false, tempo = false, altro = false, virgolette = false;
    int parentesi = 0;
    for (int k = 0; k < codice.size(); ++k) {
        const QChar c = codice[k].toLower();
        if (c == u'"') virgolette = !virgolette;
        if (virgolette) continue;
        if (c == u'\\' || c == u'_' || c == u'*') {
            ++k;
            continue;
        }
        if (c == u'[') ++parentesi;
        if (c == u']' && parentesi > 0) --parentesi;
        if (parentesi || !c.isLetter()) continue;
        if (c == u'd' || c == u'y' || c == u'm' || c == u'e' || c == u'g')
            giorno = giorno || c != u'g';
        else if (c == u'h' || c == u's')
            tempo = true;
        else if (c != u'a' && c != u'p' && c != u'b')
            altro = true;
    }
    // "m" next to hours or seconds alone is minutes.
    const bool soloMinuti = tempo && !codice.contains(u'd', Qt::CaseInsensitive) && !codice.contains(u'y', Qt::CaseInsensitive);
    data = !altro && giorno && !soloMinuti;
    ora = !altro && tempo;
}

bool LeggiFoglioDiCalcolo(const QByteArray& file, FoglioLetto& foglio, QString& errore) {
    static const char ole[8] = {char(0xD0), char(0xCF), char(0x11), char(0xE0),
                                char(0xA1), char(0xB1), char(0x1A), char(0xE1)};
    if (file.startsWith(QByteArray(ole, 8))) return LeggiBiff8(file, foglio, errore);
    if (file.startsWith("PK\x03\x04")) return LeggiCartellaZip(file, foglio, errore);
    errore = QStringLiteral("il file non è un foglio di calcolo (.xls, .xlsx o .ods)");
    return false;
}

}  // namespace gm
