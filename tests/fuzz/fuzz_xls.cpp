// The workbook reader on any file: a reason or a sheet, never a crash.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

#include "io/xls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    static QTemporaryDir cartella;
    const QString percorso = cartella.path() + QStringLiteral("/prova.xls");
    {
        QFile f(percorso);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(dati), qint64(n));
    }
    gm::FoglioXls foglio;
    QString errore;
    (void)gm::LeggiXls(percorso, 200, 20, foglio, &errore);
    return 0;
}
