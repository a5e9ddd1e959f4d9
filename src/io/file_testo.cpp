#include "io/file_testo.h"

#include <cstdio>

#include <QFile>
#include <QSaveFile>

namespace gm {

namespace {
// Code points of bytes 0x80..0x9F; 0 where the code page leaves the byte undefined.
constexpr char16_t k80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                              0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

QByteArray CodificaWin1252(const QString& s) {
    QByteArray out;
    out.reserve(s.size());
    for (QChar ch : s) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i) {
            if (k80[i] && k80[i] == u) {
                b = char(0x80 + i);
                break;
            }
        }
        out.append(b);
    }
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

QString LeggiPrimaRiga(const QString& percorso) {
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    QByteArray riga = f.readLine(64 * 1024);
    while (riga.endsWith('\n') || riga.endsWith('\r')) riga.chop(1);
    return DecodificaWin1252(riga);
}

}  // namespace gm
