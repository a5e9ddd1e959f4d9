#include <gtest/gtest.h>

#include <functional>

#include "support/ambiente_test.h"

using namespace gm;

namespace {
struct Menu : ::testing::Test {
    test::FormDiProva prova;
    Form* f = nullptr;
    void SetUp() override {
        f = &prova.avvia();
        f->tab.AggiungiRecord({"Bar Roma", "Via Roma 1", "00100", "Roma", "RM", "061"});
        f->tab.AggiungiRecord({"Pizzeria Sole", "Corso Italia 5", "20100", "Milano", "MI", "021"});
        f->tab.AggiungiRecord({"Bar Centrale", "Piazza Duomo 2", "20121", "Milano", "MI", "022"});
    }
};
}  // namespace

TEST_F(Menu, SearchMatchesAnyFilledBox) {
    struct Caso {
        QStringList caselle;  // boxes 0..7
        int trovati;
    } casi[] = {
        {{"", "", "201"}, 2},             // postal code: beginning only
        {{"", "", "", "lan"}, 2},          // town: anywhere
        {{"centrale", "", "00100"}, 2},    // either box
        {{}, 0},
        {{"", "", "", "", "", "99"}, 0},
    };
    for (const auto& c : casi) {
        f->c.cmdImporta[4]->click();
        EXPECT_TRUE(f->c.frmframe[19]->visible());
        for (int k = 0; k < 8; ++k) f->c.txtManuale[k]->setText(k < c.caselle.size() ? c.caselle[k] : QString());
        f->c.cmdImp[3]->click();
        EXPECT_EQ(f->c.lblesito.caption(), QString("Sono stati trovati n. %1 record.").arg(c.trovati))
            << c.caselle.join('|').toStdString();
        EXPECT_GE(f->c.mfgFind.rows(), 11);
    }
}

TEST_F(Menu, ManualInsertAndProvinceCheck) {
    f->c.cmdImporta[2]->click();
    EXPECT_EQ(f->c.cmdImp[3]->caption(), "&Inserisci");
    for (QChar ch : QString("zq")) f->c.txtManuale[4]->digita(ch);
    ASSERT_FALSE(prova.dialoghi.mostrati.isEmpty());
    EXPECT_EQ(prova.dialoghi.mostrati.last().testo, "La provincia ZQ non esiste!");
    EXPECT_EQ(f->c.txtManuale[4]->text(), "z");
    f->c.txtManuale[4]->setText("to");
    for (QChar ch : QString("12a34567")) f->c.txtManuale[2]->digita(ch);
    EXPECT_EQ(f->c.txtManuale[2]->text(), "12345");
    f->c.txtManuale[1]->setText("via po 3");
    f->c.txtManuale[3]->setText("torino");
    EXPECT_TRUE(f->c.cmdImp[3]->enabled());
    f->c.cmdImp[3]->click();
    EXPECT_EQ(f->tab.nRecord, 4);
    bool trovato = false;
    for (int r = 1; r <= 4; ++r)
        if (f->tab.mfgTab.text(r, 0) == "<Non Indicato>" && f->tab.mfgTab.text(r, 3) == "Torino") trovato = true;
    EXPECT_TRUE(trovato);
}

TEST_F(Menu, RowMenuDeletesOnlyAfterYesAndClearNeedsConfirmation) {
    f->tab.mfgTab.row = 2;
    f->com.mfgTab_MouseDown(2, 0);
    EXPECT_TRUE(f->c.frmframe[14]->visible());
    EXPECT_FALSE(f->c.frmframe[0]->enabled());
    f->c.optScelta[0]->setValue(true);
    prova.dialoghi.risposte = {false};
    f->c.cmdScelta[0]->click();
    EXPECT_EQ(f->tab.nRecord, 3);  // still the record count: the menu keeps its row apart
    EXPECT_EQ(f->com.nRigaMenu, 2);
    f->tab.mfgTab.row = 2;
    f->com.mfgTab_MouseDown(2, 0);
    prova.dialoghi.risposte = {true};
    f->c.cmdScelta[0]->click();
    EXPECT_EQ(f->tab.nRecord, 2);
    EXPECT_TRUE(f->c.frmframe[0]->enabled());
    EXPECT_FALSE(f->c.frmframe[14]->visible());

    prova.dialoghi.risposte = {false};
    f->c.cmdImporta[3]->click();
    EXPECT_EQ(f->tab.nRecord, 2);
    prova.dialoghi.risposte = {true};
    f->c.cmdImporta[3]->click();
    EXPECT_EQ(f->tab.nRecord, 0);
    EXPECT_EQ(f->tab.mfgTab.rows(), 18);
}

TEST_F(Menu, DoubleClickSortsByTheColumn) {
    f->tab.mfgTab.col = 5;
    f->com.mfgTab_DblClick();
    EXPECT_EQ(f->tab.mfgTab.text(1, 5), "021");
    EXPECT_EQ(f->tab.mfgTab.text(3, 5), "061");
}

TEST(Modifica, WritesOnlyTheRowOpenedForEditing) {
    // Charlie, Alpha, Bravo; the row menu opens the edit on Alpha; then something moves the rows
    // before "&Modifica" is pressed.
    struct Caso {
        const char* nome;
        std::function<void(Form&)> intanto;
        QStringList attesi;  // names in the table afterwards, sorted
        bool avviso;         // the edit could not be written
    } casi[] = {
        {"nothing", [](Form&) {}, {"Alfio", "Bravo", "Charlie"}, false},
        {"a sort by name",
         [](Form& f) {
             f.tab.mfgTab.col = 0;
             f.com.mfgTab_DblClick();
         },
         {"Alfio", "Bravo", "Charlie"}, false},
        {"another row deleted",
         [](Form& f) {
             f.tab.mfgTab.row = 1;  // Charlie
             f.com.mfgTab_MouseDown(2, 0);
             f.c.optScelta[0]->setValue(true);
             f.c.cmdScelta[0]->click();
         },
         {"Alfio", "Bravo"}, false},
        {"the edited row deleted",
         [](Form& f) {
             f.tab.mfgTab.row = 2;  // Alpha
             f.com.mfgTab_MouseDown(2, 0);
             f.c.optScelta[0]->setValue(true);
             f.c.cmdScelta[0]->click();
         },
         {"Bravo", "Charlie"}, true},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        test::FormDiProva prova;
        Form& f = prova.avvia();
        int beep = 0;
        f.av.segnaleAcustico = [&] { ++beep; };
        for (const char* nome : {"Charlie", "Alpha", "Bravo"})
            f.tab.AggiungiRecord({nome, QString("Via %1").arg(nome), "00100", "Roma", "RM", ""});
        f.tab.mfgTab.row = 2;
        f.com.mfgTab_MouseDown(2, 0);
        f.c.optScelta[1]->setValue(true);
        f.c.cmdScelta[0]->click();
        ASSERT_EQ(f.c.cmdImp[3]->caption(), "&Modifica");
        EXPECT_EQ(f.c.txtManuale[0]->text(), "Alpha");
        f.c.txtManuale[0]->setText("Alfio");
        c.intanto(f);
        prova.dialoghi.mostrati.clear();
        f.c.cmdImp[3]->click();
        f.tab.EliminaRigheVuoteTabella();
        QStringList nomi;
        for (int r = 1; r <= f.tab.nRecord; ++r) nomi << f.tab.mfgTab.text(r, 0);
        nomi.sort();
        EXPECT_EQ(nomi, c.attesi);
        EXPECT_EQ(!prova.dialoghi.mostrati.isEmpty(), c.avviso) << prova.dialoghi.testi().join("|").toStdString();
        EXPECT_GE(beep, 2) << "row menu closed, edit written";
        EXPECT_FALSE(f.c.frmframe[19]->visible());
        EXPECT_TRUE(f.c.frmframe[0]->enabled());
    }
}

TEST_F(Menu, PanelsOpenWithEmptyBoxes) {
    f->c.cmdImporta[4]->click();
    f->c.txtManuale[6]->setText("41.9");
    f->c.txtManuale[3]->setText("rom");
    f->c.cmdImp[3]->click();
    f->c.cmdImp[2]->click();
    for (int comando : {2, 4}) {
        f->c.cmdImporta[comando]->click();
        for (int k = 0; k < 8; ++k) EXPECT_TRUE(f->c.txtManuale[k]->text().isEmpty()) << comando << " box " << k;
        EXPECT_TRUE(f->c.lblesito.caption().isEmpty());
        f->c.cmdImp[2]->click();
    }
}
