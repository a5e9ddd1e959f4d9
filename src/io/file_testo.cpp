#include "io/file_testo.h"

#include <cstdio>

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace gm {

namespace {
// Code points of bytes 0x80..0x9F; 0 where the code page leaves the byte undefined.
constexpr char16_t k80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                              0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

char CarattereWin1252(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return char(u);
    for (int i = 0; i < 32; ++i)
        if (k80[i] && k80[i] == u) return char(0x80 + i);
    return '?';
}

QByteArray CodificaWin1252(const QString& s) {
    QByteArray out(s.size(), Qt::Uninitialized);
    char* b = out.data();
    for (QChar ch : s) *b++ = CarattereWin1252(ch.unicode());
    return out;
}

QString DecodificaWin1252(const QByteArray& b) {
    QString out;
    out.reserve(b.size());
    for (char ch : b) {
        const unsigned char x = static_cast<unsigned char>(ch);
        if (x >= 0x80 && x < 0xA0)
            out.append(QChar(k80[x - 0x80] ? k80[x - 0x80] : char16_t(x)));
        else
            out.append(QChar(char16_t(x)));
    }
    return out;
}

bool ScriviFileAtomico(const QString& percorso, const QByteArray& contenuto, QString* errore) {
    QSaveFile f(percorso);
    if (!f.open(QIODevice::WriteOnly)) {
        if (errore) *errore = f.errorString();
        return false;
    }
    if (f.write(contenuto) != contenuto.size()) {
        if (errore) *errore = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (errore) *errore = f.errorString();
        return false;
    }
    return true;
}

bool ScriviFileProvvisorio(const QString& percorso, const QByteArray& contenuto) {
    const QString temporaneo = percorso + QStringLiteral(".part");
    {
        QFile f(temporaneo);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        if (f.write(contenuto) != contenuto.size()) {
            f.close();
            QFile::remove(temporaneo);
            return false;
        }
    }
    if (std::rename(QFile::encodeName(temporaneo).constData(), QFile::encodeName(percorso).constData()) != 0) {
        QFile::remove(temporaneo);
        return false;
    }
    return true;
}

namespace {
// Length of the valid UTF-8 sequence at p (2 to 4 bytes), 0 when there is none; its code point in cp.
int SequenzaUtf8(const unsigned char* p, qsizetype resto, char32_t& cp) {
    const unsigned char b = p[0];
    int n;
    char32_t minimo;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, cp = b & 0x1F, minimo = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, cp = b & 0x0F, minimo = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, cp = b & 0x07, minimo = 0x10000;
    } else {
        return 0;
    }
    if (resto < n) return 0;
    for (int k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

QChar Win1252(unsigned char x) {
    return (x >= 0x80 && x < 0xA0 && k80[x - 0x80]) ? QChar(k80[x - 0x80]) : QChar(char16_t(x));
}
}  // namespace

bool DecodificaTesto(const QByteArray& dati, QString& testo, QString* errore) {
    auto fallisci = [&](const char* perche) {
        testo.clear();
        if (errore) *errore = QString::fromUtf8(perche);
        return false;
    };
    if (dati.startsWith("\xFF\xFE") || dati.startsWith("\xFE\xFF")) {
        QStringDecoder d(dati.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        testo = d.decode(dati.mid(2));
        if (testo.contains(QChar(0))) return fallisci("il file non è un file di testo");
        return true;
    }
    if (dati.startsWith("\xD0\xCF\x11\xE0") || dati.startsWith("PK\x03\x04"))
        return fallisci("il file è un foglio di calcolo, non un file di testo: salvalo con l'estensione giusta "
                        "(.xls, .xlsx o .ods)");
    if (dati.contains('\0')) return fallisci("il file non è un file di testo");
    const auto* p = reinterpret_cast<const unsigned char*>(dati.constData());
    qsizetype inizio = dati.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    // UTF-8 when its sequences outnumber the bytes that cannot be UTF-8.
    qsizetype buone = 0, cattive = 0;
    for (qsizetype i = inizio; i < dati.size();) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        const int n = SequenzaUtf8(p + i, dati.size() - i, cp);
        if (n) {
            ++buone;
            i += n;
        } else {
            ++cattive;
            ++i;
        }
    }
    const bool utf8 = inizio == 3 || buone > cattive;
    testo.clear();
    testo.reserve(dati.size());
    for (qsizetype i = inizio; i < dati.size();) {
        if (p[i] < 0x80) {
            testo.append(QChar(char16_t(p[i++])));
            continue;
        }
        char32_t cp;
        const int n = utf8 ? SequenzaUtf8(p + i, dati.size() - i, cp) : 0;
        if (n) {
            const char32_t u[1] = {cp};
            testo.append(QString::fromUcs4(u, 1));
            i += n;
        } else {
            testo.append(Win1252(p[i++]));
        }
    }
    return true;
}

QStringList RigheTesto(const QString& testo) {
    QStringList righe;
    qsizetype inizio = 0;
    const qsizetype n = testo.size();
    const QChar* t = testo.constData();
    for (qsizetype i = 0; i < n; ++i) {
        if (t[i] != u'\n' && t[i] != u'\r') continue;
        righe.append(testo.mid(inizio, i - inizio));
        if (t[i] == u'\r' && i + 1 < n && t[i + 1] == u'\n') ++i;
        inizio = i + 1;
    }
    if (inizio < n) righe.append(testo.mid(inizio));
    return righe;
}

QString LeggiPrimaRiga(const QString& percorso) {
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    QByteArray riga = f.readLine(64 * 1024);
    while (riga.endsWith('\n') || riga.endsWith('\r')) riga.chop(1);
    return DecodificaWin1252(riga);
}

}  // namespace gm
