#include <gtest/gtest.h>

#include "support/ambiente_test.h"

using namespace gm;

namespace {

struct Selezione : ::testing::Test {
    test::FormDiProva p;
    Form* f = nullptr;
    Controlli* c = nullptr;
    void SetUp() override {
        f = &p.avvia();
        c = &f->c;
    }
    void seleziona(Lista& l, const QString& voce, bool s = true) {
        const int i = l.voci().indexOf(voce);
        ASSERT_GE(i, 0) << voce.toStdString();
        l.setSelected(i, s);
    }
    static QStringList selezionate(const Lista& l) {
        QStringList r;
        for (int i = 0; i < l.count(); ++i)
            if (l.selected(i)) r << l.item(i);
        return r;
    }
};

}  // namespace

TEST_F(Selezione, CascadeFollowsEveryStateOfTheListsAbove) {
    // Each step changes one selection and names what the lists below must show.
    struct Passo {
        const char* lista;  // "R" regions, "P" provinces
        const char* voce;
        bool seleziona;
        QStringList province;      // first entries of lstProv (all when short)
        int nProvince;
        QStringList provSelez;
        int nComuni;
        QStringList comuniSelez;
        bool reset3, reset5;
    } passi[] = {
        {"R", "Lazio", true, {"Frosinone", "Latina", "Rieti", "Roma", "Viterbo"}, 5, {}, 0, {}, true, true},
        {"P", "Roma", true, {"Frosinone", "Latina", "Rieti", "Roma", "Viterbo"}, 5, {"Roma"}, 120, {}, true, true},
        {"P", "Latina", true, {}, 5, {"Latina", "Roma"}, 1, {"<Tutti>"}, true, false},
        {"P", "Roma", false, {}, 5, {"Latina"}, 33, {}, true, true},
        {"P", "Latina", false, {}, 5, {}, 0, {}, true, true},
        {"R", "Umbria", true, {"<Tutte>"}, 1, {"<Tutte>"}, 1, {"<Tutti>"}, false, false},
        {"R", "Lazio", false, {"Perugia", "Terni"}, 2, {}, 0, {}, true, true},
        {"R", "Umbria", false, {}, 0, {}, 0, {}, true, true},
    };
    c->txtCosa.setText("Pizzerie");
    for (const Passo& s : passi) {
        SCOPED_TRACE(std::string(s.lista) + " " + s.voce + (s.seleziona ? " +" : " -"));
        seleziona(*s.lista == 'R' ? c->lstRegioni : c->lstProv, s.voce, s.seleziona);
        EXPECT_EQ(c->lstProv.count(), s.nProvince);
        if (!s.province.isEmpty()) {
            EXPECT_EQ(c->lstProv.voci().mid(0, s.province.size()), s.province);
        }
        EXPECT_EQ(selezionate(c->lstProv), s.provSelez);
        EXPECT_EQ(c->lstComuni.count(), s.nComuni);
        EXPECT_EQ(selezionate(c->lstComuni), s.comuniSelez);
        EXPECT_EQ(c->cmdSelez[3]->enabled(), s.reset3);
        EXPECT_EQ(c->cmdSelez[5]->enabled(), s.reset5);
        EXPECT_EQ(c->cmdCarica.enabled(), c->lstRegioni.selectedCount() > 0);
    }
}

TEST_F(Selezione, SelectAllAndResetButtonsCascadeDown) {
    c->cmdSelez[0]->click();
    EXPECT_EQ(c->lstRegioni.selectedCount(), 20);
    EXPECT_EQ(c->lstProv.voci(), QStringList{"<Tutte>"});
    EXPECT_EQ(c->lstComuni.voci(), QStringList{"<Tutti>"});
    EXPECT_TRUE(c->lstComuni.selected(0));
    c->cmdSelez[1]->click();
    EXPECT_EQ(c->lstRegioni.selectedCount(), 0);
    EXPECT_EQ(c->lstProv.count(), 0);
    EXPECT_EQ(c->lstComuni.count(), 0);

    seleziona(c->lstRegioni, "Umbria");
    c->cmdSelez[2]->click();  // both provinces: everything below them
    EXPECT_EQ(selezionate(c->lstProv), (QStringList{"Perugia", "Terni"}));
    EXPECT_EQ(c->lstComuni.voci(), QStringList{"<Tutti>"});
    c->cmdSelez[3]->click();
    EXPECT_EQ(c->lstComuni.count(), 0);

    seleziona(c->lstProv, "Terni");
    c->cmdSelez[4]->click();
    EXPECT_EQ(c->lstComuni.selectedCount(), c->lstComuni.count());
    c->cmdSelez[5]->click();
    EXPECT_EQ(c->lstComuni.selectedCount(), 0);
    EXPECT_GT(c->lstComuni.count(), 0);  // reset keeps the entries
}

TEST_F(Selezione, SearchButtonNeedsCategoryAndRegion) {
    struct Caso {
        const char* categoria;
        int regioni;
        bool atteso;
    } casi[] = {{"", 0, false}, {"", 1, false}, {"Bar", 0, false}, {"Bar", 1, true}, {"Bar", 3, true}};
    for (const Caso& k : casi) {
        SCOPED_TRACE(std::string(k.categoria) + " " + std::to_string(k.regioni));
        c->cmdSelez[1]->click();
        c->txtCosa.setText(k.categoria);
        for (int i = 0; i < k.regioni; ++i) c->lstRegioni.setSelected(i, true);
        EXPECT_EQ(c->cmdCarica.enabled(), k.atteso);
    }
    // Changes below the regions do not re-evaluate it.
    c->cmdSelez[1]->click();
    c->txtCosa.setText("Bar");
    seleziona(c->lstRegioni, "Molise");
    c->cmdCarica.setEnabled(false);
    seleziona(c->lstProv, "Isernia");
    EXPECT_FALSE(c->cmdCarica.enabled());
}

TEST(SelezioneAvvio, SettingsCategoryPlusOneRegionEnablesSearch) {
    test::FormDiProva p;
    p.scrivi("Geomerce.ini", "Farmacie\r\n");
    Form& f = p.avvia();
    EXPECT_FALSE(f.c.cmdCarica.enabled());
    f.c.lstRegioni.setSelected(3, true);
    EXPECT_TRUE(f.c.cmdCarica.enabled());
}

TEST_F(Selezione, CategoryKeyFilter) {
    struct Caso {
        char16_t tasto;
        bool passa;
    } casi[] = {{u'a', true},  {u'Z', true},  {u'A', true},  {u'0', true},   {u'9', true},  {u' ', true},
                {u',', true},  {u'\b', true}, {u'\r', true}, {u'\x1f', true}, {u'è', false}, {u'\'', false},
                {u'-', false}, {u'.', false}, {u'!', false}, {u'À', false}};
    for (const Caso& k : casi) {
        SCOPED_TRACE(int(k.tasto));
        EXPECT_EQ(c->txtCosa.keyPress(k.tasto), k.passa ? int(k.tasto) : 0);
    }
    c->txtCosa.setText(QString());
    for (QChar ch : QStringLiteral("Caffè-Bar 2'A")) c->txtCosa.digita(ch);
    EXPECT_EQ(c->txtCosa.text(), "CaffBar 2A");
}

TEST_F(Selezione, RunListsSelectEverythingOfTheCurrentArea) {
    // Region 7 is Lazio, its province 4 Roma (table order).
    f->sel.CaricaListaProvince(7);
    EXPECT_EQ(c->lstProv.count(), 5);
    EXPECT_EQ(c->lstProv.selectedCount(), 5);
    f->sel.CaricaListaComuni(7, 4);
    EXPECT_EQ(c->lstComuni.count(), 120);
    EXPECT_EQ(c->lstComuni.selectedCount(), 120);
    EXPECT_EQ(c->lstComuni.listIndex(), 0);  // selected from the last down to the first
}
