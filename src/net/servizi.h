// Base addresses (scheme, host, optional port) of the yellow pages, the white pages and the
// geocoder: build-time constants, overridden by the environment and then by the command line.
#pragma once

#include <QString>
#include <QStringList>

namespace gm {

struct IndirizziServizi {
    QString gialle;
    QString bianche;
    QString geocoder;
    QString overpass;  // OpenStreetMap's Overpass API


    // Build-time constants, then GEOMERCE_URL_GIALLE / _BIANCHE / _GEOCODER / _OVERPASS when set.
    static IndirizziServizi predefiniti();
    // Which directory markers a request lights: the service whose base address the URL begins
    // with; where services share one address, the service's own path decides. The geocoder
    // lights both.
    void Origine(const QString& url, long& gialle, long& bianche) const;
};

// Drops trailing slashes so that paths can be appended as they are.
QString NormalizzaBase(const QString& base);

// Scheme, host and port of an address, lower case: what one server answers for.
QString Origine(const QString& url);

// The services configured at origine, for messages: "Pagine Gialle", or "Pagine Gialle, Pagine
// Bianche e Multimap" when they share it; empty when none is.
QStringList NomiServizi(const IndirizziServizi& s, const QString& origine);

}  // namespace gm
