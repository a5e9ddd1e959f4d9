// Reading one geocoder location text into street, postal code, leftover, town and province code,
// against the area table. The names of the table are split into words once, with an index from
// word to municipality, so a location is matched without comparing it with all 8102 names.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include "coords/risposte.h"

namespace gm {

class Territorio;

namespace coords {

class IndiceAree {
public:
    explicit IndiceAree(const Territorio& t);

    struct Provincia {
        QString nome, sigla;
        QVector<QString> parole;
        int primoComune = 0, fineComuni = 0;  // range in comuni
    };
    struct Comune {
        QString nome;
        QVector<QString> parole;
        int provincia = 0;  // index in province
    };

    QStringList regioni;  // names, table order
    QVector<Provincia> province;  // table order over all regions
    QVector<Comune> comuni;       // table order over all provinces
    int numeroRegioni = 0;

    // Municipalities (indices, ascending) whose name has the same words as parole.
    QVector<int> ComuniUguali(const QVector<QString>& parole) const;
    // First municipality with the postal code, or -1.
    int ComunePerCap(const QString& cap) const;

private:
    QHash<QString, QVector<int>> m_perParola;
    QHash<QString, int> m_perCap;
};

// Fills fields 1..5 of the candidate from the location text, which is consumed. The record's
// address, postal code and province code stand in where the text lacks them.
void ValutaLuogo(const IndiceAree& aree, Candidato& c, QString& Indirizzo, const QString& indirizzoRecord,
                 const QString& capRecord, const QString& siglaRecord);

}  // namespace coords
}  // namespace gm
