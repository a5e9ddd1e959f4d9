// A user's picture of any bytes as CATEGORY.png and CATEGORY.bmp: always a 22x22 BMP icon.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

#include "io/icona.h"

namespace {
QTemporaryDir* cartella = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    cartella = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    // The first byte picks the kind of file the picture claims to be.
    if (n == 0) return 0;
    const QString nome = cartella->filePath(dati[0] & 1 ? QStringLiteral("Bar.png") : QStringLiteral("Bar.bmp"));
    QFile::remove(cartella->filePath(QStringLiteral("Bar.png")));
    QFile::remove(cartella->filePath(QStringLiteral("Bar.bmp")));
    {
        QFile f(nome);
        if (!f.open(QIODevice::WriteOnly)) return 0;
        f.write(reinterpret_cast<const char*>(dati + 1), qint64(n - 1));
    }
    const QImage icona = QImage::fromData(gm::IconaCategoria(QStringLiteral("Bar"), cartella->path()), "BMP");
    if (icona.width() != gm::kLatoIcona || icona.height() != gm::kLatoIcona) __builtin_trap();
    return 0;
}
