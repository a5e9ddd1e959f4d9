// What a search run left out: the pages that never arrived after every round, by area, and the
// service that stopped answering.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace gm {

struct Resoconto {
    struct Area {
        QString nome;
        long pagine = 0;       // directory result pages
        long coordinate = 0;   // map pages and coordinate lookups
    };
    QVector<Area> aree;        // in the order the run met them
    QString servizioMorto;     // "Il servizio ... non risponde", empty while every service answers

    void aggiungi(const QString& area, bool coordinate);
    long totale() const;
    bool completo() const { return totale() == 0 && servizioMorto.isEmpty(); }
    // "3 pagine non scaricate", "1 pagina non scaricata".
    QString conteggio() const;
    // One line per area: "Isernia (IS): 2", "Agnone (IS): 1 di coordinate".
    QStringList righe() const;
    // The closing message of the run; interrotta: it was stopped.
    QString messaggioFinale(bool interrotta, int maxRighe = 20) const;
};

// "Il servizio Pagine Gialle (http://...) non risponde"; several names share one address.
QString MessaggioServizioMorto(const QStringList& nomi, const QString& indirizzo);

}  // namespace gm
