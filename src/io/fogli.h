// The readers of the workbook formats (BIFF8 .xls, Office Open XML .xlsx, OpenDocument .ods).
// They run inside the reader program geomerce-xls; LeggiXls in the program only decodes what they
// hand over.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <vector>

namespace gm {

// The active sheet as a reader finds it, bounded: cells beyond maxRighe or maxColonne are dropped,
// and a sheet of more than kMaxCelle cells is refused (a few bytes of a repeated-cell attribute
// can describe millions of them). The cells are not kept: each one is encoded in the private
// format as it comes, and with an output descriptor sent on in chunks, so that the program
// decodes the first rows while the last ones are still being read.
class FoglioLetto {
public:
    static constexpr qint64 kMaxCelle = 4'000'000;

    // fd: where the encoded cells go; -1 keeps them for codifica().
    FoglioLetto(int maxRighe, int maxColonne, int fd = -1);
    void numero(qint64 riga, qint64 colonna, double v);
    void testo(qint64 riga, qint64 colonna, const QString& t);
    void testoUtf8(qint64 riga, qint64 colonna, QByteArrayView t);
    bool troppoGrande() const { return m_troppe; }
    int righe() const { return int(m_lunghezze.size()); }
    int maxRighe() const { return m_maxRighe; }
    int maxColonne() const { return m_maxColonne; }
    // Ends the sheet: read in full when errore is empty, else failed for that reason. With an
    // output descriptor, sends what is left; false when it could not be written.
    bool chiudi(const QString& errore = {});
    // Without an output descriptor: everything encoded so far (ended by chiudi, or as read in full).
    QByteArray codifica() const;

private:
    bool posto(qint64 riga, qint64 colonna);
    char* spazio(qsizetype n);
    void cella(quint8 tipo, qint64 riga, qint64 colonna);
    bool svuota();

    int m_maxRighe, m_maxColonne;
    int m_fd;
    qint64 m_celle = 0;
    qint64 m_rigaScritta = -1;
    bool m_troppe = false;
    bool m_chiuso = false;
    bool m_guasto = false;  // the output could not be written
    std::vector<int> m_lunghezze;  // cells of each row so far
    QByteArray m_uscita;
    qsizetype m_usati = 0;
};

// Each reader fills the sheet and returns true, or returns false with an Italian reason.
// They take the whole file.
bool LeggiBiff8(const QByteArray& file, FoglioLetto& foglio, QString& errore);
bool LeggiXlsx(const QByteArray& file, FoglioLetto& foglio, QString& errore);
bool LeggiOds(const QByteArray& file, FoglioLetto& foglio, QString& errore);
// A zip container: .xlsx or .ods by the parts it holds.
bool LeggiCartellaZip(const QByteArray& file, FoglioLetto& foglio, QString& errore);
// Picks the reader by the file's first bytes; false with a reason for anything else.
bool LeggiFoglioDiCalcolo(const QByteArray& file, FoglioLetto& foglio, QString& errore);

// A date of a spreadsheet as the table shows it (day/month/year); serial days from 1899-12-30,
// or from 1904-01-01 for workbooks in that date system. Empty when out of range.
QString TestoData(double seriale, bool dal1904, bool ora);

// Whether a custom number format shows a date and whether it shows a time of day.
void TipoFormato(const QString& codice, bool& data, bool& ora);

// The text of a number cell: integers without decimals, others with up to 15 significant digits.
QString TestoNumero(double v);

// The private format, a sequence of entries: kRiga and a 32-bit row number (from 0) sets the row
// of the cells after it; a cell is its tag, its 32-bit column and its value (a native double, or
// a 32-bit byte count and UTF-8). kFine ends a sheet read in full; kErrore, followed by the reason
// as a text, ends a failed one. A later cell of the same position replaces an earlier one.
enum : quint8 { kCellaDecimale = 2, kCellaTesto = 3, kRiga = 4, kFine = 5, kErrore = 6 };

// A failure in the private format.
QByteArray CodificaErrore(const QString& perche);

}  // namespace gm
