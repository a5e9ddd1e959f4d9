#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
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

struct Finestre : test::FinestraAperta {
    // A user's click on a list entry.
    void clicca(const QString& lista, const QString& voce) { test::CliccaVoce(w<QListWidget>(lista), voce); }
    static QStringList voci(const QListWidget* l) {
        QStringList r;
        for (int i = 0; i < l->count(); ++i) r << l->item(i)->text();
        return r;
    }
    static QStringList selezionate(const QListWidget* l) {
        QStringList r;
        for (int i = 0; i < l->count(); ++i)
            if (l->item(i)->isSelected()) r << l->item(i)->text();
        return r;
    }
    // Keys as a keyboard sends them: the character travels in the event's text.
    static void digita(QWidget* x, const QString& testo) {
        for (QChar ch : testo) {
            const int tasto = ch == u'\b' ? Qt::Key_Backspace : Qt::Key_unknown;
            QKeyEvent giu(QEvent::KeyPress, tasto, Qt::NoModifier, QString(ch));
            QKeyEvent su(QEvent::KeyRelease, tasto, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(x, &giu);
            QApplication::sendEvent(x, &su);
        }
    }
    static void attendi() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
};

}  // namespace

TEST_F(Finestre, ClickingRegionsDrivesTheCascade) {
    auto* prov = w<QListWidget>("lstProv");
    auto* comuni = w<QListWidget>("lstComuni");
    clicca("lstRegioni", "Lazio");
    EXPECT_TRUE(f->c.lstRegioni.selected(f->c.lstRegioni.voci().indexOf("Lazio")));
    EXPECT_EQ(voci(prov), (QStringList{"Frosinone", "Latina", "Rieti", "Roma", "Viterbo"}));
    EXPECT_TRUE(selezionate(prov).isEmpty());
    EXPECT_TRUE(w<QPushButton>("cmdCarica")->isEnabled());  // category from the settings file

    clicca("lstProv", "Roma");
    EXPECT_EQ(comuni->count(), 120);
    EXPECT_EQ(f->c.lstComuni.count(), 120);
    EXPECT_TRUE(w<QPushButton>("cmdSelez(5)")->isEnabled());

    clicca("lstRegioni", "Umbria");
    EXPECT_EQ(voci(prov), QStringList{"<Tutte>"});
    EXPECT_EQ(selezionate(prov), QStringList{"<Tutte>"});
    EXPECT_EQ(selezionate(comuni), QStringList{"<Tutti>"});
    EXPECT_FALSE(w<QPushButton>("cmdSelez(3)")->isEnabled());
    EXPECT_FALSE(w<QPushButton>("cmdSelez(5)")->isEnabled());

    clicca("lstRegioni", "Lazio");
    clicca("lstRegioni", "Umbria");
    EXPECT_EQ(prov->count(), 0);
    EXPECT_EQ(comuni->count(), 0);
    EXPECT_FALSE(w<QPushButton>("cmdCarica")->isEnabled());
}

TEST_F(Finestre, SelectAllButtonSelectsEveryEntryInTheWidget) {
    QTest::mouseClick(w<QPushButton>("cmdSelez(0)"), Qt::LeftButton);
    EXPECT_EQ(selezionate(w<QListWidget>("lstRegioni")).size(), 20);
    EXPECT_EQ(selezionate(w<QListWidget>("lstProv")), QStringList{"<Tutte>"});
    QTest::mouseClick(w<QPushButton>("cmdSelez(1)"), Qt::LeftButton);
    EXPECT_TRUE(selezionate(w<QListWidget>("lstRegioni")).isEmpty());
    EXPECT_EQ(w<QListWidget>("lstProv")->count(), 0);
}

TEST_F(Finestre, CategoryTypingGoesThroughTheKeyFilter) {
    auto* cosa = w<QLineEdit>("txtCosa");
    auto* carica = w<QPushButton>("cmdCarica");
    clicca("lstRegioni", "Molise");
    ASSERT_TRUE(carica->isEnabled());
    cosa->selectAll();
    digita(cosa, "\b");
    EXPECT_EQ(f->c.txtCosa.text(), "");
    EXPECT_FALSE(carica->isEnabled());
    digita(cosa, "Caffè-Bar 'A',2");
    EXPECT_EQ(cosa->text(), "CaffBar A,2");
    EXPECT_EQ(f->c.txtCosa.text(), "CaffBar A,2");
    EXPECT_TRUE(carica->isEnabled());
    EXPECT_EQ(carica->text(), "&Ricerca PDI");
}

TEST_F(Finestre, DroppedKeysNeverReachTheWidget) {
    // The postal-code box of the manual entry takes digits only.
    auto* cap = w<QLineEdit>("txtManuale(2)");
    digita(cap, "a1b2");
    EXPECT_EQ(cap->text(), "12");
    EXPECT_EQ(f->c.txtManuale[2]->text(), "12");
}

TEST_F(Finestre, ModelChangesByCodeShowInTheWidgets) {
    Controlli& c = f->c;
    auto* comuni = w<QListWidget>("lstComuni");
    c.lstRegioni.setSelected(c.lstRegioni.voci().indexOf("Lazio"), true);
    c.lstProv.setSelected(c.lstProv.voci().indexOf("Roma"), true);
    ASSERT_EQ(comuni->count(), 120);
    c.lstComuni.setItem(3, "Riscritto");
    EXPECT_EQ(comuni->item(3)->text(), "Riscritto");
    c.lstComuni.setSelected(7, true);
    EXPECT_EQ(selezionate(comuni), QStringList{c.lstComuni.item(7)});
    c.lstComuni.setTopIndex(50);
    attendi();
    EXPECT_EQ(comuni->verticalScrollBar()->value(), 50);
    EXPECT_EQ(c.lstComuni.topIndex(), 50);  // the echo did not move it
    c.lstComuni.clear();
    EXPECT_EQ(comuni->count(), 0);

    f->av.IndicaOccupato(true);
    EXPECT_EQ(w<QPushButton>("cmdFine")->text(), "&Stop");
    EXPECT_EQ(w<QLabel>("lblFine")->palette().color(QPalette::Window), QColor(0, 255, 0));
    f->av.IndicaOccupato(false);
    EXPECT_EQ(w<QLabel>("lblFine")->palette().color(QPalette::Window), QColor(255, 0, 0));

    c.chkOutput[0]->setValue(true);
    EXPECT_TRUE(w<QCheckBox>("chkOutput(0)")->isChecked());
    c.optIntegr[1]->setValue(true);
    EXPECT_TRUE(w<QRadioButton>("optIntegr(1)")->isChecked());
    EXPECT_FALSE(w<QRadioButton>("optIntegr(0)")->isChecked());

    EXPECT_FALSE(w<QGroupBox>("frmframe(19)")->isVisible());
    c.frmframe[19]->setVisible(true);
    EXPECT_TRUE(w<QGroupBox>("frmframe(19)")->isVisible());
    c.frmframe[19]->setVisible(false);

    auto* tab = w<QTableView>("mfgTab");
    for (int i = 0; i < 40; ++i)
        f->tab.AggiungiRecord({QString("Nome %1").arg(i), "Via Roma 1", "00100", "Roma", "RM", "06 1", "", ""});
    attendi();
    EXPECT_EQ(tab->model()->index(39, 0).data().toString(), "Nome 39");
    // The append protocol scrolls toward the newest records (first row nRecord - 15).
    EXPECT_GE(tab->verticalScrollBar()->value(), std::min(40 - 15 - 1, tab->verticalScrollBar()->maximum()) - 2);
}

TEST_F(Finestre, UserChoicesReachTheModels) {
    QTest::mouseClick(w<QCheckBox>("chkCoord"), Qt::LeftButton);
    EXPECT_FALSE(f->c.chkCoord.value());
    QTest::mouseClick(w<QCheckBox>("chkMemoria"), Qt::LeftButton);
    EXPECT_FALSE(f->c.chkMemoria.value());
    QTest::mouseClick(w<QRadioButton>("optIntegr(1)"), Qt::LeftButton);
    EXPECT_TRUE(f->c.optIntegr[1]->value());
    EXPECT_FALSE(f->c.optIntegr[0]->value());
    QTest::mouseClick(w<QRadioButton>("optIntegr(1)"), Qt::LeftButton);  // clicking it again keeps it
    EXPECT_TRUE(w<QRadioButton>("optIntegr(1)")->isChecked());
    // Unticking every output disables the save button.
    QTest::mouseClick(w<QCheckBox>("chkOutput(2)"), Qt::LeftButton);
    EXPECT_FALSE(w<QPushButton>("cmdSalva")->isEnabled());
    // A navigator format alone is a choice too; the plain OV2 box reaches its model.
    EXPECT_EQ(w<QCheckBox>("chkOutput(4)")->text(), "kml (Google Earth)");
    QTest::mouseClick(w<QCheckBox>("chkOutput(3)"), Qt::LeftButton);
    EXPECT_TRUE(f->c.chkOutput[3]->value());
    EXPECT_TRUE(w<QPushButton>("cmdSalva")->isEnabled());
    QTest::mouseClick(w<QCheckBox>("chkOv2Semplice"), Qt::LeftButton);
    EXPECT_TRUE(f->c.chkOv2Semplice.value());
}

TEST_F(Finestre, PanelClickShowsInstructionsAndTheirClickHidesThem) {
    auto* istruzioni = w<QPlainTextEdit>("txtIstruzioni");
    auto* p5 = w<QGroupBox>("frmframe(5)");
    EXPECT_FALSE(istruzioni->isVisible());
    // The label and text box inside the panel are not the panel.
    QTest::mouseClick(w<QLineEdit>("txtCosa"), Qt::LeftButton);
    EXPECT_FALSE(istruzioni->isVisible());
    QTest::mouseClick(p5, Qt::LeftButton, {}, QPoint(p5->width() - 3, p5->height() - 3));
    EXPECT_TRUE(istruzioni->isVisible());
    EXPECT_TRUE(istruzioni->toPlainText().startsWith("Geomerce\n - Rel."));
    EXPECT_FALSE(w<QGroupBox>("frmframe(0)")->isEnabled());
    EXPECT_FALSE(w<QListWidget>("lstRegioni")->isEnabled());
    EXPECT_TRUE(w<QPushButton>("cmdFine")->isEnabled());  // outside every panel
    QTest::mouseClick(istruzioni->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(istruzioni->isVisible());
    EXPECT_TRUE(w<QGroupBox>("frmframe(0)")->isEnabled());
    EXPECT_TRUE(w<QListWidget>("lstRegioni")->isEnabled());
}

TEST_F(Finestre, ClosingWhenIdleAsksTheExitQuestion) {
    p.dialoghi.risposte = {false};
    fin->close();
    attendi();
    EXPECT_TRUE(fin->isVisible());
    EXPECT_EQ(p.dialoghi.testi(), QStringList{"Vuoi chiudere l'applicazione?"});

    p.dialoghi.risposte = {true};
    fin->close();
    attendi();
    EXPECT_FALSE(fin->isVisible());
    EXPECT_TRUE(f->av.bChiusuraConfermata);
}

TEST_F(Finestre, ClosingWhileBusyAsksTheStopQuestion) {
    f->av.IndicaOccupato(true);
    p.dialoghi.risposte = {true};
    fin->close();
    attendi();
    EXPECT_TRUE(fin->isVisible());
    EXPECT_EQ(p.dialoghi.testi(), QStringList{"Vuoi interrompere l'elaborazione?"});
    EXPECT_TRUE(f->av.bStop);
    EXPECT_EQ(w<QPushButton>("cmdFine")->text(), "&Fine Lavoro");
}

TEST_F(Finestre, WindowNeverClosesInTheMiddleOfASave) {
    for (int i = 0; i < 30; ++i)
        f->tab.AggiungiRecord({QString("Pizzeria %1").arg(i), QString("Via Po %1").arg(i), "00100", "Roma", "RM",
                               QString("06 %1").arg(100 + i), "41.90000", "12.50000"});
    f->c.txtDupl.setText("0");  // no proximity pass: straight to the files
    // The user closes the window twice while the save yields: stop, then exit.
    bool chiusoDurante = false;
    int turni = 0;
    f->av.cedi = [&] {
        if (++turni == 3) {
            p.dialoghi.risposte = {true, true};
            fin->close();
            fin->close();
        }
        QApplication::processEvents();  // as the real yield does
        chiusoDurante = chiusoDurante || !fin->isVisible();
    };
    QTest::mouseClick(w<QPushButton>("cmdSalva"), Qt::LeftButton);
    EXPECT_EQ(turni >= 3, true);
    EXPECT_FALSE(chiusoDurante);
    QStringList attese{"Vuoi interrompere l'elaborazione?", "Vuoi chiudere l'applicazione?"};
    EXPECT_EQ(p.dialoghi.testi().mid(0, 2), attese);
    attendi();
    EXPECT_FALSE(fin->isVisible());  // closed once the save had returned
}

TEST_F(Finestre, TableViewKeepsFixedRowHeights) {
    auto* tab = w<QTableView>("mfgTab");
    EXPECT_EQ(tab->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(tab->model(), &f->tab.mfgTab);
}
