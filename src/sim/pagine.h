// Every page geomerce-sim serves, built from the markers the program reads. The markers are
// defined once here; the rest of each page is ordinary HTML of the kind the directories write.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include "sim/elenco.h"

namespace gm::sim {

namespace marcatori {
inline const QString kSceltaLuogo = QStringLiteral("seleziona quella in cui");
inline const QString kRisultatiContenenti = QStringLiteral("risultati contenenti");
inline const QString kNessunOperatore = QStringLiteral("Non sono stati trovati operatori in questo comune");
inline const QString kNonRiconosciuta = QStringLiteral("non è stata riconosciuta");
inline const QString kRispostaNegata = QStringLiteral("NON E' POSSIBILE FORNIRE UNA RISPOSTA");
inline const QString kInfoInizio = QStringLiteral("TABELLA DEFINIZIONE INFO START");
inline const QString kInfoFine = QStringLiteral("TABELLA DEFINIZIONE INFO END");
inline const QString kTelFisso = QStringLiteral("Tel fisso");
inline const QString kBiglietto = QStringLiteral("biglietto da visita");
inline const QString kMappaInterattiva = QStringLiteral("mappainterattiva");
inline const QString kAncoraBianche = QStringLiteral("<td class=\"dati\">");
}  // namespace marcatori

// Results shown per page and the directories' cap on pages.
inline constexpr int kPerPagina = 10;
inline constexpr int kMaxPagine = 20;

// Pages of a result list of n entries, as the counter shows them.
int PagineDi(int n);

// Query of a search, as its paging links repeat it (values as the program sent them).
struct Ricerca {
    QString cosa;    // qs
    QString luogo;   // dv
    QString sigla;   // pr, the province of a place chosen from the place list
    QString cb = QStringLiteral("0");
    QString sito = QStringLiteral("http://127.0.0.1");  // scheme and host of absolute links
};

// Yellow pages.
QString RisultatiGialle(const QVector<Azienda>& tutte, int pagina, const Ricerca& q);
QString SceltaLuogo(const QString& luogo, const QStringList& province);
QString NessunOperatore(const QString& luogo);
QString NonRiconosciuta(const QString& luogo);
struct VoceLuogo {
    QString comune, provincia, sigla, regione;
};
QString ElencoLuoghi(const QVector<VoceLuogo>& voci, int pagina, const Ricerca& q);
QString MappaGialle(double lat, double lon);

// White pages.
QString RisultatiBianche(const QVector<Azienda>& tutte, int pagina, const Ricerca& q);
QString RispostaInversa(const Azienda* a);
QString MappaBianche(double lat, double lon, const QString& linkInterattiva);

// Geocoder.
struct LuogoGeocoder {
    QString testo;  // street, postal code, town
    double lat = 0, lon = 0;
};
QString GeocoderSingolo(const QString& cercato, const LuogoGeocoder& l);
QString GeocoderElenco(const QString& cercato, const QVector<LuogoGeocoder>& luoghi);

// Text for HTML: "&", "<", ">" and quotes as entities.
QString Html(const QString& t);
// Value for a link's query string.
QString Valore(const QString& t);
// Coordinate as a map page gives it: more decimals than the table keeps.
QString Gradi(double v);

}  // namespace gm::sim
