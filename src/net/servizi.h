// Base addresses (scheme, host, optional port) of the yellow pages, the white pages and the
// geocoder: build-time constants, overridden by the environment and then by the command line.
#pragma once

#include <QString>

namespace gm {

struct IndirizziServizi {
    QString gialle;
    QString bianche;
    QString geocoder;

    // Build-time constants, then GEOMERCE_URL_GIALLE / _BIANCHE / _GEOCODER when set.
    static IndirizziServizi predefiniti();
    // Which directory markers a request lights: the service whose base address the URL begins
    // with; where services share one address, the service's own path decides. The geocoder
    // lights both.
    void Origine(const QString& url, long& gialle, long& bianche) const;
};

// Drops trailing slashes so that paths can be appended as they are.
QString NormalizzaBase(const QString& base);

}  // namespace gm
