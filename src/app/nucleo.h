// The shared state every subsystem works on, passed by reference to their constructors.
#pragma once

namespace gm {

struct Ambiente;
struct Controlli;
class Dialoghi;
class Avanzamento;
class Territorio;
class TabellaRecord;
class PaginaWeb;
struct StatoRicerca;

struct Nucleo {
    Ambiente& amb;
    Controlli& c;
    Dialoghi& d;
    Avanzamento& av;
    Territorio& terr;
    TabellaRecord& tab;
    PaginaWeb& web;
    StatoRicerca& stato;
};

}  // namespace gm
