#include "net/servizi.h"

#include <QtGlobal>

namespace gm {

QString NormalizzaBase(const QString& base) {
    QString b = base.trimmed();
    while (b.endsWith(u'/')) b.chop(1);
    return b;
}

IndirizziServizi IndirizziServizi::predefiniti() {
    auto leggi = [](const char* var, const char* predefinito) {
        const QString v = qEnvironmentVariable(var);
        return NormalizzaBase(v.isEmpty() ? QString::fromLatin1(predefinito) : v);
    };
    return {leggi("GEOMERCE_URL_GIALLE", GEOMERCE_URL_GIALLE_DEFAULT),
            leggi("GEOMERCE_URL_BIANCHE", GEOMERCE_URL_BIANCHE_DEFAULT),
            leggi("GEOMERCE_URL_GEOCODER", GEOMERCE_URL_GEOCODER_DEFAULT),
            leggi("GEOMERCE_URL_OVERPASS", GEOMERCE_URL_OVERPASS_DEFAULT)};
}

}  // namespace gm
