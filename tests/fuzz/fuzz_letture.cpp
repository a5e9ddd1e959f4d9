// The result-page readers of the search run (counter, place list, paging links, listings of both
// directories), on any bytes.
#include <QString>

#include <cstddef>
#include <cstdint>

#include "harvest/letture.h"

using namespace gm::harvest;

namespace {
// Walks every listing of the page; the working copy must shrink at each step.
template <class F>
void Annunci(QString W, F leggi) {
    Annuncio a;
    qsizetype prima = W.size() + 1;
    while (leggi(W, a)) {
        if (W.size() >= prima) __builtin_trap();  // no progress: the page would loop forever
        prima = W.size();
        (void)MappaAnnuncioGialle(W, QStringLiteral("RM"));
        (void)MappaAnnuncioBianche(W);
        if (a.fine) break;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    const QByteArray byte(reinterpret_cast<const char*>(dati), qsizetype(n));
    for (const QString& pagina : {QString::fromUtf8(byte), QString::fromLatin1(byte)}) {
        const Contatore c = LeggiContatore(pagina);
        if (c.pagine < 0 || c.corrente < 0) __builtin_trap();
        long pagine = 0;
        (void)ModelloElencoLuoghi(pagina, QStringLiteral("http://g"), pagine);
        if (pagine < 0 || pagine > kMaxPagine) __builtin_trap();
        QStringList voci;
        RaccogliLuoghi(pagina, voci);
        RaccogliLuoghi(pagina, voci);
        if (voci.size() > kMaxLuoghi) __builtin_trap();
        (void)ScegliLuogo(voci, QStringLiteral("Puglia"), QStringLiteral("Lecce"), QStringLiteral("LE"),
                          QStringLiteral("Castro"));
        (void)ModelloPagineGialle(pagina, QStringLiteral("http://g"));
        (void)CodaPagineBianche(pagina);
        Annunci(pagina, [](QString& W, Annuncio& a) { return AnnuncioGialle(W, QStringLiteral("RM"), 2, a); });
        Annunci(pagina, [](QString& W, Annuncio& a) { return AnnuncioBianche(W, QStringLiteral("RM"), 3, a); });
    }
    return 0;
}
