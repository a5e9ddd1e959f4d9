// The generated directory behind geomerce-sim: every business of a category over the whole area
// table, made up deterministically from the seed, so that a run, its test and its benchmark see
// the same data without any stored file.
#pragma once

#include <QHash>
#include <QString>
#include <QVector>

#include <mutex>
#include <optional>

#include "geo/territorio.h"

namespace gm::sim {

struct Azienda {
    int r = 0, p = 0, c = 0, k = 0;  // area-table indices and number within the municipality
    QString nome, via, civico, cap, comune, sigla, telefono, telefonoSecondo;
    double lat = 0, lon = 0;
    bool gialle = true;        // listed in the yellow pages
    bool bianche = true;       // listed in the white pages
    bool mappaGialle = true;   // the yellow-pages listing carries a map link
    bool mappaBianche = true;  // the white-pages listing carries a map link
    bool interattiva = false;  // the white-pages map page only links to an interactive map
    bool riservato = false;    // the reverse telephone lookup refuses to answer
    bool biglietto = false;    // the white-pages listing shows a business-card link
    QString chiave;            // identifier used by the map links

    // "Via Garibaldi, 12" as the yellow pages write it; "Via Garibaldi 12" in the white pages.
    QString indirizzoGialle() const { return via + QStringLiteral(", ") + civico; }
    QString indirizzoBianche() const { return via + u' ' + civico; }
};

struct LuogoTabella {
    int r = 0, p = 0, c = 0;
};

class Elenco {
public:
    explicit Elenco(quint64 seme = 1);

    const Territorio& territorio() const { return terr; }

    // Businesses of a category in one municipality, in listing order.
    QVector<Azienda> delComune(const QString& cosa, int r, int p, int c);
    // Every business of a category in a province, municipality by municipality.
    QVector<Azienda> dellaProvincia(const QString& cosa, int r, int p);
    // Businesses of a category whose postal code is cap.
    QVector<Azienda> delCap(const QString& cosa, const QString& cap);

    // Municipalities whose name equals nome (ignoring case), in table order.
    QVector<LuogoTabella> comuniDiNome(const QString& nome) const;
    // Municipalities whose name holds parola as a whole word.
    QVector<LuogoTabella> comuniConParola(const QString& parola) const;
    // Province with this two-letter code; false when there is none.
    bool provinciaDiSigla(const QString& sigla, int& r, int& p) const;
    // The yellow pages do not recognise some names of several words.
    bool nonRiconosciuto(int r, int p, int c) const;

    // Business with this telephone number (blanks ignored) among those generated so far.
    std::optional<Azienda> perTelefono(const QString& telefono);
    // Businesses of any category with this name (ignoring case and extra blanks) in one
    // municipality, among those generated so far, in the order they were generated.
    QVector<Azienda> perNome(const QString& nome, int r, int p, int c);
    // Position of the business a map link names; false for an unknown key.
    bool posizioneDiChiave(const QString& chiave, double& lat, double& lon);
    // Centre of a municipality.
    void centro(int r, int p, int c, double& lat, double& lon) const;

    quint64 seme() const { return m_seme; }

private:
    quint64 m_seme;
    Territorio terr;
    QHash<QString, QVector<LuogoTabella>> m_nomi;  // lower-case name -> municipalities
    std::mutex m_mutex;
    QHash<QString, QVector<Azienda>> m_cache;  // "category|r|p|c"
    QHash<QString, QString> m_telefoni;        // digits -> "category|r|p|c|k"
    QHash<QString, QStringList> m_perNome;     // "name|r|p|c" -> "category|r|p|c|k"
    QHash<QString, std::pair<double, double>> m_posizioni;  // map key -> latitude, longitude

    QVector<Azienda> genera(const QString& cosa, int r, int p, int c) const;
    std::optional<Azienda> daRiferimento(const QString& riferimento);
    static QString ChiaveNome(const QString& nome, int r, int p, int c);
    static QString Categoria(const QString& cosa);
};

// 64-bit FNV-1a, the one hash the generator uses.
quint64 Impronta(const QString& testo, quint64 base = 1469598103934665603ULL);
quint64 Mescola(quint64 a, quint64 b);

}  // namespace gm::sim
