#include "app/avanzamento.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>

#include <cmath>

#include "app/controlli.h"
#include "app/dialoghi.h"

namespace gm {

Avanzamento::Avanzamento(Controlli& c, Dialoghi& d) : c(c), d(d) {}

void Avanzamento::Cedi() {
    if (cedi) {
        cedi();
        return;
    }
    // Long loops yield once per unit of work, tens of thousands of times a pass; a turn of the
    // event loop every few milliseconds keeps the window just as live at a fraction of the cost.
    static QElapsedTimer ultimoTurno;
    if (ultimoTurno.isValid() && ultimoTurno.elapsed() < kMsTraTurni) return;
    QCoreApplication::processEvents();
    ultimoTurno.start();
}

QString Avanzamento::TestoPercentuale(double percentuale) {
    // "##0.00%": at least one integer digit, two decimals, a point.
    return QString::number(percentuale, 'f', 2) + u'%';
}

double Avanzamento::Percentuale(long Totale, long Corrente) {
    // Corrente - 0.5 rounded half to even: always the integer Corrente - 1 or Corrente.
    const double meta = double(Corrente) - 0.5;
    const double m = std::max(1.0, std::nearbyint(meta));  // default rounding mode: to even
    const float p = float(std::floor(m / double(Totale) * 10000.0 + 0.5) / 100.0);
    return p >= 100.0f ? 100.0 : double(p);
}

void Avanzamento::AggiornaPercentuale(long Totale, long Corrente) {
    c.txtPerc.setVisible(Totale > 0);
    c.lblPerc.setVisible(Totale > 0);
    if (Totale <= 0 || Corrente <= 0) {
        c.txt100.alignment = 2;
        c.txt100.setText(QStringLiteral("Clicca su un riquadro qualsisi per le istruzioni"));
        c.txtPerc.setText(QString());
        c.txtProv.setText(QString());
        c.txtComune.setText(QString());
        c.txtPag[0]->setText(QString());
        c.txtPag[1]->setText(QString());
        c.frmBase.setCaption(QStringLiteral("Geomerce"));
        c.lblAvanz.setCaption(QString());
        c.txtPerc.larghezza = 0;
        Cedi();
        return;
    }
    const double perc = Percentuale(Totale, Corrente);
    c.lblPerc.setCaption(QStringLiteral("> ") + TestoPercentuale(perc) + QStringLiteral(" - ") +
                         QString::number(Corrente) + u'/' + QString::number(Totale));
    c.frmBase.setCaption(QStringLiteral("Geomerce ") + QString::number(long(std::floor(perc + 0.5))) +
                         QStringLiteral("% ") + c.txtCosa.text());
    c.txtPerc.larghezza = perc / 100.0;
    const QString fase = u'<' + DescrizioneFase + u'>';
    c.txt100.alignment = 1;
    if (perc >= 50) {
        c.txt100.setText(QString());
        c.txtPerc.setText(fase);
    } else {
        c.txtPerc.setText(QString());
        c.txt100.setText(fase);
    }
    // Width changes carry no signal of their own; a caption change may not happen on every call.
    emit c.txtPerc.change();
    Cedi();
}

void Avanzamento::EvidenziaOrigine(long Gialle, long Bianche) {
    c.lblOrigine[0]->setVisible(Gialle != 0);
    c.lblOrigine[3]->setVisible(Gialle != 0);
    c.lblOrigine[1]->setVisible(Bianche != 0);
    c.lblOrigine[2]->setVisible(Bianche != 0);
}

long Avanzamento::CalcolaSecondi() {
    // Seconds on a monotonic clock: differences of two readings stay right across midnight, the
    // turn of a month and changes of the wall clock.
    static QElapsedTimer orologio = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return long(orologio.elapsed() / 1000);
}

void Avanzamento::tmrClock_Timer() {
    // A timer left running by an operation that has ended has nothing to save for: its save would
    // lock an idle window and write an empty resume header.
    if (operazioneInCorso && !operazioneInCorso()) {
        c.tmrClock.stop();
        return;
    }
    MinutiDaSalvataggio += 1;
    if (MinutiDaSalvataggio > 9) {
        if (salvaFile) salvaFile(2);
        MinutiDaSalvataggio = 0;
    }
    c.lblAvanz.setCaption(QString(int(std::floor(MinutiDaSalvataggio / 2.0 + 0.5)), u'>'));
}

void Avanzamento::lblTent_Change() { c.lblTent.setOpaque(!c.lblTent.caption().isEmpty()); }

void Avanzamento::IndicaOccupato(bool occupato) {
    c.cmdFine.setCaption(occupato ? QStringLiteral("&Stop") : QStringLiteral("&Fine Lavoro"));
    c.lblFine.setBackColor(occupato ? kVerde : kRosso);
}

void Avanzamento::cmdFine_Click() {
    if (c.cmdFine.caption().compare(QStringLiteral("&Stop"), Qt::CaseInsensitive) == 0) {
        if (d.domanda(QStringLiteral("Vuoi interrompere l'elaborazione?"), QStringLiteral("Interruzione"))) {
            bStop = true;
            IndicaOccupato(false);
        }
        return;
    }
    if (!d.domanda(QStringLiteral("Vuoi chiudere l'applicazione?"), QStringLiteral("Fine lavoro"))) return;
    const long nonSalvati = recordNonSalvati ? recordNonSalvati() : 0;
    if (nonSalvati > 0) {
        const QString quanti = nonSalvati == 1
                                   ? QStringLiteral("1 record è stato aggiunto o modificato")
                                   : QStringLiteral("%1 record sono stati aggiunti o modificati").arg(nonSalvati);
        const QString testo = QStringLiteral("Attenzione!!!\r\n\r\n") + quanti +
                              QStringLiteral(" dopo l'ultimo salvataggio e si trovano solo in tabella.\r\n\r\n"
                                             "Vuoi salvarli prima di chiudere?");
        if (d.domanda(testo, QStringLiteral("Fine lavoro"), Icona::Esclamazione)) {
            // The program stays open unless the save really wrote them (the OV2 word list may
            // still be waiting for its "Salva", or the save was stopped).
            if (!salvaPrimaDiChiudere || !salvaPrimaDiChiudere()) return;
        }
    }
    // Files are opened and closed within each procedure, so none is open here.
    if (!cartellaPagine.isEmpty()) {
        QDir dir(cartellaPagine);
        const QStringList voci = dir.entryList({QStringLiteral("mk*.html"), QStringLiteral("mk*.html.part")}, QDir::Files | QDir::Hidden);
        for (const QString& v : voci) dir.remove(v);  // a file that stays does not stop the exit
    }
    bChiusuraConfermata = true;
    if (terminaProgramma) terminaProgramma();
}

}  // namespace gm
