#include "table/duplicati.h"

#include <algorithm>
#include <cmath>

#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "net/testo.h"
#include "table/tabella.h"

namespace gm {

namespace {
constexpr int kChiave = 8;  // the temporary key column

// Coordinate text with exactly five decimals, cut (not rounded); a text without a point gets one,
// so that its value does not change.
QString CinqueDecimali(const QString& s) {
    const int punto = InStr(s, QStringLiteral("."));
    if (punto == 0) {
        const QString cifre = PrelevastringaNumerica(s + u' ');
        return cifre.isEmpty() ? s : cifre + QStringLiteral(".00000");
    }
    return Left(s, punto) + (Mid(s, punto + 1) + QStringLiteral("00000")).left(5);
}

// The last nine characters of s, padded on the left with zeros, written at out.
void Riempi9(const QString& s, QChar* out) {
    const qsizetype n = std::min<qsizetype>(s.size(), 9);
    std::fill(out, out + (9 - n), QChar(u'0'));
    std::copy(s.constData() + (s.size() - n), s.constData() + s.size(), out + (9 - n));
}
}  // namespace

Duplicati::Duplicati(Nucleo& n) : n(n) {}

void Duplicati::collega() {
    Controlli& c = n.c;
    QObject::connect(&c.cmdDupl, &Pulsante::clicked, [this] { cmdDupl_Click(); });
    QObject::connect(&c.txtDupl, &CasellaTesto::change, [this] { txtDupl_change(); });
    c.txtDupl.filtroTasti = [this](int& k) { txtDupl_KeyPress(k); };
}

void Duplicati::EliminaRigheDoppiePalesi() {
    Griglia& g = n.tab.mfgTab;
    n.av.DescrizioneFase = QStringLiteral("Eliminazione doppi palesi: predisposizione");
    n.c.lblLocalita[1]->setCaption(QStringLiteral("Comune:"));
    g.setCols(9);
    g.setColWidth(kChiave, 0);
    n.av.InizioFase = Avanzamento::CalcolaSecondi();

    n.av.DescrizioneFase = QStringLiteral("Eliminazione doppi palesi: numero telefonico");
    n.tab.Ordina(kTelefono, Griglia::CrescenteNoCase);
    int righe = g.rows();
    g.inizioModifiche();
    for (int i = 2; i <= righe - 1; ++i) {
        const QString& tel = g.text(i, kTelefono);
        if (!tel.isEmpty() && Uguale(tel, g.text(i - 1, kTelefono))) g.setText(i, kNome, QString());
    }
    g.fineModifiche();
    n.tab.EliminaRigheVuoteTabella();

    n.av.DescrizioneFase = QStringLiteral("Eliminazione doppi palesi: predisposizione indirizzo");
    righe = g.rows();
    g.inizioModifiche();
    for (int i = 1; i <= righe - 1; ++i) {
        const QString flag = g.text(i, kLatitudine).isEmpty() ? QStringLiteral("1") : QStringLiteral("0");
        g.setText(i, kChiave, g.text(i, kIndirizzo) + g.text(i, kCap) + g.text(i, kTelefono) + flag);
    }
    g.fineModifiche();
    n.tab.Ordina(kChiave, Griglia::CrescenteCase);

    QString ricordata = QStringLiteral("\\");
    n.av.InizioFase = Avanzamento::CalcolaSecondi();
    n.av.DescrizioneFase = QStringLiteral("Eliminazione doppi palesi: indirizzo");
    righe = g.rows();
    g.inizioModifiche();
    for (int i = 1; i <= righe - 1; ++i) {
        const QString chiave = g.text(i, kChiave).chopped(g.text(i, kChiave).isEmpty() ? 0 : 1);
        if (g.text(i, kNome).isEmpty() && chiave.isEmpty()) continue;  // blank filler row
        if (Uguale(chiave, ricordata))
            g.setText(i, kNome, QString());
        else
            ricordata = chiave;
    }
    g.fineModifiche();

    g.setCols(kColonne);
    n.tab.EliminaRigheVuoteTabella();
    n.tab.Ordina(kCitta, Griglia::CrescenteNoCase);
    n.av.AggiornaPercentuale(0, 0);
}

void Duplicati::EliminaDuplicati(long Interattivo) {
    Griglia& g = n.tab.mfgTab;
    Controlli& c = n.c;
    const QString metri = c.txtDupl.text();
    double T = Val(metri);
    n.av.DescrizioneFase = QStringLiteral("Eliminazione duplicati entro ") + metri + QStringLiteral(" metri: fase 1/3");
    c.cmdFine.setCaption(QStringLiteral("&Stop"));
    c.BloccaFrame(false);

    // Phase 1: repeated telephone numbers.
    n.tab.Ordina(kTelefono, Griglia::CrescenteCase);
    c.txt100.setText(n.av.DescrizioneFase);
    n.av.Cedi();
    int righe = g.rows();
    for (int i = 1; i <= righe - 1; ++i) {
        // Row 1 is never compared with the header row: a telephone reading "Telefono" is data.
        const QString& tel = g.text(i, kTelefono);
        if (i > 1 && !tel.isEmpty() && Uguale(tel, g.text(i - 1, kTelefono))) g.setText(i, kNome, QString());
        if (n.av.bStop) break;
    }
    n.tab.EliminaRigheVuoteTabella();

    // Phase 2: five decimals and the position key.
    c.txt100.setText(QStringLiteral("Eliminazione duplicati entro ") + metri + QStringLiteral(" metri: fase 2/3"));
    n.av.Cedi();
    g.setCols(9);
    T = T / 100000.0;
    righe = g.rows();
    g.inizioModifiche();
    for (int r = 1; r <= righe - 1; ++r) {
        for (int k : {kLatitudine, kLongitudine}) {
            const QString& v = g.text(r, k);
            if (v.isEmpty()) continue;
            QString cinque = CinqueDecimali(v);
            if (cinque != v) g.setText(r, k, std::move(cinque));
        }
        if (n.av.bStop) break;
        QString chiave(18, Qt::Uninitialized);
        Riempi9(g.text(r, kLatitudine), chiave.data());
        Riempi9(g.text(r, kLongitudine), chiave.data() + 9);
        g.setText(r, kChiave, chiave);
    }
    g.fineModifiche();
    // Digits, points and signs only: letter case cannot matter, so the plain comparison will do.
    n.tab.Ordina(kChiave, Griglia::CrescenteCase);
    g.setCols(kColonne);

    // Phase 3: each record against the previous one with coordinates, in latitude order.
    c.cmdFine.setCaption(QStringLiteral("&Stop"));
    c.lblFine.setBackColor(kVerde);
    double latPrec = 1000, lonPrec = 1000;
    int rigaPrec = 0;
    const long inizioSalvato = n.av.InizioFase;
    if (Interattivo != 0) n.av.InizioFase = Avanzamento::CalcolaSecondi();
    n.tab.ColonnaOrdinamento = kCitta;
    n.av.DescrizioneFase = QStringLiteral("Eliminazione duplicati entro ") + metri + QStringLiteral(" metri: fase 3/3");
    c.txt100.setText(n.av.DescrizioneFase);
    n.av.Cedi();
    righe = g.rows();
    g.inizioModifiche();
    for (int r = 1; r <= righe - 1; ++r) {
        if (n.av.bStop) break;
        const double lat = Val(g.text(r, kLatitudine));
        const double lon = Val(g.text(r, kLongitudine));
        if (g.text(r, kCap).isEmpty() && g.text(r, kCitta).isEmpty() && g.text(r, kPr).isEmpty())
            g.setText(r, kNome, QString());
        if (lat == 0) continue;
        if (T != 0 && std::fabs(lat - latPrec) <= T && std::fabs(lon - lonPrec) <= T && rigaPrec > 0)
            g.setText(rigaPrec, kNome, QString());
        latPrec = lat;
        lonPrec = lon;
        rigaPrec = r;
    }
    g.fineModifiche();

    n.av.InizioFase = inizioSalvato;
    c.BloccaFrame(true);
    c.lblTent.setCaption(QString());
    n.tab.EliminaRigheVuoteTabella();
    n.av.AggiornaPercentuale(0, 0);
    if (Interattivo == 1) {
        n.d.messaggio(QStringLiteral("Elaborazione terminata..."), QStringLiteral("Elimina duplicati"),
                      Icona::Informazione);
        n.av.IndicaOccupato(false);
    }
}

void Duplicati::cmdDupl_Click() {
    n.av.bStop = false;
    EliminaDuplicati(1);
}

void Duplicati::txtDupl_change() { n.c.cmdDupl.setEnabled(Val(n.c.txtDupl.text()) > 0); }

void Duplicati::txtDupl_KeyPress(int& KeyAscii) {
    // Editing keys (Backspace, Tab, ...) pass; only other characters than digits are refused.
    if (KeyAscii > 31 && (KeyAscii < '0' || KeyAscii > '9')) KeyAscii = 0;
}

}  // namespace gm
