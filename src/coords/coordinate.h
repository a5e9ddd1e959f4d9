// Coordinates of a record: map links, the directories' map pages and reverse telephone lookup,
// the address geocoder, and the pass that fills what is missing over the whole table.
#pragma once

#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "app/nucleo.h"
#include "coords/memoria.h"
#include "coords/risposte.h"

namespace gm {

class Salvataggio;
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
