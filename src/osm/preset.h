// The user's category in OpenStreetMap terms: the presets of the iD editor's tagging model, with
// their Italian names and search terms, from a table built into the program.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

namespace gm::osm {

// key=value pairs an element must all carry; an empty value asks only for the key.
using Filtro = QList<QPair<QString, QString>>;

struct Preset {
    QString id;         // "amenity/pharmacy"
    QString nome;       // "Farmacia"
    QStringList termini;
    Filtro tag;
};

// "amenity=pharmacy" or "amenity=pharmacy;healthcare=pharmacy" or "shop" (key only); false with
// an Italian message for text that is no tag.
bool LeggiFiltro(const QString& testo, Filtro& filtro, QString& errore);
QString TestoFiltro(const Filtro& f);

class CatalogoPreset {
public:
    // The built-in table.
    CatalogoPreset();
    // A table in the committed text form (one preset a line, tab-separated), for tests.
    explicit CatalogoPreset(const QString& testo);

    const QVector<Preset>& preset() const { return m_preset; }
    // The preset a category names: its name or one of its terms, singular or plural, any letter
    // case or accent; nullptr when none.
    const Preset* trova(const QString& categoria) const;
    // The presets whose names or terms come closest to the category, best first.
    QVector<const Preset*> vicini(const QString& categoria, int quanti = 5) const;
    // The message for a category that names no preset.
    QString messaggioNessuno(const QString& categoria) const;

    // Lower case, no accents, apostrophes and hyphens as blanks, single blanks.
    static QString Normalizza(const QString& testo);
    // Each word without its ending vowels, so that "farmacie" and "farmacia" meet ("banche" too).
    static QString Radice(const QString& normalizzato);

private:
    void carica(const QString& testo);
    QVector<Preset> m_preset;
};

}  // namespace gm::osm
