// The window on a small screen, used only through the mouse and the keyboard: every control it
// shows can be clicked where it is drawn, in every panel state, and the window fits the screen.
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/finestra.h"
#include "support/ambiente_test.h"
#include "support/widget_test.h"
#include "finestra_aperta.h"

using namespace gm;

namespace {

struct Schermo : test::FinestraAperta {
    void SetUp() override {
        FinestraAperta::SetUp();
        if (HasFatalFailure()) return;
        // Keys go to the active window (a display without window manager activates none).
        fin->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fin.get()));
        attendi();
    }
    static void attendi() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    void riempi(int quanti) {
        for (int i = 0; i < quanti; ++i)
            f->tab.AggiungiRecord({QString("Pizzeria %1").arg(i, 3, 10, QChar('0')), QString("Via Po %1").arg(i), "00100",
                                   "Roma", "RM", QString("06 %1").arg(1000 + i), QString::number(41.9 + i / 1000.0, 'f', 5), "12.50000"});
        attendi();
    }
    // Every control shown can be clicked at its centre; the panel state is named on failure.
    void tuttiRaggiungibili(const char* stato, bool tabellaCoperta = false) {
        attendi();
        QList<const QWidget*> coperti;
        if (tabellaCoperta) coperti << w<QWidget>("frmframe(12)");
        const QStringList problemi = test::ControlliIrraggiungibili(fin.get(), coperti);
        EXPECT_TRUE(problemi.isEmpty()) << stato << ":\n  " << problemi.join("\n  ").toStdString();
    }
    QPoint rigaDellaTabella(int riga) const {  // centre of a data row (from 0) in the viewport
        auto* tab = w<QTableView>("mfgTab");
        return tab->visualRect(tab->model()->index(riga, 1)).center();
    }
    // Whether row r (from 1) of the table is drawn, not under a panel.
    bool rigaVisibile(int r) const {
        auto* tab = w<QTableView>("mfgTab");
        const QRect v = tab->visualRect(tab->model()->index(r - 1, 0));
        return v.isValid() && tab->viewport()->rect().contains(v.center()) &&
               test::Raggiungibile(tab->viewport(), v.center());
    }
};

}  // namespace

TEST_F(Schermo, WindowFitsTheScreenAndIsCentred) {
    const QRect schermo = fin->screen()->availableGeometry();
    const QRect finestra = fin->frameGeometry();
    EXPECT_TRUE(schermo.contains(finestra)) << schermo.width() << "x" << schermo.height();
    EXPECT_LE(std::abs(finestra.center().x() - schermo.center().x()), 1);
    EXPECT_LE(std::abs(finestra.center().y() - schermo.center().y()), 1);
    tuttiRaggiungibili("as it opens");
}

TEST_F(Schermo, EveryPopUpPanelShowsEveryControl) {
    riempi(30);
    Controlli& c = f->c;
    // Each command that opens a panel, pressed with the mouse, and the way it is left.
    test::Clicca(w<QPushButton>("cmdImporta(2)"));
    ASSERT_TRUE(w<QGroupBox>("frmframe(19)")->isVisible());
    tuttiRaggiungibili("manual entry");
    test::Clicca(w<QPushButton>("cmdImp(2)"));

    test::Clicca(w<QPushButton>("cmdImporta(4)"));
    test::Digita(w<QLineEdit>("txtManuale(3)"), "roma");
    test::Clicca(w<QPushButton>("cmdImp(3)"));
    EXPECT_EQ(c.lblesito.caption(), "Sono stati trovati n. 30 record.");
    ASSERT_TRUE(w<QTableView>("mfgFind")->isVisible());
    tuttiRaggiungibili("record search with results");
    test::Clicca(w<QPushButton>("cmdImp(2)"));

    test::Clicca(w<QTableView>("mfgTab")->viewport(), Qt::RightButton, rigaDellaTabella(2));
    ASSERT_TRUE(w<QGroupBox>("frmframe(14)")->isVisible());
    tuttiRaggiungibili("row menu");
    test::Clicca(w<QRadioButton>("optScelta(1)"));
    test::Clicca(w<QPushButton>("cmdScelta(0)"));
    ASSERT_TRUE(w<QGroupBox>("frmframe(19)")->isVisible());
    EXPECT_EQ(w<QPushButton>("cmdImp(3)")->text(), "&Modifica");
    tuttiRaggiungibili("editing a row");
    test::Clicca(w<QPushButton>("cmdImp(2)"));

    c.chkOutput[0]->setValue(true);
    test::Clicca(w<QPushButton>("cmdSalva"));
    ASSERT_TRUE(w<QGroupBox>("frmframe(6)")->isVisible());
    tuttiRaggiungibili("word list for OV2 names", true);
    test::Clicca(w<QPushButton>("cmdImp(6)"));

    p.scrivi("Pizzerie.txt", ";Nome/Ragione Sociale\tIndirizzo\tCap\tCitta\tPr\tTelefono\tLatitudine\tLongitudine\t\r\n"
                             "Da Mario\tVia Po 1\t00100\tRoma\tRM\t06 1\t41.90000\t12.50000\t\r\n");
    c.optIntegr[1]->setValue(true);
    test::Clicca(w<QPushButton>("cmdImporta(0)"));
    ASSERT_TRUE(w<QGroupBox>("frmframe(13)")->isVisible());
    tuttiRaggiungibili("file choice of the import", true);
    c.DirList.setPath(p.cartella.path());
    attendi();
    test::CliccaVoce(w<QListWidget>("lstFile"), "Pizzerie.txt");
    ASSERT_TRUE(w<QGroupBox>("frmframe(9)")->isVisible());
    tuttiRaggiungibili("column mapping of the import");
    test::Clicca(w<QPushButton>("cmdImp(1)"));

    test::Clicca(w<QGroupBox>("frmframe(5)"), Qt::LeftButton, QPoint(w<QGroupBox>("frmframe(5)")->width() - 4, 4));
    ASSERT_TRUE(w<QPlainTextEdit>("txtIstruzioni")->isVisible());
    tuttiRaggiungibili("instructions", true);
    test::Clicca(w<QPlainTextEdit>("txtIstruzioni")->viewport());
    EXPECT_TRUE(w<QGroupBox>("frmframe(0)")->isEnabled());
    tuttiRaggiungibili("back to normal");
}

TEST_F(Schermo, LongOperationsKeepEveryControlInPlaceAndTheTableScrollable) {
    riempi(200);
    auto* tab = w<QTableView>("mfgTab");
    struct Caso {
        const char* nome;
        std::function<void()> avvia;
    } casi[] = {
        {"duplicate elimination", [&] { test::Clicca(w<QPushButton>("cmdDupl")); }},
        {"save", [&] { test::Clicca(w<QPushButton>("cmdSalva")); }},
        {"coordinate pass", [&] { test::Clicca(w<QPushButton>("cmdImporta(1)")); }},
    };
    for (const Caso& caso : casi) {
        bool visto = false;
        f->av.cedi = [&] {
            QApplication::processEvents();
            if (visto || f->c.cmdFine.caption() != "&Stop") return;
            visto = true;
            tuttiRaggiungibili(caso.nome);
            // The table scrolls, but a click on it changes nothing while the operation runs.
            EXPECT_TRUE(tab->isEnabled()) << caso.nome;
            const int prima = tab->verticalScrollBar()->value();
            QWheelEvent rotella(QPointF(50, 50), tab->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(tab->viewport(), &rotella);
            EXPECT_GT(tab->verticalScrollBar()->value(), prima) << caso.nome;
            const long colonna = f->tab.mfgTab.col;
            test::DoppioClick(tab->viewport(), rigaDellaTabella(tab->rowAt(10)));
            EXPECT_EQ(f->tab.mfgTab.col, colonna) << caso.nome;
            EXPECT_FALSE(f->c.frmframe[14]->visible()) << caso.nome;
        };
        p.dialoghi.rispostaPredefinita = true;
        caso.avvia();
        EXPECT_TRUE(visto) << caso.nome;
        f->av.cedi = nullptr;
        attendi();
        EXPECT_TRUE(w<QGroupBox>("frmframe(0)")->isEnabled()) << caso.nome;
    }
}

TEST_F(Schermo, RowMenuOpensBesideTheRowItWasOpenedOn) {
    riempi(60);
    auto* tab = w<QTableView>("mfgTab");
    auto* menu = w<QGroupBox>("frmframe(14)");
    // A row near the top gets the menu below it; the last visible row, above it.
    tab->scrollToTop();
    attendi();
    const int ultima = tab->rowAt(tab->viewport()->height() - tab->rowHeight(0));
    for (int riga : {1, ultima}) {
        test::Clicca(tab->viewport(), Qt::RightButton, rigaDellaTabella(riga));
        ASSERT_TRUE(menu->isVisible());
        const QRect r = tab->visualRect(tab->model()->index(riga, 0));
        const int sopra = tab->viewport()->mapTo(fin.get(), r.topLeft()).y();
        const int sotto = tab->viewport()->mapTo(fin.get(), r.bottomLeft()).y();
        const QRect m(menu->mapTo(fin.get(), QPoint(0, 0)), menu->size());
        if (riga == 1) EXPECT_EQ(m.top(), sotto + 1);
        else EXPECT_EQ(m.bottom(), sopra - 1);
        EXPECT_TRUE(test::Raggiungibile(w<QPushButton>("cmdScelta(1)")));
        test::Clicca(w<QPushButton>("cmdScelta(1)"));
        EXPECT_FALSE(menu->isVisible());
    }
}

TEST_F(Schermo, ToleranceBoxTakesEditingKeysAndTabLeavesIt) {
    auto* tolleranza = w<QLineEdit>("txtDupl");
    test::Digita(tolleranza, "5x.");
    EXPECT_EQ(tolleranza->text(), "15") << "letters and points are refused";
    test::Premi(Qt::Key_Backspace);
    EXPECT_EQ(f->c.txtDupl.text(), "1");
    test::Premi(Qt::Key_Home);
    test::Premi(Qt::Key_Delete);
    EXPECT_EQ(f->c.txtDupl.text(), "");
    EXPECT_FALSE(w<QPushButton>("cmdDupl")->isEnabled());
    test::Premi(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), tolleranza) << "Tab moves on";
    // The same keys work in the boxes whose filters refuse more.
    test::Clicca(w<QPushButton>("cmdImporta(2)"));
    auto* cap = w<QLineEdit>("txtManuale(2)");
    test::Digita(cap, "12a3");
    test::Premi(Qt::Key_Backspace);
    EXPECT_EQ(f->c.txtManuale[2]->text(), "12");
    test::Premi(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w<QLineEdit>("txtManuale(3)"));
}

TEST_F(Schermo, InsertedRecordIsDrawnAboveThePanel) {
    riempi(60);
    test::Clicca(w<QPushButton>("cmdImporta(2)"));
    test::Digita(w<QLineEdit>("txtManuale(0)"), "Nuova");
    test::Digita(w<QLineEdit>("txtManuale(5)"), "061234");
    int beep = 0;
    f->av.segnaleAcustico = [&] { ++beep; };
    test::Clicca(w<QPushButton>("cmdImp(3)"));
    attendi();
    ASSERT_EQ(f->tab.mfgTab.text(f->tab.nRecord, 0), "Nuova");
    EXPECT_TRUE(rigaVisibile(int(f->tab.nRecord)));
    EXPECT_EQ(beep, 1);
}

TEST_F(Schermo, AGivenUpImportLeavesTheCategoryAlone) {
    p.scrivi("rotto.xls", "not a workbook");
    test::Clicca(w<QPushButton>("cmdImporta(0)"));
    f->c.DirList.setPath(p.cartella.path());
    attendi();
    test::CliccaVoce(w<QListWidget>("lstFile"), "rotto.xls");
    if (w<QGroupBox>("frmframe(9)")->isVisible()) test::Clicca(w<QPushButton>("cmdImp(1)"));
    EXPECT_EQ(w<QLineEdit>("txtCosa")->text(), "Pizzerie");
    EXPECT_TRUE(w<QGroupBox>("frmframe(0)")->isEnabled());
}

TEST_F(Schermo, ClosingWithUnsavedRecordsSaysHowManyAndOffersTheSave) {
    riempi(3);
    struct Caso {
        QList<bool> risposte;
        bool chiusa;
        int domande;
    } casi[] = {
        {{true, false}, true, 2},  // close, do not save: closes
        {{false}, false, 1},       // do not close
        {{true, true}, true, 2},   // close, save first: saves, then closes
    };
    for (const Caso& c : casi) {
        p.dialoghi.mostrati.clear();
        p.dialoghi.risposte = c.risposte;
        f->av.bChiusuraConfermata = false;
        bool chiusa = false;
        f->av.terminaProgramma = [&] { chiusa = true; };
        test::Clicca(w<QPushButton>("cmdFine"));
        attendi();
        QStringList domande;
        for (const auto& m : p.dialoghi.mostrati)
            if (m.domanda) domande << m.testo;
        ASSERT_EQ(domande.size(), c.domande) << domande.join("|").toStdString();
        if (c.domande == 2) {
            EXPECT_TRUE(domande[1].contains("3 record sono stati aggiunti o modificati")) << domande[1].toStdString();
        }
        EXPECT_EQ(chiusa, c.chiusa);
        EXPECT_EQ(fin->isVisible(), !c.chiusa);
        f->av.bChiusuraConfermata = false;  // opened again for the next case
        fin->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fin.get()));
    }
    EXPECT_TRUE(QFile::exists(f->amb.sCartellaScaricati + "Pizzerie.txt"));
    // Saved: the exit asks only its own question.
    p.dialoghi.mostrati.clear();
    p.dialoghi.risposte = {false};
    test::Clicca(w<QPushButton>("cmdFine"));
    EXPECT_EQ(p.dialoghi.testi(), QStringList{"Vuoi chiudere l'applicazione?"});
}

TEST_F(Schermo, AnIdleWindowsTimerNeverLocksIt) {
    f->c.tmrClock.usaOrologioManuale();
    f->c.tmrClock.start();  // left running by an operation that has ended
    f->c.tmrClock.avanza(30 * 60000);
    attendi();
    EXPECT_FALSE(f->c.tmrClock.isActive());
    EXPECT_TRUE(w<QGroupBox>("frmframe(0)")->isEnabled());
    EXPECT_EQ(w<QPushButton>("cmdFine")->text(), "&Fine Lavoro");
    EXPECT_FALSE(QFile::exists(f->amb.sCartellaScaricati + "Pizzerie.txt"));
}

TEST_F(Schermo, PastedTextPassesTheKeyFilterToo) {
    struct Caso {
        const char* casella;
        const char* incollato;
        const char* atteso;
    } casi[] = {
        {"txtCosa", "Bar/../../etc:*?", "Pizzerie Baretc"},
        {"txtDupl", "2a5.0", "1250"},
    };
    for (const Caso& c : casi) {
        auto* casella = w<QLineEdit>(c.casella);
        test::Clicca(casella);
        casella->end(false);
        if (QString(c.casella) == "txtCosa") casella->insert(" ");
        QApplication::clipboard()->setText(c.incollato);
        test::Premi(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(casella->text(), c.atteso) << c.casella;
    }
    EXPECT_EQ(f->c.txtDupl.text(), "1250");
}
