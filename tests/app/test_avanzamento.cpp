#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "support/ambiente_test.h"

using namespace gm;

namespace {
const QString kSuggerimento = QStringLiteral("Clicca su un riquadro qualsisi per le istruzioni");
}

TEST(Avanzamento, PercentageTextsAndCaption) {
    struct Caso {
        long totale, corrente;
        const char* etichetta;
        const char* titolo;
        double larghezza;
    } casi[] = {
        {3, 1, "> 33.33% - 1/3", "Geomerce 33% Farmacie", 0.3333},
        {3, 2, "> 66.67% - 2/3", "Geomerce 67% Farmacie", 0.6667},  // 1.5 rounds to even: 2
        {3, 3, "> 66.67% - 3/3", "Geomerce 67% Farmacie", 0.6667},  // 2.5 rounds to even: 2
        {2, 5, "> 100.00% - 5/2", "Geomerce 100% Farmacie", 1.0},
        {40000, 1, "> 0.00% - 1/40000", "Geomerce 0% Farmacie", 0.0},
        {8, 5, "> 50.00% - 5/8", "Geomerce 50% Farmacie", 0.5},
    };
    test::FormDiProva p;
    Form& f = p.avvia();
    f.c.txtCosa.setText("Farmacie");
    f.av.DescrizioneFase = "Ricerca record";
    for (const Caso& k : casi) {
        SCOPED_TRACE(std::to_string(k.totale) + "/" + std::to_string(k.corrente));
        f.av.AggiornaPercentuale(k.totale, k.corrente);
        EXPECT_EQ(f.c.lblPerc.caption(), k.etichetta);
        EXPECT_EQ(f.c.frmBase.caption(), k.titolo);
        EXPECT_NEAR(f.c.txtPerc.larghezza, k.larghezza, 1e-4);
        EXPECT_TRUE(f.c.txtPerc.visible() && f.c.lblPerc.visible());
        // The phase text moves into the filled part from 50 % upward.
        const bool sopra = k.larghezza >= 0.5;
        EXPECT_EQ(f.c.txtPerc.text(), sopra ? "<Ricerca record>" : "");
        EXPECT_EQ(f.c.txt100.text(), sopra ? "" : "<Ricerca record>");
        EXPECT_EQ(f.c.txt100.alignment, 1);
    }
}

TEST(Avanzamento, NonPositiveArgumentsResetTheDisplay) {
    test::FormDiProva p;
    Form& f = p.avvia();
    f.c.txtCosa.setText("Bar");
    for (auto [totale, corrente] : {std::pair{0L, 5L}, {5L, 0L}, {-1L, 3L}, {4L, -2L}}) {
        f.av.AggiornaPercentuale(4, 3);
        f.c.txtProv.setText("RM");
        f.c.txtComune.setText("Roma");
        f.c.txtPag[0]->setText("1");
        f.c.txtPag[1]->setText("20");
        f.c.lblAvanz.setCaption(">>");
        f.av.AggiornaPercentuale(totale, corrente);
        EXPECT_EQ(f.c.frmBase.caption(), "Geomerce");
        EXPECT_EQ(f.c.txt100.text(), kSuggerimento);
        EXPECT_EQ(f.c.txt100.alignment, 2);
        for (CasellaTesto* t : {&f.c.txtPerc, &f.c.txtProv, &f.c.txtComune, f.c.txtPag[0], f.c.txtPag[1]})
            EXPECT_TRUE(t->text().isEmpty()) << t->nome().toStdString();
        EXPECT_TRUE(f.c.lblAvanz.caption().isEmpty());
        EXPECT_EQ(f.c.txtPerc.visible(), totale > 0);
    }
}

TEST(Avanzamento, MinuteTicksDrawArrowsAndSaveEveryTenth) {
    test::FormDiProva p;
    Form& f = p.avvia();
    QList<int> salvataggi;
    f.av.salvaFile = [&](int modo) { salvataggi << modo; };
    const char* frecce[] = {">", ">", ">>", ">>", ">>>", ">>>", ">>>>", ">>>>", ">>>>>", ""};
    for (int t = 1; t <= 10; ++t) {
        f.av.tmrClock_Timer();
        EXPECT_EQ(f.c.lblAvanz.caption(), frecce[t - 1]) << "tick " << t;
        EXPECT_EQ(salvataggi.size(), t == 10 ? 1 : 0);
    }
    EXPECT_EQ(salvataggi, QList<int>{2});
    EXPECT_EQ(f.av.MinutiDaSalvataggio, 0);
    for (int t = 0; t < 10; ++t) f.av.tmrClock_Timer();
    EXPECT_EQ(salvataggi, (QList<int>{2, 2}));
}

TEST(Avanzamento, StopQuestionWhileBusy) {
    for (bool si : {false, true}) {
        test::FormDiProva p;
        Form& f = p.avvia();
        bool terminato = false;
        f.av.terminaProgramma = [&] { terminato = true; };
        f.av.IndicaOccupato(true);
        EXPECT_EQ(f.c.lblFine.backColor(), kVerde);
        p.dialoghi.risposte = {si};
        f.c.cmdFine.click();
        ASSERT_EQ(p.dialoghi.mostrati.size(), 1);
        EXPECT_EQ(p.dialoghi.mostrati[0].testo, "Vuoi interrompere l'elaborazione?");
        EXPECT_EQ(p.dialoghi.mostrati[0].titolo, "Interruzione");
        EXPECT_TRUE(p.dialoghi.mostrati[0].domanda);
        EXPECT_EQ(f.av.bStop, si);
        EXPECT_EQ(f.c.cmdFine.caption(), si ? "&Fine Lavoro" : "&Stop");
        EXPECT_EQ(f.c.lblFine.backColor(), si ? kRosso : kVerde);
        EXPECT_FALSE(terminato);
        EXPECT_FALSE(f.av.bChiusuraConfermata);
    }
}

TEST(Avanzamento, StopCaptionIsComparedIgnoringCase) {
    test::FormDiProva p;
    Form& f = p.avvia();
    f.c.cmdFine.setCaption("&STOP");
    p.dialoghi.risposte = {false};
    f.c.cmdFine.click();
    EXPECT_EQ(p.dialoghi.testi(), QStringList{"Vuoi interrompere l'elaborazione?"});
}

TEST(Avanzamento, ExitQuestionRemovesPageFilesOnYes) {
    for (bool si : {false, true}) {
        test::FormDiProva p;
        Form& f = p.avvia();
        bool terminato = false;
        f.av.terminaProgramma = [&] { terminato = true; };
        for (const char* n : {"mk000001.html", "mk123456.html", "mkaltro.txt"}) p.scrivi(n, "x");
        p.dialoghi.risposte = {si};
        f.c.cmdFine.click();
        ASSERT_EQ(p.dialoghi.mostrati.size(), 1);
        EXPECT_EQ(p.dialoghi.mostrati[0].testo, "Vuoi chiudere l'applicazione?");
        EXPECT_EQ(p.dialoghi.mostrati[0].titolo, "Fine lavoro");
        EXPECT_EQ(terminato, si);
        EXPECT_EQ(f.av.bChiusuraConfermata, si);
        EXPECT_EQ(QFileInfo::exists(p.percorso("mk000001.html")), !si);
        EXPECT_EQ(QFileInfo::exists(p.percorso("mk123456.html")), !si);
        EXPECT_TRUE(QFileInfo::exists(p.percorso("mkaltro.txt")));
    }
}

TEST(Avanzamento, DirectoryMarkersFollowTheirFlags) {
    test::FormDiProva p;
    Form& f = p.avvia();
    auto& o = f.c.lblOrigine;
    for (auto [g, b] : {std::pair{1L, 0L}, {0L, 7L}, {1L, 1L}, {0L, 0L}}) {
        f.av.EvidenziaOrigine(g, b);
        EXPECT_EQ(o[0]->visible(), g != 0);
        EXPECT_EQ(o[3]->visible(), g != 0);
        EXPECT_EQ(o[1]->visible(), b != 0);
        EXPECT_EQ(o[2]->visible(), b != 0);
    }
    EXPECT_EQ(o[0]->foreColor(), kGiallo);
    EXPECT_EQ(o[3]->foreColor(), kGiallo);
    EXPECT_EQ(o[1]->foreColor(), kBianco);
    EXPECT_EQ(o[2]->foreColor(), kBianco);
}

TEST(Pannelli, LockingAndInstructions) {
    test::FormDiProva p;
    Form& f = p.avvia();
    auto tutti = [&](bool e) {
        for (Pannello* q : f.c.frmframe)
            if (q->enabled() != e) return false;
        return true;
    };
    f.c.BloccaFrame(false);
    EXPECT_TRUE(tutti(false));
    f.c.BloccaFrame(true);
    EXPECT_TRUE(tutti(true));  // hidden pop-up panels too
    EXPECT_FALSE(f.c.frmframe[6]->visible());

    EXPECT_FALSE(f.c.txtIstruzioni.visible());
    f.c.frmframe[5]->click();
    EXPECT_TRUE(f.c.txtIstruzioni.visible());
    EXPECT_TRUE(tutti(false));
    f.c.frmframe[0]->click();  // a second click keeps everything locked
    EXPECT_TRUE(tutti(false));
    f.txtIstruzioni_Click();
    EXPECT_FALSE(f.c.txtIstruzioni.visible());
    EXPECT_TRUE(tutti(true));
}

TEST(Pannelli, InstructionsTextFrame) {
    test::FormDiProva p;
    Form& f = p.avvia();
    const QString t = f.c.txtIstruzioni.text();
    EXPECT_TRUE(t.startsWith(f.c.lblCopyr.caption() + "\r\n\r\nIstruzioni:\r\n"
                             "(per chiudere questa finestra, clicca in quest'area)\r\n\r\nRiquadro 'Ricerca':\r\n"));
    EXPECT_TRUE(t.endsWith("doppio lavoro.\r\n\r\nE' consigliabile una connessione ADSL; da escludere un utilizzo "
                           "con modem tradizionale."));
    EXPECT_FALSE(t.contains("\n\n"));  // every line break is CR LF
}
