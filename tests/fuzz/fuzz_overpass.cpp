// The Overpass answer reader and the records it gives, on any bytes.
#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "geo/territorio.h"
#include "osm/overpass.h"

using namespace gm;
using namespace gm::osm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    const Territorio& t = Territorio::Incorporato();
    const QByteArray json(reinterpret_cast<const char*>(dati), qsizetype(n));
    RispostaOverpass r;
    QString errore;
    const bool ok = LeggiRisposta(json, r, errore);
    if (!ok && errore.isEmpty()) __builtin_trap();
    if (r.elementi.size() > kMaxElementi) __builtin_trap();
    // Every level of area: the region, a province, a municipality.
    const AreaOsm aree[] = {{AreaOsm::Regione, 11, 0, 0}, {AreaOsm::Provincia, 11, 2, 0}, {AreaOsm::Comune, 11, 2, 1}};
    for (const AreaOsm& a : aree) {
        const EsitoArea e = RecordDaRisposta(t, a, r);
        for (const Record& rec : e.record) {
            if (rec[kNome].isEmpty() || rec[kPr].isEmpty()) __builtin_trap();
        }
    }
    (void)TelefonoItaliano(QString::fromUtf8(json.left(200)));
    return 0;
}
