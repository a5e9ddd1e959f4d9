#include "table/tabella.h"

#include <algorithm>

#include "app/avanzamento.h"
#include "app/controlli.h"

namespace gm {

const std::array<const char*, kColonne> TabellaRecord::kIntestazioni = {
    "Nome/Ragione Sociale", "Indirizzo", "Cap", "Citta", "Pr", "Telefono", "Latitudine", "Longitudine"};

namespace {
constexpr std::array<int, kColonne> kLarghezze = {3000, 2500, 600, 1762, 350, 1100, 900, 900};
constexpr std::array<int, kColonne> kAllineamenti = {1, 1, 4, 1, 4, 6, 6, 6};
}  // namespace

TabellaRecord::TabellaRecord(Controlli& c, Avanzamento& av) : c(c), av(av) {}

void TabellaRecord::ImpostaGriglie() {
    Griglia* tutte[] = {&mfgTab, &c.mfgImp, &c.mfgFind};
    for (Griglia* g : tutte) g->setCols(kColonne);
    mfgTab.setRows(kRigheMinime);
    c.mfgImp.setRows(8);
    c.mfgFind.setRows(8);
    for (int k = 0; k < kColonne; ++k) {
        const QString h = QString::fromLatin1(kIntestazioni[k]);
        mfgTab.setText(0, k, h);
        c.mfgFind.setText(0, k, h);
        for (Griglia* g : tutte) {
            g->setColWidth(k, kLarghezze[k]);
            g->setColAlignment(k, kAllineamenti[k]);
        }
    }
    c.mfgFind.setVisible(false);
    nRecord = 0;
}

void TabellaRecord::Svuota() {
    mfgTab.setRows(1);
    mfgTab.setRows(kRigheMinime);
    nRecord = 0;
    attribuzioni.clear();
    c.txtRec.setText(QStringLiteral("0"));
}

long TabellaRecord::AggiungiRecord(const Record& r) {
    ++nRecord;
    mfgTab.setRows(int(std::max<long>(nRecord + 1, kRigheMinime)));
    mfgTab.setTopRow(int(std::max<long>(nRecord - 15, 1)));
    c.txtRec.setText(QString::number(nRecord));
    scriviRecord(nRecord, r);
    if (nRecord > kMaxRecord) bTabellaPiena = true;
    return nRecord;
}

Record TabellaRecord::record(long r) const {
    Record rec;
    for (int k = 0; k < kColonne; ++k) rec[k] = mfgTab.text(int(r), k);
    return rec;
}

void TabellaRecord::scriviRecord(long r, const Record& rec) {
    mfgTab.setRiga(int(r), QVector<QString>(rec.begin(), rec.end()));
}

void TabellaRecord::OrdinamentoTabella(long& Colonna, long& Tipo) {
    if (Colonna >= mfgTab.cols() - 1) Colonna = mfgTab.cols() - 1;
    if (Colonna < 0) Colonna = 0;
    nRecord = 0;
    for (int r = mfgTab.rows() - 1; r >= 1; --r) {
        if (!mfgTab.text(r, 0).isEmpty()) {
            nRecord = r;
            break;
        }
    }
    mfgTab.inizioModifiche();
    mfgTab.setRows(int(nRecord + 1));
    if (mfgTab.rows() > 1) {
        mfgTab.setSelezione(1, int(Colonna), mfgTab.rows() - 1, int(Colonna));
        mfgTab.ordina(1, mfgTab.rows() - 1, int(Colonna), int(Tipo));
    }
    mfgTab.setRows(int(std::max<long>(nRecord + 1, kRigheMinime)));
    mfgTab.fineModifiche();
    ColonnaOrdinamento = Colonna;
    mfgTab.setSelezione(0, 0, 0, 0);
    av.Cedi();
}

void TabellaRecord::EliminaRigheVuoteTabella() {
    av.AggiornaPercentuale(0, 0);
    c.txt100.setText(QStringLiteral("Elimina righe vuote..."));
    av.Cedi();
    int w = 1;
    mfgTab.inizioModifiche();
    if (mfgTab.rows() > 1) {
        mfgTab.setTopRow(1);
        const int ultima = mfgTab.rows() - 1;
        for (int r = 1; r <= ultima; ++r) {
            if (!mfgTab.text(r, 0).isEmpty()) {
                if (w != r) mfgTab.setRiga(w, mfgTab.riga(r));
                ++w;
            }
        }
    }
    mfgTab.setRows(w);
    mfgTab.fineModifiche();
    long col = ColonnaOrdinamento, tipo = Griglia::CrescenteCase;
    OrdinamentoTabella(col, tipo);
    mfgTab.setTopRow(1);
    if (nRecord == 0) attribuzioni.clear();
    av.AggiornaPercentuale(0, 0);
    c.txtRec.setText(QString::number(nRecord));
}

}  // namespace gm
