// Search runs with the coordinate memory against the built-in directory service: what a second
// run asks, counted in the service's own request log.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "net/testo.h"
#include "support/ambiente_test.h"
#include "support/simulatore.h"

using namespace gm;

namespace {

const QString kCosa = QStringLiteral("Ristorante");

class CorsaConMemoria : public test::CorsaSulSimulatore {
protected:
    void SetUp() override {
        CorsaSulSimulatore::SetUp();
        f->c.chkCoord.setValue(true);
        f->coord.memoria.msAttesa = 50;
    }

    // One municipality, both directories; the table is emptied first.
    QVector<Record> Cerca(const QString& comune = QStringLiteral("Muggia")) {
        DimenticaRichieste();
        prova.dialoghi.mostrati.clear();
        f->tab.Svuota();
        f->c.txtCosa.setText(kCosa);
        Scegli(f->c.lstRegioni, "Friuli Venezia Giulia");
        Scegli(f->c.lstProv, "Trieste");
        Scegli(f->c.lstComuni, comune);
        f->c.cmdCarica.click();
        QVector<Record> r;
        for (long i = 1; i <= f->tab.nRecord; ++i) r << f->tab.record(i);
        return r;
    }
    static void Scegli(Lista& l, const QString& nome) {
        for (int i = 0; i < l.count(); ++i) {
            const bool si = Uguale(l.item(i), nome);
            if (l.selected(i) != si) {
                l.setListIndex(i);
                l.setSelected(i, si);
            }
        }
    }

    // Requests for coordinates: map pages, reverse lookups, searches by name, the geocoder.
    QStringList RichiesteCoordinate() const {
        static const QRegularExpression coordinate(
            QStringLiteral("build_map\\.cgi|execute\\.cgi\\?.*tr=10[678]|places\\.cgi|pgsearch\\.cgi\\?.*cb=0&ind=(?!&nc=&qs=") +
            kCosa + QStringLiteral("&)"));
        return Richieste().filter(coordinate);
    }
    QString Messaggi() const { return prova.dialoghi.testi().join(" | "); }
};

}  // namespace

TEST_F(CorsaConMemoria, SecondRunAsksNothingForUnchangedRecordsAndGivesTheSameTable) {
    const QVector<Record> prima = Cerca();
    const int richiestePrima = int(RichiesteCoordinate().size());
    ASSERT_GT(prima.size(), 5);
    ASSERT_GT(richiestePrima, prima.size());
    int senzaPosizione = 0;
    for (const Record& r : prima) senzaPosizione += r[kLatitudine].isEmpty();
    ASSERT_EQ(senzaPosizione, 0) << "choose an area whose records all find coordinates";
    EXPECT_GT(f->coord.memoria.registrate, 0);
    EXPECT_TRUE(QFile::exists(prova.percorso("Geomerce.db")));

    const QVector<Record> dopo = Cerca();
    EXPECT_EQ(RichiesteCoordinate(), QStringList());
    EXPECT_EQ(dopo, prima);
    EXPECT_TRUE(Messaggi().endsWith("Elaborazione terminata")) << Messaggi().toStdString();
    // The directories' result pages are still asked: the memory holds positions, not listings.
    EXPECT_GT(Richieste().size(), 0);
}

TEST_F(CorsaConMemoria, ExpiredEntriesAndTheSwitchAskAgain) {
    const QVector<Record> prima = Cerca();
    const int richiestePrima = int(RichiesteCoordinate().size());
    ASSERT_GT(richiestePrima, 0);
    struct Caso {
        int giorniDopo;
        bool memoria;
        bool chiedeDiNuovo;
    };
    const Caso casi[] = {{180, true, false}, {181, true, true}, {0, false, true}};
    for (const Caso& k : casi) {
        SCOPED_TRACE(testing::Message() << k.giorniDopo << " days later, memory " << k.memoria);
        const QDate oggi = QDate::currentDate().addDays(k.giorniDopo);
        f->coord.memoria.oggi = [oggi] { return oggi; };
        f->c.chkMemoria.setValue(k.memoria);
        const QVector<Record> dopo = Cerca();
        EXPECT_EQ(dopo, prima);
        // Without memory even a row asked twice within the run (the pass at the end) is asked twice.
        if (!k.memoria)
            EXPECT_GE(RichiesteCoordinate().size(), richiestePrima);
        else
            EXPECT_EQ(RichiesteCoordinate().size(), k.chiedeDiNuovo ? richiestePrima : 0);
    }
}

TEST_F(CorsaConMemoria, CoordinatePassAsksOnlyForTheRowWhoseTelephoneChanged) {
    Cerca();
    ASSERT_GT(f->tab.nRecord, 3);
    auto& g = f->tab.mfgTab;
    // The user clears the coordinates of two rows and corrects the telephone of one of them.
    const QString vecchio = g.text(1, kTelefono);
    const QString nuovo = QString(vecchio).remove(' ').chopped(1) + (vecchio.endsWith('9') ? "8" : "9");
    g.setText(1, kTelefono, nuovo);
    const QString rimasto = g.text(2, kTelefono);
    for (int r : {1, 2}) {
        g.setText(r, kLatitudine, QString());
        g.setText(r, kLongitudine, QString());
    }
    DimenticaRichieste();
    f->com.bCaricaAbilitato = true;
    f->coord.CompletaCoordinateMancanti(1);

    const QStringList chieste = RichiesteCoordinate();
    ASSERT_FALSE(chieste.isEmpty());
    const QStringList inverse = chieste.filter("tr=106");
    ASSERT_FALSE(inverse.isEmpty());
    for (const QString& r : inverse) EXPECT_TRUE(r.contains("qs=" + nuovo)) << r.toStdString();
    EXPECT_TRUE(chieste.filter(QString(rimasto).remove(' ')).isEmpty());
    for (long r = 1; r <= f->tab.nRecord; ++r)
        if (g.text(int(r), kTelefono) == rimasto) EXPECT_FALSE(g.text(int(r), kLatitudine).isEmpty());
}

TEST_F(CorsaConMemoria, DamagedMemoryIsSetAsideOnceAndTheRunEndsNormally) {
    prova.scrivi("Geomerce.db", QByteArray("SQLite format 3\0 rovinato", 26) + QByteArray(5000, '\x5a'));
    const QVector<Record> prima = Cerca();
    ASSERT_FALSE(prima.isEmpty());
    EXPECT_EQ(prova.dialoghi.testi().filter("messo da parte").size(), 1) << Messaggi().toStdString();
    EXPECT_TRUE(Messaggi().endsWith("Elaborazione terminata"));
    EXPECT_EQ(QDir(prova.cartella.path()).entryList({"Geomerce-danneggiato-*.db"}).size(), 1);
    // The new memory already serves the next run.
    Cerca();
    EXPECT_EQ(RichiesteCoordinate(), QStringList());
}
