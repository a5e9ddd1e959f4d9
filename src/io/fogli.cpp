#include "io/fogli.h"

#include <QDate>
#include <QTime>

#include <cmath>
#include <cstring>

namespace gm {

namespace {
template <typename T>
void Metti(QByteArray& b, T v) {
    b.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void MettiTesto(QByteArray& b, const QByteArray& t) {
    Metti(b, quint32(t.size()));
    b.append(t);
}

// What a cell of a workbook may hold: 32767 characters.
constexpr int kMaxTesto = 32767;
}  // namespace

FoglioLetto::FoglioLetto(int maxRighe, int maxColonne)
    : m_maxRighe(std::max(maxRighe, 0)), m_maxColonne(std::max(maxColonne, 0)) {}

FoglioLetto::Cella* FoglioLetto::posto(qint64 riga, qint64 colonna) {
    if (riga < 0 || colonna < 0 || riga >= m_maxRighe || colonna >= m_maxColonne || m_troppe) return nullptr;
    if (riga >= m_righe.size()) {
        // Empty rows in between cost one small vector each.
        if (riga - m_righe.size() + m_celle > kMaxCelle) {
            m_troppe = true;
            return nullptr;
        }
        // Qt's resize grows to the exact size; reserving ahead keeps row-by-row growth linear.
        if (m_righe.capacity() <= riga) m_righe.reserve(std::max<qsizetype>(riga + 1, m_righe.capacity() * 2));
        m_righe.resize(riga + 1);
    }
    QVector<Cella>& r = m_righe[riga];
    if (colonna >= r.size()) {
        m_celle += colonna + 1 - r.size();
        if (m_celle > kMaxCelle) {
            m_troppe = true;
            return nullptr;
        }
        if (r.capacity() <= colonna) r.reserve(std::max<qsizetype>(colonna + 1, m_colonne));
        r.resize(colonna + 1);
    }
    m_colonne = std::max(m_colonne, int(colonna) + 1);
    return &r[colonna];
}

void FoglioLetto::numero(qint64 riga, qint64 colonna, double v) {
    if (Cella* c = posto(riga, colonna)) {
        c->tipo = kCellaDecimale;
        c->v = v;
        c->t.clear();
    }
}

void FoglioLetto::testo(qint64 riga, qint64 colonna, const QString& t) {
    if (t.isEmpty()) return;
    if (Cella* c = posto(riga, colonna)) {
        c->tipo = kCellaTesto;
        c->t = t.size() > kMaxTesto ? t.left(kMaxTesto) : t;
    }
}

QByteArray FoglioLetto::codifica() const {
    // Written through a pointer into a buffer grown ahead: appending a few bytes at a time costs
    // a library call for each.
    QByteArray b;
    qsizetype n = 0;
    auto spazio = [&](qsizetype k) {
        if (n + k > b.size()) b.resize(std::max<qsizetype>(b.size() * 2, n + k + 4096));
        return b.data() + n;
    };
    auto metti = [&](auto v) {
        std::memcpy(spazio(sizeof v), &v, sizeof v);
        n += sizeof v;
    };
    b.resize(qsizetype(m_righe.size()) * m_colonne * 12 + 16);
    metti(quint8(1));
    metti(quint32(m_righe.size()));
    metti(quint32(m_colonne));
    QByteArray utf8;
    for (const QVector<Cella>& r : m_righe) {
        for (int k = 0; k < m_colonne; ++k) {
            if (k >= r.size() || r[k].tipo == kCellaVuota) {
                metti(kCellaVuota);
            } else if (r[k].tipo == kCellaDecimale) {
                metti(kCellaDecimale);
                metti(r[k].v);
            } else {
                metti(kCellaTesto);
                utf8 = r[k].t.toUtf8();
                metti(quint32(utf8.size()));
                std::memcpy(spazio(utf8.size()), utf8.constData(), size_t(utf8.size()));
                n += utf8.size();
            }
        }
    }
    b.truncate(n);
    return b;
}

QByteArray CodificaErrore(const QString& perche) {
    QByteArray b;
    Metti(b, quint8(0));
    MettiTesto(b, perche.toUtf8());
    return b;
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
