// Our BIFF8 cell reader on any bytes, in this process so that the sanitizers see every read:
// a sheet or a reason, never a crash, and never more cells than the bounds.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "io/fogli.h"

// libgsf leaks a few bytes of directory names on some damaged OLE2 files; in the reader program
// they go with the process, here they would end the run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libglib-2.0.so\nleak:libgsf-1.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    const QByteArray file(reinterpret_cast<const char*>(dati), qsizetype(n));
    gm::FoglioLetto foglio(300, 20);
    QString errore;
    if (!gm::LeggiBiff8(file, foglio, errore) && errore.isEmpty()) __builtin_trap();
    if (foglio.righe() > 300) __builtin_trap();
    (void)foglio.codifica();
    return 0;
}
