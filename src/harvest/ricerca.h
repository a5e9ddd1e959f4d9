// The search run over the selected areas: driver, area walk, page count, postal-code level and
// the two directory extractors.
#pragma once

#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/nucleo.h"
#include "coords/coordinate.h"
#include "harvest/letture.h"
#include "harvest/resoconto.h"

namespace gm {

class SelezioneAree;
class Coordinate;
class Duplicati;
class Salvataggio;
struct Arrivo;
namespace harvest {
struct Annuncio;
}

class Ricerca {
public:
    Ricerca(Nucleo& n, SelezioneAree& sel, Coordinate& coord, Duplicati& dup, Salvataggio& salva);
    void collega();

    // Driver.
    void cmdCarica_Click();
    // Area walk.
    void EstrazionePerRegione();
    void EstraiPerProvincia();
    void EstraiPerComune(long Estrazione);
    void MessaggioTabellaPiena();
    // Page count with the place repairs, and the postal-code level.
    void RilevaNumeroPagine();
    void EstraiPerCodiceCap();
    // Extractors.
    void EstraiPuntiInteressePagineGialle(long Livello);
    void EstraiPuntiInteressePagineBianche(long Livello);

    // Sends the window to the back at the start of a run, where the window system allows it.
    std::function<void()> mandaIndietro;
    // A source beside the directories (OpenStreetMap): checked with the input, then asked for
    // each region the run works, before the directories.
    std::function<bool()> controllaAltraFonte;
    std::function<void()> altraFonteRegione;

    // What the last run left out; complete() when nothing.
    Resoconto resoconto;

private:
    Nucleo& n;
    SelezioneAree& sel;
    Coordinate& coord;
    Duplicati& dup;
    Salvataggio& salva;

    // Repairs already made within the current count: a follow-up link or a name split is never
    // repeated, so a page that offers the same repair again cannot loop.
    int m_profondita = 0;
    QSet<QString> m_seguiti;
    QSet<QString> m_divisi;

    // The area whose pages are being asked for, as the report names it; coordinate lookups of
    // that area, or the coordinate pass at the end of the run, count apart.
    QString m_area;
    bool m_inCoordinate = false;
    bool m_passataFinale = false;
    // Counts a request that never arrived; a dead service stops the run.
    void Registra(const Arrivo& a);

    void Scarica(const QString& url);
    void Conta();
    void ErroreGrave();
    void Corsa();
    void FineCorsa();
    void CalcolaTotalePassi();
    void ScriviImpostazioni();
    // Appends a listing with the repeat check; true when it made a new record.
    bool Accoda(const harvest::Annuncio& a);
    // The page walk both extractors share: indirizzoPagina(k) is the address of page k (empty: the
    // page in hand; none: no such page), annuncio reads the next listing, urlMappa is the map page
    // of the listing just read (empty when it has none).
    void Estrai(const std::function<std::optional<QString>(long)>& indirizzoPagina,
                const std::function<bool(QString&, harvest::Annuncio&)>& annuncio, MemoriaCoordinate::Fonte fonte,
                const std::function<QString(const QString&)>& urlMappa);
    QString UrlMappaGialle(const QString& W) const;
    QString UrlMappaBianche(const QString& W) const;
    // The listings of the page in hand, read ahead, with their lookups run ahead where the walk
    // is sure to make them.
    struct AnnuncioLetto {
        harvest::Annuncio annuncio;
        QString urlMappa;
        std::shared_ptr<Coordinate::Catena> catena;
    };
    std::vector<AnnuncioLetto> m_annunci;
    MemoriaCoordinate::Fonte m_fonte = MemoriaCoordinate::Fonte::MappaGialle;
    // Runs ahead the lookups of the listings from da on, up to the first the walk may treat
    // otherwise than as a new record (the same telephone as the one before, a key still open).
    void Pianifica(long pagina, size_t da);
    QString UrlProvincia(long Estrazione) const;
    // Province of the current region named nome (ignoring case); 0 when none.
    long IndiceProvincia(const QString& nome) const;
    // One directory's query for the current province: its pages, or its municipalities past the
    // cap. False when a stop was asked.
    bool ProvinciaNellElenco(long Estrazione);
    QString UrlComune(long Estrazione) const;
};

}  // namespace gm
