#include "app/avanzamento.h"

#include <QCoreApplication>
#include <QDateTime>

#include "app/controlli.h"
#include "app/dialoghi.h"

namespace gm {

Avanzamento::Avanzamento(Controlli& c, Dialoghi& d) : c(c), d(d) {}

void Avanzamento::Cedi() {
    if (cedi)
        cedi();
    else
        QCoreApplication::processEvents();
}

void Avanzamento::AggiornaPercentuale(long Totale, long Corrente) { Cedi(); }

void Avanzamento::EvidenziaOrigine(long Gialle, long Bianche) {
    c.lblOrigine[0]->setVisible(Gialle != 0);
    c.lblOrigine[3]->setVisible(Gialle != 0);
    c.lblOrigine[1]->setVisible(Bianche != 0);
    c.lblOrigine[2]->setVisible(Bianche != 0);
}

long Avanzamento::CalcolaSecondi() {
    const QDateTime t = QDateTime::currentDateTime();
    return long(t.date().day()) * 24 * 3600 + t.time().hour() * 3600 + t.time().minute() * 60 + t.time().second();
}

void Avanzamento::tmrClock_Timer() {}

void Avanzamento::lblTent_Change() { c.lblTent.setOpaque(!c.lblTent.caption().isEmpty()); }

void Avanzamento::IndicaOccupato(bool occupato) {
    c.cmdFine.setCaption(occupato ? QStringLiteral("&Stop") : QStringLiteral("&Fine Lavoro"));
    c.lblFine.setBackColor(occupato ? kVerde : kRosso);
}

void Avanzamento::cmdFine_Click() {}

}  // namespace gm
