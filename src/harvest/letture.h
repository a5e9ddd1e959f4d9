// Pure readers of the directories' result pages: the page counter, the place list, the paging
// links and one listing at a time. No state, no network, so each rule is tested and fuzzed alone.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace gm::harvest {

// Marks the parts of a listing text and of a place-list entry.
inline constexpr QChar kBarra = QChar(0x00A6);
// Name written when a listing closes before its text began.
inline const QString kNomeSegnaposto = QStringLiteral("> >00000 xxx(99)xxx>");
// Place-list entries kept per count.
inline constexpr int kMaxLuoghi = 200;
// Pages the directories give at most; a counter above it is not believed.
inline constexpr long kMaxPagine = 20;

struct Contatore {
    long corrente = 0;
    long pagine = 0;
};
// "pagina" … ">" current … "di" … ">" total; zeros without a counter.
Contatore LeggiContatore(const QString& pagina);

// Counter of a place list and the template of its further pages ("*" in place of the offset);
// empty template when the page has no paging link.
QString ModelloElencoLuoghi(const QString& pagina, const QString& baseGialle, long& pagine);
// Appends the entries of one page of a place list (at most kMaxLuoghi in all).
void RaccogliLuoghi(const QString& pagina, QStringList& voci);
// Link target of the entry for this place, or empty. comune is empty at province level.
QString ScegliLuogo(const QStringList& voci, const QString& regione, const QString& provincia, const QString& sigla,
                    const QString& comune);

// Template of the further yellow-pages result pages ("*" in place of the offset), or empty.
QString ModelloPagineGialle(const QString& pagina, const QString& baseGialle);
// Query tail of the white-pages paging links (what follows the offset), or empty.
QString CodaPagineBianche(const QString& pagina);

// One listing cut from the front of the working copy of a page.
struct Annuncio {
    std::array<QString, 8> campi;  // record fields in column order, not yet capitalised
    bool preso = false;            // the listing makes a record
    bool fine = false;             // the block of suggestions began: the rest of the page is skipped
};
// Both consume W up to the end of the listing; false when W holds no further listing.
bool AnnuncioGialle(QString& W, const QString& sigla, long Livello, Annuncio& a);
bool AnnuncioBianche(QString& W, const QString& sigla, long Livello, Annuncio& a);
// The listing's map link in what is left of W after AnnuncioGialle/AnnuncioBianche: the map query
// "cl=…cb=X" (yellow) or the link path (white); empty without one.
QString MappaAnnuncioGialle(const QString& W, const QString& sigla);
QString MappaAnnuncioBianche(const QString& W);

}  // namespace gm::harvest
