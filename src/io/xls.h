// Excel 97-2003 workbooks: a BIFF8 writer (one sheet, every cell text) inside an OLE2 compound
// file, and a reader of the active sheet of any workbook (.xls, .xlsx, .ods).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace gm {

// Limits of the format: rows and columns of a sheet, characters of a cell.
inline constexpr int kXlsMaxRighe = 65536;
inline constexpr int kXlsMaxColonne = 256;
inline constexpr int kXlsMaxCaratteri = 32767;

// The BIFF8 "Workbook" stream of a one-sheet workbook: row i of righe is sheet row i + 1. Every
// non-empty cell is a shared string, so leading zeros and accented letters stay as written;
// empty cells stay blank. Rows and columns beyond the format's limits are dropped.
QByteArray FlussoBiff8(const QVector<QStringList>& righe);

// The same wrapped in an OLE2 compound file: the bytes of a complete .xls file; empty (with
// *errore) on failure.
QByteArray CartellaXls(const QVector<QStringList>& righe, QString* errore = nullptr);

// One cell read back: its text, and whether the workbook stored it as a number.
struct CellaXls {
    QString testo;
    bool numero = false;
};
using FoglioXls = QVector<QVector<CellaXls>>;

// Reads the active sheet of the workbook at percorso (Excel 97-2003 .xls, .xlsx or OpenDocument
// .ods, told apart by their content), at most maxRighe rows and maxColonne columns (sheet row 1 is
// element 0), the whole used range: trailing empty rows are dropped, empty rows inside stay.
// Formula cells give the result the workbook saved. Numbers come back as plain decimal text
// ("45.46427", "1234"), dates as day/month/year. Returns false with a readable reason when the
// file is missing, too large, not a workbook or damaged.
bool LeggiXls(const QString& percorso, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore);

// Rebuilds a sheet from what the reader program wrote, whole (the private format of fogli.h),
// trusting none of it: false with the reader's reason, or with a damaged-file reason for a
// stream cut short, malformed or beyond the bounds. LeggiXls decodes the same way as the bytes
// arrive.
bool DecodificaFoglioLetto(const QByteArray& dati, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore);

// The reader program geomerce-xls that LeggiXls starts: arguments FILE MAX_ROWS MAX_COLUMNS, the
// sheet on standard output in the private format LeggiXls decodes. Not for other callers.
int EseguiLettoreXls(int argc, char** argv);
inline constexpr char kProgrammaLettoreXls[] = "geomerce-xls";

}  // namespace gm
