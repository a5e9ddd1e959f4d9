// Our BIFF8 cell reader on any bytes, in this process so that the sanitizers see every read:
// a sheet or a reason, never a crash, and never more cells than the bounds.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "io/fogli.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    const QByteArray file(reinterpret_cast<const char*>(dati), qsizetype(n));
    gm::FoglioLetto foglio(300, 20);
    QString errore;
    if (!gm::LeggiBiff8(file, foglio, errore) && errore.isEmpty()) __builtin_trap();
    if (foglio.righe() > 300) __builtin_trap();
    (void)foglio.codifica();
    return 0;
}
