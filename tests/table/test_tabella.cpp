#include <gtest/gtest.h>

#include "support/ambiente_test.h"

using namespace gm;

namespace {
struct Tabella : ::testing::Test {
    test::FormDiProva prova;
    TabellaRecord* t = nullptr;
    void SetUp() override { t = &prova.avvia().tab; }
    void nome(int r, const QString& s) { t->mfgTab.setText(r, 0, s); }
    QStringList nomi() const {
        QStringList n;
        for (int r = 1; r <= t->nRecord; ++r) n << t->mfgTab.text(r, 0);
        return n;
    }
};
}  // namespace

TEST_F(Tabella, LayoutAtStartUp) {
    EXPECT_EQ(t->mfgTab.rows(), 18);
    EXPECT_EQ(t->mfgTab.cols(), 8);
    EXPECT_EQ(t->mfgTab.text(0, 0), "Nome/Ragione Sociale");
    EXPECT_EQ(t->mfgTab.text(0, 7), "Longitudine");
    EXPECT_EQ(t->mfgTab.colWidth(3), 1762);
    EXPECT_EQ(t->mfgTab.colAlignment(5), 6);
    EXPECT_EQ(prova.form->c.mfgFind.text(0, 4), "Pr");
    EXPECT_EQ(prova.form->c.mfgImp.rows(), 8);
    EXPECT_FALSE(prova.form->c.mfgFind.visible());
    EXPECT_EQ(t->nRecord, 0);
}

TEST_F(Tabella, EliminaRigheVuoteCompactsAndCounts) {
    t->EliminaRigheVuoteTabella();
    EXPECT_EQ(t->mfgTab.rows(), 18);
    EXPECT_EQ(t->nRecord, 0);
    EXPECT_EQ(prova.form->c.txtRec.text(), "0");

    t->mfgTab.setRows(20);
    nome(1, "c");
    nome(3, "a");
    nome(7, "b");
    t->mfgTab.setText(9, 1, "address of a nameless row");
    t->EliminaRigheVuoteTabella();
    EXPECT_EQ(t->nRecord, 3);
    EXPECT_EQ(t->mfgTab.rows(), 18);
    EXPECT_EQ(nomi(), QStringList({"a", "b", "c"}));
    EXPECT_TRUE(t->mfgTab.text(4, 1).isEmpty());
    EXPECT_EQ(prova.form->c.txtRec.text(), "3");
}

TEST_F(Tabella, SortKindsAndColumnLimit) {
    struct Caso {
        long tipo;
        QStringList atteso;
    } casi[] = {
        {7, {"Zeta", "alfa", "beta"}},
        {5, {"alfa", "beta", "Zeta"}},
        {6, {"Zeta", "beta", "alfa"}},
    };
    for (const auto& c : casi) {
        nome(1, "beta");
        nome(2, "Zeta");
        nome(3, "alfa");
        long col = 0, tipo = c.tipo;
        t->OrdinamentoTabella(col, tipo);
        EXPECT_EQ(nomi(), c.atteso) << c.tipo;
    }
    long col = 12, tipo = 7;
    t->OrdinamentoTabella(col, tipo);
    EXPECT_EQ(col, 7);
    EXPECT_EQ(t->ColonnaOrdinamento, 7);
}

TEST_F(Tabella, SortMovesWholeRows) {
    t->AggiungiRecord({"B", "Via 2", "00100", "Roma", "RM", "06 2", "41.9", "12.5"});
    t->AggiungiRecord({"A", "Via 1", "20100", "Milano", "MI", "02 1", "45.4", "9.1"});
    t->Ordina(0, 5);
    EXPECT_EQ(t->record(1), (Record{"A", "Via 1", "20100", "Milano", "MI", "02 1", "45.4", "9.1"}));
    EXPECT_EQ(t->record(2)[kCitta], "Roma");
}

TEST_F(Tabella, AppendRaisesTableFullAfterTheLimit) {
    for (long i = 1; i <= TabellaRecord::kMaxRecord; ++i) t->AggiungiRecord({QString::number(i)});
    EXPECT_FALSE(t->bTabellaPiena);
    EXPECT_EQ(t->mfgTab.rows(), TabellaRecord::kMaxRecord + 1);
    EXPECT_EQ(t->mfgTab.topRow(), TabellaRecord::kMaxRecord - 15);
    t->AggiungiRecord({"ultimo"});
    EXPECT_TRUE(t->bTabellaPiena);
    EXPECT_EQ(t->nRecord, TabellaRecord::kMaxRecord + 1);
    EXPECT_EQ(t->mfgTab.text(int(t->nRecord), 0), "ultimo");
    EXPECT_EQ(prova.form->c.txtRec.text(), "40001");
}
