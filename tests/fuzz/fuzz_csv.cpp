// Text decoding and the CSV parser on any bytes: bounded rows, columns and cells, no crash.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "io/csv.h"
#include "io/file_testo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    const QByteArray file(reinterpret_cast<const char*>(dati), qsizetype(n));
    QString testo, errore;
    if (!gm::DecodificaTesto(file, testo, &errore)) {
        if (errore.isEmpty()) __builtin_trap();
        return 0;
    }
    (void)gm::RigheTesto(testo);
    const gm::FoglioXls foglio = gm::AnalizzaCsv(testo, 50, 12);
    if (foglio.size() > 50) __builtin_trap();
    for (const auto& riga : foglio)
        for (const gm::CellaXls& c : riga)
            if (riga.size() > 12 || c.testo.size() > gm::kXlsMaxCaratteri) __builtin_trap();
    return 0;
}
