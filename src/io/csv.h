// Tables exported as comma- or semicolon-separated text (CSV), read into the same cells as a
// workbook so that the column mapping works alike.
#pragma once

#include <QString>

#include "io/xls.h"

namespace gm {

// Parses a decoded CSV text: the separator is the one of ";", "," and TAB that the first lines use
// most (an Excel "sep=" line names it); quoted fields may hold separators, doubled quotes and line
// ends. At most maxRighe rows and maxColonne columns. A field of digits only counts as a number,
// as a spreadsheet program would have read it.
FoglioXls AnalizzaCsv(const QString& testo, int maxRighe, int maxColonne);

// Reads the file (bounded, in any text encoding DecodificaTesto knows); false with a reason.
bool LeggiCsv(const QString& percorso, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore);

}  // namespace gm
