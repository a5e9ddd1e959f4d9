// The output formats behind one small shape: a name, an extension, whether files are written per
// region, and the bytes of a file from the rows of the table. The save passes iterate over the
// ticked ones and do the rest (progress, stop, atomic replacement) once for all.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

#include "table/tabella.h"

namespace gm {

// What a file is made of besides its rows.
struct ContestoUscita {
    QString categoria;         // as typed, the title of GPX and KML files
    QString parole;            // the words dropped from OV2 point texts
    QStringList intestazione;  // comment lines heading a TXT file (an autosave's resume header)
    bool ov2Semplice = false;  // OV2 records without skipper blocks
    QStringList attribuzioni;  // notices the licence of a source asks for (GPX and KML metadata)
};

class FormatoUscita {
public:
    virtual ~FormatoUscita() = default;
    virtual QString nome() const = 0;
    virtual QString estensione() const = 0;  // without the dot
    // Navigator files: one national file and one per region, of the data rows only. The others
    // are one file of the whole table, its title row first.
    virtual bool perRegione() const = 0;
    // A 22x22 icon of the same base name goes beside each file.
    virtual bool conIcona() const { return false; }
    // The whole file; false with a reason when it cannot be made.
    virtual bool scrivi(const QVector<Record>& righe, const ContestoUscita& c, QByteArray& dati,
                        QString& errore) const = 0;
};

// Every format at the index of its check box chkOutput: ov2, xls, txt, gpx, kml.
inline constexpr int kFormatiUscita = 5;
const std::array<const FormatoUscita*, kFormatiUscita>& FormatiUscita();
// The index of the format with that extension (any case), or -1.
int IndiceFormato(const QString& estensione);

// The text under a point's name in GPX and KML: address, postal code, town, province, telephone.
QString DescrizionePunto(const Record& r);

}  // namespace gm
