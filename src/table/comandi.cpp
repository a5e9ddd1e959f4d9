#include "table/comandi.h"

#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "coords/coordinate.h"
#include "io/importazione.h"
#include "net/testo.h"
#include "table/manuale.h"
#include "table/tabella.h"

namespace gm {

Comandi::Comandi(Nucleo& n, Coordinate& coord, Importazione& imp, Manuale& man)
    : n(n), coord(coord), imp(imp), man(man) {}

void Comandi::collega() {
    Controlli& c = n.c;
    for (int i = 0; i < int(c.cmdImporta.size()); ++i)
        QObject::connect(c.cmdImporta[i], &Pulsante::clicked, [this, i] { cmdImporta_Click(i); });
    for (int i = 0; i < int(c.cmdScelta.size()); ++i)
        QObject::connect(c.cmdScelta[i], &Pulsante::clicked, [this, i] { cmdScelta_Click(i); });
}

void Comandi::mfgTab_DblClick() {
    const long colonna = n.tab.mfgTab.col;
    n.tab.EliminaRigheVuoteTabella();
    n.tab.Ordina(colonna, Griglia::CrescenteCase);
}

void Comandi::mfgTab_MouseDown(int Button, int) {
    Controlli& c = n.c;
    Griglia& g = n.tab.mfgTab;
    if (Button == 2) {
        c.BloccaFrame(false);
        nRigaMenu = g.row;
        g.setSelezione(g.row, 0, g.row, g.cols() - 1);
        c.frmframe[14]->setVisible(true);
        c.frmframe[14]->setEnabled(true);
        c.frmframe[15]->setVisible(true);
        c.frmframe[15]->setEnabled(true);
    } else if (Button == 1 && c.frmframe[19]->visible()) {
        // In the edit mode the picked row becomes the one the edit writes.
        if (InStr(c.cmdImp[3]->caption(), QStringLiteral("odif"))) man.ApriModifica(g.row);
        for (int k = 0; k < kColonne; ++k) c.txtManuale[k]->setText(g.text(g.row, k));
        g.setSelezione(g.row, 0, g.row, g.cols() - 1);
    }
}

void Comandi::cmdScelta_Click(int index) {
    Controlli& c = n.c;
    Griglia& g = n.tab.mfgTab;
    if (index == 0) {
        if (c.optScelta[0]->value()) {
            if (!n.d.domanda(QStringLiteral("Eliminare la riga selezionata?"), QStringLiteral("Eliminazione riga")))
                return;
            for (int k = 0; k < g.cols(); ++k) g.setText(int(nRigaMenu), k, QString());
            const int primo = g.topRow();
            n.tab.EliminaRigheVuoteTabella();
            g.setTopRow(primo);
        } else if (c.optScelta[1]->value()) {
            c.frmframe[14]->setVisible(false);
            c.frmframe[19]->setEnabled(true);
            c.frmframe[19]->setVisible(true);
            c.cmdImp[3]->setCaption(QStringLiteral("&Modifica"));
            c.frmframe[12]->setEnabled(true);
            c.txtManuale[7]->setText(QStringLiteral("00"));
            c.txtManuale[7]->setText(QString());
            man.ApriModifica(nRigaMenu);
            for (int k = 0; k < kColonne; ++k) c.txtManuale[k]->setText(g.text(int(nRigaMenu), k));
            g.setTopRow(int(nRigaMenu));
        } else if (c.optScelta[2]->value()) {
            c.frmframe[14]->setVisible(false);
            long riga = nRigaMenu;
            coord.RicalcolaPosizioneGps(riga);
            c.frmframe[14]->setVisible(true);
            if (coord.bCoordinateTrovate)
                n.d.messaggio(QStringLiteral("Ricerca conclusa..."), QStringLiteral("Ricerca coordinate"),
                              Icona::Informazione);
            else
                n.d.messaggio(QStringLiteral("Ricerca conclusa senza esito..."), QStringLiteral("Ricerca coordinate"),
                              Icona::Critica);
        }
    }
    if (c.frmframe[19]->visible()) {
        c.frmframe[12]->setEnabled(true);
        c.frmframe[19]->setEnabled(true);
    } else {
        c.BloccaFrame(true);
    }
    c.frmframe[14]->setVisible(false);
    n.av.Beep();
}

void Comandi::cmdImporta_Click(int index) {
    Controlli& c = n.c;
    bCaricaAbilitato = c.cmdCarica.enabled();
    c.cmdCarica.setEnabled(false);
    c.BloccaFrame(false);
    auto apriPannello = [&](const QString& titolo, const QString& pulsante, bool coordinateBloccate) {
        c.frmframe[19]->setEnabled(true);
        c.frmframe[19]->setVisible(true);
        c.frmframe[12]->setEnabled(true);
        // A fresh panel: nothing left over from the previous insert, search or edit.
        for (CasellaTesto* t : c.txtManuale) t->setText(QString());
        c.lblesito.setCaption(QString());
        c.txtManuale[7]->setText(QStringLiteral("00"));
        c.txtManuale[7]->setText(QString());
        n.tab.EliminaRigheVuoteTabella();
        c.frmframe[19]->caption = titolo;
        c.cmdImp[3]->setCaption(pulsante);
        c.txtManuale[6]->setEnabled(!coordinateBloccate);
        c.txtManuale[7]->setEnabled(!coordinateBloccate);
    };
    switch (index) {
    case 0:
        if (c.optIntegr[0]->value()) {
            n.tab.EliminaRigheVuoteTabella();
            if (n.tab.nRecord != 0 &&
                !n.d.domanda(QStringLiteral("Attenzione!!!\r\n\r\nI dati presenti in tabella saranno cancellati!\r\n\r\n"
                                            "Vuoi proseguire?"),
                             QStringLiteral("Import dati da file"))) {
                c.BloccaFrame(true);
                c.cmdCarica.setEnabled(bCaricaAbilitato);
                return;
            }
        }
        imp.RicercaNomeFileDaImportare();
        break;
    case 1:
        coord.CompletaCoordinateMancanti(1);
        break;
    case 2:
        apriPannello(QStringLiteral("Inserimento record manuale"), QStringLiteral("&Inserisci"), true);
        break;
    case 3:
        n.tab.EliminaRigheVuoteTabella();
        if (n.tab.nRecord != 0 &&
            n.d.domanda(QStringLiteral("Vuoi resettare la tabella?"), QStringLiteral("Clear tabella"))) {
            n.tab.mfgTab.setRows(2);
            n.tab.mfgTab.setText(1, 0, QString());
            n.tab.EliminaRigheVuoteTabella();
        }
        c.BloccaFrame(true);
        c.cmdCarica.setEnabled(bCaricaAbilitato);
        break;
    case 4:
        apriPannello(QStringLiteral("Ricerca record"), QStringLiteral("&Cerca"), false);
        break;
    default:
        break;
    }
    n.av.AggiornaPercentuale(0, 0);
    n.av.Cedi();
    c.BloccaFrame(true);
}

}  // namespace gm
