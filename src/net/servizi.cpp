#include "net/servizi.h"

#include <QUrl>
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
            leggi("GEOMERCE_URL_GEOCODER", GEOMERCE_URL_GEOCODER_DEFAULT)};
}

namespace {
bool Sotto(const QString& url, const QString& base) {
    if (base.isEmpty() || !url.startsWith(base, Qt::CaseInsensitive)) return false;
    return url.size() == base.size() || url[base.size()] == u'/' || url[base.size()] == u'?';
}
}  // namespace

void IndirizziServizi::Origine(const QString& url, long& g, long& b) const {
    const bool suGialle = Sotto(url, gialle), suBianche = Sotto(url, bianche), suGeocoder = Sotto(url, geocoder);
    const QString percorso = QUrl(url).path();
    auto percorsoDi = [&](const char* inizio) { return percorso.startsWith(QLatin1String(inizio), Qt::CaseInsensitive); };
    // Paths of each service: yellow pages under /pg/, white pages /execute.cgi, geocoder /map/.
    const bool soloUno = int(suGialle) + int(suBianche) + int(suGeocoder) == 1;
    const bool eGialle = suGialle && (soloUno || percorsoDi("/pg/"));
    const bool eBianche = suBianche && (soloUno || percorsoDi("/execute.cgi"));
    const bool eGeocoder = suGeocoder && (soloUno || percorsoDi("/map/"));
    g = (eGialle || eGeocoder) ? 1 : 0;
    b = (eBianche || eGeocoder) ? 1 : 0;
}

}  // namespace gm
