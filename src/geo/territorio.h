// The area table: Italy's 20 regions, 103 provinces and 8102 municipalities with one postal code
// each, compiled into the program as text and parsed once at start-up.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace gm {

class Lista;

class Territorio {
public:
    // Limits of the table's indices.
    static constexpr int kMaxRegioni = 30;
    static constexpr int kMaxProvince = 20;
    static constexpr int kMaxComuni = 350;

    // Fills the table from the built-in text and lists the region names in lstRegioni.
    void CaricaTerritorio(Lista& lstRegioni);
    // The built-in table, parsed once, for readers that have no list of regions to fill.
    static const Territorio& Incorporato();
    // Parses province strings (region "\" province "\" code "§" name "\" CAP "§" ...).
    void Analizza(QStringList aTestoTerritorio);

    // Cell (r, p, c, f) as the table's rules fix it; empty for unused cells and indices out of range.
    const QString& aTerritorio(int r, int p, int c, int f) const;

    // Convenience readers over the cells.
    int numeroRegioni() const { return int(m_regioni.size()) - 1; }
    int numeroProvince(int r) const { return aTerritorio(r, 0, 0, 1).toInt(); }
    int numeroComuni(int r, int p) const { return aTerritorio(r, p, 0, 0).toInt(); }
    const QString& nomeRegione(int r) const { return aTerritorio(r, 0, 0, 0); }
    const QString& nomeProvincia(int r, int p) const { return aTerritorio(r, p, 0, 1); }
    const QString& siglaProvincia(int r, int p) const { return aTerritorio(r, p, 0, 2); }
    const QString& nomeComune(int r, int p, int c) const { return aTerritorio(r, p, c, 1); }
    const QString& capComune(int r, int p, int c) const { return aTerritorio(r, p, c, 2); }

    // The built-in text, one province string per element.
    static QStringList TestoIncorporato();

private:
    using Celle = QVector<QString>;               // fields 0..2
    using Provincia = QVector<Celle>;             // municipality 0..
    using Regione = QVector<Provincia>;           // province 0..
    QVector<Regione> m_regioni;                   // region 0..
    static QString& cella(QVector<Regione>& t, int r, int p, int c, int f);
};

}  // namespace gm
