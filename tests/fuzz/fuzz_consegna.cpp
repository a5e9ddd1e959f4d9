// The program's side of the hand-over from the workbook reader, on any bytes: the reader runs on
// hostile files, so what it sends is trusted no more than they are. A sheet within the bounds or
// a reason, never a crash.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "io/xls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    const QByteArray flusso(reinterpret_cast<const char*>(dati), qsizetype(n));
    gm::FoglioXls foglio;
    QString errore;
    if (gm::DecodificaFoglioLetto(flusso, 300, 20, foglio, &errore)) {
        if (foglio.size() > 300) __builtin_trap();
        for (const auto& riga : foglio)
            if (riga.size() > 20 || riga.size() != foglio.first().size()) __builtin_trap();
    } else if (errore.isEmpty() || !foglio.isEmpty()) {
        __builtin_trap();
    }
    return 0;
}
