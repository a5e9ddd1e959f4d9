// Reading the answers of the directories' map pages, the reverse telephone lookup and the
// geocoder, and the text rules of the coordinate lookup. Pure functions over page text: no
// state, no network, so every rule can be tested and fuzzed on its own.
#pragma once

#include <QString>
#include <QVector>

#include <array>

namespace gm::coords {

// Five-decimal text form of a coordinate read from a page ("41.9027835" -> "41.90278",
// "12.4964" -> "12.49640", "41" -> "41.00000"). Empty when v is not a plain decimal number.
QString FormatoCoordinata(const QString& v);
// Both texts are numbers inside the range of real coordinates (latitude 0 is the table's mark for
// "none" and is refused too).
bool CoordinatePlausibili(const QString& lat, const QString& lon);

struct Posizione {
    QString lat, lon;  // five-decimal form; both empty when unusable
    bool valida() const { return !lat.isEmpty() && !lon.isEmpty(); }
};
// Pairs raw texts into a formatted position, empty unless both are plausible.
Posizione CreaPosizione(const QString& lat, const QString& lon);

// Map page: "lx=" carries the longitude, "ly=" the latitude.
bool HaMappa(const QString& pagina);
Posizione LeggiMappa(const QString& pagina);

// Case-insensitive search of a phrase whose words may be separated by any run of white space.
// Returns the 0-based position (-1 when absent) and the length of the match.
int TrovaFrase(const QString& testo, const QString& frase, int da = 0, int* lunghezza = nullptr);

// Value of the href attribute of the tag that contains position pos, else of the first href
// after pos; empty when there is none.
QString HrefVicino(const QString& pagina, int pos);
// Base address + path of a link found on a page; an absolute link keeps only its path, so a page
// can never send us to another host.
QString UnisciIndirizzo(const QString& base, const QString& link);

// Fields 0..4 of a record read from a directory listing (name, address, postal code, town,
// province code); empty where the listing did not give them.
using Scheda = std::array<QString, 5>;

// White pages.
bool RispostaNegata(const QString& pagina);
QString LinkMappaBianche(const QString& pagina);       // the listing's map link
QString LinkMappaInterattiva(const QString& pagina);    // the second-step map link
bool LeggiSchedaBianche(const QString& pagina, Scheda& s);

// Yellow pages.
QString LinkMappaGialle(const QString& pagina);  // "cl=..." query of the map page, or empty
// Street and house number of column 1 for the query; riscritta receives the new text of the column
// when it carried the number in parentheses.
void SeparaCivico(const QString& colonna, QString& via, QString& civico, QString& riscritta);
// Town of column 3 without a province code in parentheses.
QString PulisciCitta(const QString& citta);
bool LeggiPrimoAnnuncioGialle(const QString& pagina, const QString& sigla, Scheda& s);

// Geocoder answer: one entry per location (single-location page) or per listed place, at most 50.
struct Luogo {
    QString frammento;  // the text that holds the location's "lat=" and "lon=" markers
    QString testo;      // the location's address text
};
inline constexpr int kMaxCandidati = 50;
QVector<Luogo> LeggiRispostaGeocoder(const QString& pagina);
Posizione CoordinateFrammento(const QString& frammento);

// True when the two names consist of the same words (see ParoleNome).
bool ConfrontaTesti(const QString& s1, const QString& s2);
// Normalised words of a name, case-folded and sorted, for repeated comparisons.
QVector<QString> ParoleNome(const QString& s);
bool StesseParole(const QVector<QString>& a, const QVector<QString>& b);

// A row of the candidate table: fields 1..6 (street, postal code, leftover, town, province code,
// score); index 0 unused.
using Candidato = std::array<QString, 7>;
long PunteggioCandidato(const Candidato& c, const QString& indirizzo, const QString& cap, const QString& citta,
                        const QString& sigla);
// Street and house-number text written back for the chosen candidate.
QString IndirizzoRisultato(const QString& viaCandidato, const QString& indirizzoRecord);

}  // namespace gm::coords
