// The record table: eight text columns in the grid mfgTab, one record per row from row 1.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

#include "table/griglia.h"

namespace gm {

struct Controlli;
class Avanzamento;

// Column indices of a record.
enum Colonna { kNome = 0, kIndirizzo, kCap, kCitta, kPr, kTelefono, kLatitudine, kLongitudine, kColonne };

using Record = std::array<QString, kColonne>;

class TabellaRecord {
public:
    static constexpr long kMaxRecord = 40000;
    static constexpr int kRigheMinime = 18;

    TabellaRecord(Controlli& c, Avanzamento& av);

    Griglia mfgTab{"mfgTab"};
    long nRecord = 0;
    long ColonnaOrdinamento = 0;
    bool bTabellaPiena = false;
    // Notices the licences of the records' sources ask for (OpenStreetMap); gone with the records.
    QStringList attribuzioni;

    // Lays out mfgTab, mfgImp and mfgFind at start-up.
    void ImpostaGriglie();
    // Header only, then 17 blank rows.
    void Svuota();
    // Appends one record (the append protocol) and returns its row.
    long AggiungiRecord(const Record& r);
    void EliminaRigheVuoteTabella();
    // Colonna may be changed for the caller (limited to the last column).
    void OrdinamentoTabella(long& Colonna, long& Tipo);
    // The same with values, for callers that keep no variable.
    void Ordina(long colonna, long tipo) { OrdinamentoTabella(colonna, tipo); }

    // Whole record of row r.
    Record record(long r) const;
    void scriviRecord(long r, const Record& rec);

    static const std::array<const char*, kColonne> kIntestazioni;

private:
    Controlli& c;
    Avanzamento& av;
};

}  // namespace gm
