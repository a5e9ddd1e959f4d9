// Coordinates of a record: map links, the directories' map pages and reverse telephone lookup,
// the address geocoder, and the pass that fills what is missing over the whole table.
#pragma once

#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/nucleo.h"
#include "coords/memoria.h"
#include "coords/risposte.h"
#include "net/anticipo.h"
#include "table/tabella.h"

namespace gm {

class Salvataggio;
class Griglia;
namespace coords {
class IndiceAree;
}

class Coordinate {
public:
    Coordinate(Nucleo& n, Salvataggio& salva);
    ~Coordinate();

    // True when the last lookup wrote coordinates into its row.
    bool bCoordinateTrovate = false;
    // Candidate locations of the last geocoder answer, rows 1..50, fields 1..6 (row and field 0
    // unused).
    std::array<coords::Candidato, coords::kMaxCandidati + 1> aCandidati{};

    using Fonte = MemoriaCoordinate::Fonte;

    // A listing's coordinates in the harvest: the map page of its directory (url; empty when the
    // listing has no map link), then the lookup for what the map did not place.
    void MappaAnnuncio(long Riga, Fonte fonte, const QString& url);

    // The same steps for a listing the walk has not reached yet, run ahead on a copy of its
    // record: the pages they will ask for are booked with the fetcher as soon as they are known.
    struct Catena {
        Record record;
        Fonte fonte = Fonte::MappaGialle;
        QString urlMappa;
        qint64 priorita = 0;
        std::vector<Anticipo::Voce> pagine;  // booked, in the order the steps ask for them
        bool ferma = false;     // a page did not arrive, or the steps went another way
        bool completa = false;  // every page of the steps is known
        bool inCorso = false;   // the walk has reached the listing: nothing more to run ahead
        bool soloRicerca = false;  // a row of the coordinate pass: the lookup alone, no map page
    };
    void Anticipa(const std::shared_ptr<Catena>& catena);
    // The pass at row riga (up to ultima): the lookups of the rows after it that daCercare says the
    // pass will make, run ahead. FineAnticipo cancels what is booked when a phase ends.
    void AnticipaPassata(int riga, int ultima, const std::function<bool(int)>& daCercare);
    void FineAnticipo();

    void EstraeSingolaPosizioneGps(long& Riga);
    // The same lookup asked of the services even when the memory knows the row: the row menu's
    // "recompute". What they answer replaces the remembered entry.
    void RicalcolaPosizioneGps(long& Riga);
    void RilevaCoordinateImap(long& Riga);
    void ValutaIndirizzo(long& Indice, QString& Indirizzo);
    bool ConfrontaTesti(QString& s1, QString& s2);
    void CompletaCoordinateMancanti(long Modo);

    // Enabled state of cmdCarica saved by the command menu, restored at the end of the pass; the
    // form wires it to the command menu.
    std::function<bool()> bCaricaAbilitato;
    // Fetches one page into the page text; the page fetcher unless a test replaces it.
    std::function<void(const QString& url)> scarica;

    // The coordinate memory, Geomerce.db in the work folder, opened on first use while chkMemoria
    // is ticked.
    MemoriaCoordinate memoria;
    // Position of the row remembered for the step of fonte (a directory's map page, or the lookup
    // of a row); true when it was written into the row.
    bool DallaMemoria(long Riga, MemoriaCoordinate::Fonte fonte);
    // Stores the position a directory's map page gave the row.
    void RicordaMappa(long Riga, MemoriaCoordinate::Fonte fonte);

private:
    Nucleo& n;
    Salvataggio& salva;
    std::unique_ptr<coords::IndiceAree> m_aree;

    const coords::IndiceAree& Aree();
    void Scarica(const QString& url);
    // The table the steps work on: the record table, or the copy of a run ahead.
    Griglia& G() const;
    void Segnala(const QString& tentativi);
    void Cedi();
    struct Ombra;
    Ombra* m_ombra = nullptr;
    std::vector<std::shared_ptr<Catena>> m_daRifare;
    std::map<int, std::shared_ptr<Catena>> m_passata;  // rows of the pass run ahead
    void ScaricaInOmbra(const QString& url);
    QString Cella(long r, int c) const;
    void ScriviCella(long r, int c, const QString& t);
    void ScriviPosizione(long r, const coords::Posizione& p);
    bool m_memoriaProvata = false;
    MemoriaCoordinate* Memoria();
    void AvvisoMemoria(const QString& testo);
    void Cerca(long& Riga, bool dallaMemoria);
    bool PercorsoBianche(long Riga);
    bool PercorsoGialle(long Riga);
    void ErroreGrave();
};

}  // namespace gm
