// The one window frmBase as a core object: it owns every control model and subsystem, wires the
// handlers to the controls and runs the start-up. gui/ and cli/ drive it; tests too.
#pragma once

#include <QString>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "app/modifiche.h"
#include "app/nucleo.h"
#include "coords/coordinate.h"
#include "geo/selezione.h"
#include "geo/territorio.h"
#include "harvest/ricerca.h"
#include "harvest/stato.h"
#include "io/importazione.h"
#include "io/salvataggio.h"
#include "net/pagina_web.h"
#include "table/comandi.h"
#include "table/duplicati.h"
#include "table/manuale.h"
#include "table/tabella.h"

namespace gm {

class Form {
public:
    static constexpr const char* kFileImpostazioni = "Geomerce.ini";
    static constexpr int kLunghezzaMassimaCategoria = 200;

    explicit Form(Dialoghi& dialoghi);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Start-up in the given work folder (empty: the usual choice of Ambiente::ScegliCartella).
    void Form_Load(const QString& cartella = QString());

    // Panels and instructions.
    void frmFrame_Click(int index);
    void txtIstruzioni_Click();
    void CaricaIstruzioni();

    // Program name and release, the two lines of lblCopyr.
    static QString Versione();

    Ambiente amb;
    Controlli c;
    Dialoghi& d;
    Avanzamento av{c, d};
    Territorio terr;
    SelezioneAree sel{c, terr};
    TabellaRecord tab{c, av};
    PaginaWeb web{c, av, amb};
    StatoRicerca stato;
    Nucleo n{amb, c, d, av, terr, tab, web, stato};
    Duplicati dup{n};
    Salvataggio salva{n, dup};
    Coordinate coord{n, salva};
    Ricerca ric{n, sel, coord, dup, salva};
    Importazione imp{n, ric};
    Manuale man{n, coord, dup, salva, imp, ric};
    Comandi com{n, coord, imp, man};
    RecordSalvati salvati{tab};

private:
    void collega();
    void Avvio(const QString& cartella);
};

}  // namespace gm
