// The readers of the workbook formats (BIFF8 .xls, Office Open XML .xlsx, OpenDocument .ods).
// They run inside the reader program geomerce-xls; LeggiXls in the program only decodes what they
// hand over.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace gm {

// The active sheet as a reader finds it, bounded: cells beyond maxRighe or maxColonne are dropped,
// and a sheet of more than kMaxCelle cells is refused (a few bytes of a repeated-cell attribute
// can describe millions of them).
class FoglioLetto {
public:
    static constexpr qint64 kMaxCelle = 4'000'000;

    FoglioLetto(int maxRighe, int maxColonne);
    void numero(qint64 riga, qint64 colonna, double v);
    void testo(qint64 riga, qint64 colonna, const QString& t);
    bool troppoGrande() const { return m_troppe; }
    int righe() const { return int(m_righe.size()); }
    int maxRighe() const { return m_maxRighe; }
    int maxColonne() const { return m_maxColonne; }
    // The sheet in the private format LeggiXls decodes.
    QByteArray codifica() const;

private:
    struct Cella {
        quint8 tipo = 0;
        double v = 0;
        QString t;
    };
    Cella* posto(qint64 riga, qint64 colonna);

    int m_maxRighe, m_maxColonne;
    int m_colonne = 0;
    qint64 m_celle = 0;
    bool m_troppe = false;
    QVector<QVector<Cella>> m_righe;
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

// The private format: a status byte (1 read, 0 failed); after 1 the row and column counts (32
// bits each) and one tag per cell, row by row, followed by its value; after 0 the reason. Texts
// are a 32-bit byte count and UTF-8; numbers are native doubles or 64-bit integers.
enum : quint8 { kCellaVuota = 0, kCellaIntero = 1, kCellaDecimale = 2, kCellaTesto = 3 };

// A failure in the private format.
QByteArray CodificaErrore(const QString& perche);

}  // namespace gm
