#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/ambiente_test.h"

using namespace gm;

TEST(Avvio, ReadsOnlyTheFirstLineOfTheSettingsFile) {
    struct Caso {
        QByteArray contenuto;
        QString atteso;
    } casi[] = {
        {"pizzerie\r\n", "pizzerie"},
        {"pizzerie\r\nsecondo\r\n", "pizzerie"},
        {"", ""},
        {"Pizzerie Napoli\n", "Pizzerie Napoli"},
    };
    for (const auto& c : casi) {
        test::FormDiProva p;
        p.scrivi("Geomerce.ini", c.contenuto);
        Form& f = p.avvia();
        EXPECT_EQ(f.c.txtCosa.text(), c.atteso);
        EXPECT_FALSE(f.c.cmdCarica.enabled());
    }
}

TEST(Avvio, RemovesLeftoverPageFilesOnly) {
    test::FormDiProva p;
    for (const char* n : {"mk000123.html", "mk4.html", "mk.txt", "altro.html"}) p.scrivi(n, "x");
    p.avvia();
    EXPECT_FALSE(QFileInfo::exists(p.percorso("mk000123.html")));
    EXPECT_FALSE(QFileInfo::exists(p.percorso("mk4.html")));
    EXPECT_TRUE(QFileInfo::exists(p.percorso("mk.txt")));
    EXPECT_TRUE(QFileInfo::exists(p.percorso("altro.html")));
}

TEST(Avvio, DownloadFolderIsFoundInAnyLetterCase) {
    {
        test::FormDiProva p;
        Form& f = p.avvia();
        EXPECT_TRUE(QFileInfo(p.percorso("Filescaricati")).isDir());
        EXPECT_EQ(f.amb.sCartellaScaricati, p.percorso("Filescaricati/"));
    }
    {
        test::FormDiProva p;
        QDir(p.cartella.path()).mkdir("FileScaricati");
        Form& f = p.avvia();
        EXPECT_EQ(QDir(p.cartella.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                  QStringList{"FileScaricati"});
        EXPECT_EQ(f.amb.sCartellaScaricati, p.percorso("FileScaricati/"));
    }
}

TEST(Avvio, PageFileNameCaptionAndInitialState) {
    test::FormDiProva p;
    Form& f = p.avvia();
    EXPECT_TRUE(QRegularExpression("^.*/mk[0-9]{6}\\.html$").match(f.amb.sFilePagina).hasMatch())
        << f.amb.sFilePagina.toStdString();
    EXPECT_TRUE(f.amb.sFilePagina.startsWith(p.cartella.path() + "/"));
    EXPECT_EQ(f.c.lblCopyr.caption(), "Geomerce\r\n - Rel. 1.0.1");
    EXPECT_EQ(f.c.frmBase.caption(), "Geomerce  - Rel. 1.0.1");
    EXPECT_EQ(f.c.lstRegioni.count(), 20);
    EXPECT_FALSE(f.c.tmrClock.isActive());
    EXPECT_FALSE(f.c.frmframe[13]->visible());
    EXPECT_EQ(f.tab.nRecord, 0);
    // Option defaults.
    EXPECT_TRUE(f.c.chkCoord.value());
    EXPECT_TRUE(f.c.chkRicerca[0]->value() && f.c.chkRicerca[1]->value());
    EXPECT_EQ(f.c.txtDupl.text(), "1");
    EXPECT_TRUE(f.c.optIntegr[0]->value());
    EXPECT_FALSE(f.c.optIntegr[1]->value());
    EXPECT_TRUE(f.c.chkOutput[2]->value());
    EXPECT_FALSE(f.c.chkOutput[1]->value() || f.c.chkOutput[0]->value());
    EXPECT_TRUE(f.c.chkArea[0]->value());
    EXPECT_FALSE(f.c.chkArea[1]->value());
}

TEST(Controlli, OptionGroupAndListNotifications) {
    Controlli c;
    c.optIntegr[1]->setValue(true);
    EXPECT_FALSE(c.optIntegr[0]->value());
    int clic = 0;
    QObject::connect(&c.lstProv, &Lista::selezioneCambiata, [&] { ++clic; });
    c.lstProv.addItem("A");
    c.lstProv.setSelected(0, true);
    c.lstProv.setSelected(0, true);  // no change, no event
    c.lstProv.setSelected(0, false);
    EXPECT_EQ(clic, 2);
    c.lstProv.setSelected(0, true);
    c.lstProv.clear();  // clearing a selection is a change too
    EXPECT_EQ(clic, 4);
}

// The box of requests at once: typed digits only; what a run reads from it is within its bounds,
// an empty box is the default, and the box then shows what the run uses.
TEST(Controlli, RequestsAtOnceReadWithinTheirBounds) {
    test::FormDiProva p;
    Form& f = p.avvia();
    EXPECT_EQ(f.c.txtConnessioni.text(), "4");
    f.c.txtConnessioni.setText(QString());
    for (QChar ch : QStringLiteral("a1-2")) f.c.txtConnessioni.digita(ch);
    EXPECT_EQ(f.c.txtConnessioni.text(), "12");
    const struct {
        const char* testo;
        int atteso;
    } casi[] = {{"12", 12}, {"", 4}, {"0", 1}, {"99", 16}, {" 3 ", 3}, {"x", 4}};
    for (const auto& c : casi) {
        f.c.txtConnessioni.setText(QString::fromLatin1(c.testo));
        EXPECT_EQ(f.c.Connessioni(), c.atteso) << c.testo;
        EXPECT_EQ(f.c.txtConnessioni.text(), QString::number(c.atteso)) << c.testo;
    }
}
