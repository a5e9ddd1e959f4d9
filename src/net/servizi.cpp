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

QString Origine(const QString& url) {
    const QUrl u(url, QUrl::TolerantMode);
    if (!u.isValid() || u.host().isEmpty()) return url.trimmed().toLower();
    const int predefinita = u.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80;
    return u.scheme().toLower() + QStringLiteral("://") + u.host().toLower() + u':' +
           QString::number(u.port(predefinita));
}

QStringList NomiServizi(const IndirizziServizi& s, const QString& origine) {
    QStringList nomi;
    const std::pair<const QString*, const char*> servizi[] = {
        {&s.gialle, "Pagine Gialle"}, {&s.bianche, "Pagine Bianche"}, {&s.geocoder, "Multimap"}};
    for (const auto& [base, nome] : servizi)
        if (Origine(*base) == origine) nomi << QString::fromLatin1(nome);
    return nomi;
}

}  // namespace gm
