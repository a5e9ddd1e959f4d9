#include "table/manuale.h"

#include <algorithm>

#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "coords/coordinate.h"
#include "geo/territorio.h"
#include "harvest/ricerca.h"
#include "harvest/stato.h"
#include "io/importazione.h"
#include "io/salvataggio.h"
#include "net/testo.h"
#include "table/comandi.h"
#include "table/duplicati.h"
#include "table/tabella.h"

namespace gm {

namespace {
constexpr int kLunghezze[kColonne] = {35, 35, 5, 35, 2, 15, 12, 12};
}

Manuale::Manuale(Nucleo& n, Coordinate& coord, Duplicati& dup, Salvataggio& salva, Importazione& imp, Ricerca& ric)
    : n(n), coord(coord), dup(dup), salva(salva), imp(imp), ric(ric) {}

void Manuale::collega() {
    Controlli& c = n.c;
    for (int i = 0; i < int(c.cmdImp.size()); ++i)
        QObject::connect(c.cmdImp[i], &Pulsante::clicked, [this, i] { cmdImp_Click(i); });
    for (int k = 0; k < kColonne; ++k) {
        c.txtManuale[k]->filtroTasti = [this, k](int& a) { txtManuale_KeyPress(k, a); };
        QObject::connect(c.txtManuale[k], &CasellaTesto::change, [this, k] { txtManuale_Change(k); });
    }
}

void Manuale::CreaTabellaInputManuale() {
    for (int k = 0; k < kColonne; ++k) {
        n.c.txtIntest[k]->setText(n.tab.mfgTab.text(0, k));
        n.c.txtIntest[k]->larghezza = n.tab.mfgTab.colWidth(k);
        n.c.txtIntest[k]->setEnabled(false);
        n.c.txtManuale[k]->larghezza = n.tab.mfgTab.colWidth(k);
        n.c.txtManuale[k]->lunghezzaMassima = kLunghezze[k];
    }
    n.c.txtManuale[kLatitudine]->setEnabled(false);
    n.c.txtManuale[kLongitudine]->setEnabled(false);
}

void Manuale::txtManuale_KeyPress(int index, int& KeyAscii) {
    if (KeyAscii >= 0 && KeyAscii <= 31) return;
    const QChar ch(KeyAscii);
    const bool cifra = ch >= u'0' && ch <= u'9';
    // Input boxes also keep to their maximum length.
    if (n.c.txtManuale[index]->text().size() >= kLunghezze[index]) {
        KeyAscii = 0;
        return;
    }
    switch (index) {
    case kCap:
    case kTelefono:
        if (!cifra) KeyAscii = 0;
        break;
    case kPr: {
        const QChar l = ch.toLower();
        if (!(l >= u'a' && l <= u'z')) KeyAscii = 0;
        break;
    }
    case kLatitudine:
    case kLongitudine:
        if (!(cifra || (ch == u'.' && !n.c.txtManuale[index]->text().contains(u'.')))) KeyAscii = 0;
        break;
    default:
        break;
    }
}

void Manuale::txtManuale_Change(int index) {
    Controlli& c = n.c;
    if (index == kPr && c.txtManuale[kPr]->text().size() == 2) {
        const QString sigla = c.txtManuale[kPr]->text().toUpper();
        bool trovata = false;
        for (int r = 1; r <= n.terr.numeroRegioni() && !trovata; ++r)
            for (int p = 1; p <= n.terr.numeroProvince(r) && !trovata; ++p)
                trovata = n.terr.siglaProvincia(r, p) == sigla;
        if (!trovata) {
            n.d.messaggio(QStringLiteral("La provincia ") + sigla + QStringLiteral(" non esiste!"),
                          QStringLiteral("Provincia errata"), Icona::Critica);
            c.txtManuale[kPr]->setText(c.txtManuale[kPr]->text().left(1));
            return;
        }
    }
    Pulsante& esegui = *c.cmdImp[3];
    esegui.setEnabled(false);
    if (!c.txtManuale[kIndirizzo]->text().isEmpty() && !c.txtManuale[kCitta]->text().isEmpty() &&
        c.txtManuale[kPr]->text().size() == 2)
        esegui.setEnabled(true);
    if (InStr(esegui.caption(), QStringLiteral("erca"))) {
        for (CasellaTesto* t : c.txtManuale)
            if (!t->text().isEmpty()) esegui.setEnabled(true);
    }
    if (index == kTelefono && !c.txtManuale[kTelefono]->text().isEmpty()) esegui.setEnabled(true);
}

void Manuale::cmdImp_Click(int index) {
    Controlli& c = n.c;
    Griglia& g = n.tab.mfgTab;
    g.setVisible(true);
    c.mfgFind.setVisible(false);
    c.frmframe[9]->setVisible(false);
    c.frmframe[9]->caption.clear();
    c.frmframe[19]->setVisible(false);
    c.frmframe[14]->setVisible(false);
    c.frmframe[10]->setVisible(true);
    n.av.Cedi();
    n.stato.aCampi[16] = c.txt100.text();

    const QString modo = c.cmdImp[3]->caption();
    switch (index) {
    case 0:
        imp.ImportaFile();
        break;
    case 1:
    case 2:
        c.BloccaFrame(true);
        if (com) c.cmdCarica.setEnabled(com->bCaricaAbilitato);
        c.lblesito.setCaption(QString());
        n.tab.EliminaRigheVuoteTabella();
        c.cmdImp[3]->setCaption(QStringLiteral("&Inserisce"));
        break;
    case 5:
        c.frmframe[6]->setVisible(false);
        dup.EliminaDuplicati(0);
        if (!n.av.bStop) salva.SalvaFile(1);
        break;
    case 6:
        c.frmframe[6]->setVisible(false);
        c.BloccaFrame(true);
        break;
    case 3:
    case 4:
        if (InStr(modo, QStringLiteral("inser"))) {
            if (index == 3) {
                c.txt100.setText(QStringLiteral("Inserimento in corso - attendere..."));
                InserisceRigaManuale();
            } else {
                for (CasellaTesto* t : c.txtManuale) t->setText(QString());
            }
            g.setRows(int(Maggiore(n.tab.nRecord + 1, TabellaRecord::kRigheMinime)));
            c.frmframe[19]->setVisible(true);
            g.setTopRow(int(Maggiore(n.tab.nRecord - 8, 1)));
            if (index == 3 && n.tab.nRecord > 0) g.mostra(int(n.tab.nRecord));  // not behind the panel
        } else if (InStr(modo, QStringLiteral("odif"))) {
            c.txt100.setText(QStringLiteral("Modifica in corso - attendere..."));
            g.setTopRow(int(Maggiore(RigaInModifica() - 16, 1)));
            InserisceRigaManuale();
            n.av.Cedi();
        } else if (InStr(modo, QStringLiteral("cerc"))) {
            c.frmframe[19]->setVisible(true);
            g.setVisible(false);
            c.mfgFind.setVisible(true);
            c.mfgFind.setRows(1);
            c.mfgFind.setRows(11);
            if (index == 4) {
                for (CasellaTesto* t : c.txtManuale) t->setText(QString());
            } else {
                Cerca();
            }
        }
        break;
    default:
        break;
    }
    c.tmrClock.stop();
    c.txt100.setText(n.stato.aCampi[16]);
    n.av.bStop = false;
    c.cmdFine.setCaption(QStringLiteral("&Fine Lavoro"));
}

void Manuale::Cerca() {
    Controlli& c = n.c;
    const Griglia& g = n.tab.mfgTab;
    long trovati = 0;
    n.av.DescrizioneFase = QStringLiteral("Ricerca record");
    n.av.InizioFase = Avanzamento::CalcolaSecondi();
    c.mfgFind.inizioModifiche();
    for (long r = 1; r <= n.tab.nRecord; ++r) {
        if (r % 500 == 1) n.av.AggiornaPercentuale(n.tab.nRecord, r);
        for (int k = 0; k < g.cols() && k < kColonne; ++k) {
            const QString& cerca = c.txtManuale[k]->text();
            if (cerca.isEmpty()) continue;
            const QString& cella = g.text(int(r), k);
            const bool ovunque = k == kNome || k == kIndirizzo || k == kCitta;
            if (cella.startsWith(cerca, Qt::CaseInsensitive) || (ovunque && InStr(cella, cerca))) {
                ++trovati;
                c.mfgFind.setRows(int(Maggiore(trovati + 2, 11)));
                c.mfgFind.setRiga(int(trovati), g.riga(int(r)));
                break;
            }
        }
    }
    c.mfgFind.fineModifiche();
    c.lblesito.setCaption(QStringLiteral("Sono stati trovati n. %1 record.").arg(trovati));
    n.av.AggiornaPercentuale(0, 0);
}

void Manuale::ApriModifica(long r) {
    m_rigaModifica = r;
    m_originale = n.tab.record(r);
}

long Manuale::RigaInModifica() const {
    const TabellaRecord& t = n.tab;
    if (m_rigaModifica >= 1 && m_rigaModifica < t.mfgTab.rows() && t.record(m_rigaModifica) == m_originale)
        return m_rigaModifica;
    // A sort or a deletion moved the rows: the record is found by its content.
    for (int r = 1; r < t.mfgTab.rows(); ++r)
        if (!t.mfgTab.text(r, kNome).isEmpty() && t.record(r) == m_originale) return r;
    return 0;
}

void Manuale::InserisceRigaManuale() {
    Controlli& c = n.c;
    TabellaRecord& t = n.tab;
    c.cmdImp[3]->setEnabled(false);
    const bool inserimento = InStr(c.cmdImp[3]->caption(), QStringLiteral("seri")) > 0;
    long riga = 0;
    if (inserimento) {
        t.EliminaRigheVuoteTabella();
        if (t.nRecord + 1 > TabellaRecord::kMaxRecord) {
            t.bTabellaPiena = true;  // nothing is written: the count stays true
            ric.MessaggioTabellaPiena();
        } else {
            riga = ++t.nRecord;
            if (t.mfgTab.rows() <= t.nRecord) t.mfgTab.setRows(int(t.nRecord + 1));
            if (t.mfgTab.rows() < 10) t.mfgTab.setRows(10);
            t.mfgTab.setTopRow(1);
            if (t.nRecord > 9) t.mfgTab.setTopRow(int(Maggiore(t.nRecord - 15, 1)));
        }
    } else {
        riga = RigaInModifica();
        if (riga == 0)
            n.d.messaggio(QStringLiteral("La riga in modifica non è più presente in tabella:\r\nla modifica non è stata registrata."),
                          QStringLiteral("Modifica dati"), Icona::Esclamazione);
    }
    if (riga > 0) {
        if (c.txtManuale[kNome]->text().isEmpty()) c.txtManuale[kNome]->setText(QStringLiteral("<non indicato>"));
        for (int k = 0; k <= kTelefono; ++k) t.mfgTab.setText(int(riga), k, PrimoMaiuscoloDi(c.txtManuale[k]->text()));
        if (inserimento) c.txtRec.setText(QString::number(t.nRecord));
        coord.EstraeSingolaPosizioneGps(riga);
        t.mfgTab.setSelezione(int(riga), 0, int(riga), t.mfgTab.cols() - 1);
        if (!inserimento) m_originale = t.record(riga);
    }
    c.cmdImp[3]->setEnabled(true);
    if (!inserimento) {
        c.BloccaFrame(true);
        c.frmframe[19]->setVisible(false);
    }
    if (riga > 0) t.mfgTab.mostra(int(riga));
    n.av.Beep();
}

void Manuale::mfgfind_DblClick() {
    Griglia& g = n.c.mfgFind;
    const int k = g.col;
    int ultima = 0;
    for (int r = g.rows() - 1; r >= 1; --r)
        if (!g.text(r, 0).isEmpty()) {
            ultima = r;
            break;
        }
    g.setRows(ultima + 1);
    if (ultima >= 2) g.ordina(1, ultima, k, Griglia::CrescenteNoCase);
    g.setRows(std::max(ultima + 1, 11));
}

}  // namespace gm
