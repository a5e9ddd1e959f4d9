// The minute timer on a clock the test advances: ten minutes pass in no time.
#include <QFile>

#include <gtest/gtest.h>

#include "support/ambiente_test.h"

using namespace gm;

namespace {

struct Orologio : ::testing::Test {
    test::FormDiProva p;
    Form* f = nullptr;
    bool inCorso = true;
    void SetUp() override {
        f = &p.avvia();
        f->c.tmrClock.usaOrologioManuale();
        f->av.operazioneInCorso = [this] { return inCorso; };
        f->c.txtCosa.setText("Farmacie");
        f->tab.AggiungiRecord({"Farmacia Rossi", "Via Po 1", "86100", "Campobasso", "CB", "0874 1", "41.56000", "14.66000"});
    }
    QString file() const { return f->amb.sCartellaScaricati + "Farmacie.txt"; }
    QByteArray primaRiga() const {
        QFile t(file());
        if (!t.open(QIODevice::ReadOnly)) return {};
        return t.readLine().trimmed();
    }
    static constexpr qint64 kMinuto = 60000;
};

}  // namespace

TEST_F(Orologio, TicksEveryMinuteOnlyWhileRunning) {
    f->c.tmrClock.avanza(5 * kMinuto);
    EXPECT_EQ(f->av.MinutiDaSalvataggio, 0) << "a stopped timer does not tick";
    f->c.tmrClock.start();
    f->c.tmrClock.avanza(kMinuto - 1);
    EXPECT_EQ(f->av.MinutiDaSalvataggio, 0);
    f->c.tmrClock.avanza(1);
    EXPECT_EQ(f->av.MinutiDaSalvataggio, 1);
    f->c.tmrClock.avanza(8 * kMinuto);
    EXPECT_FALSE(QFile::exists(file()));
    f->c.tmrClock.avanza(kMinuto);
    EXPECT_TRUE(QFile::exists(file())) << "the tenth minute saves";
    EXPECT_EQ(f->av.MinutiDaSalvataggio, 0);
}

TEST_F(Orologio, TheTimersSaveLeavesTheWindowAsItFoundIt) {
    struct Caso {
        const char* nome;
        bool operazione, bloccato, occupato;
        bool salva;
    } casi[] = {
        {"no operation left (a run that has ended)", false, false, false, false},
        {"a run at work", true, true, true, true},
        {"the end-of-run message still open", true, false, false, true},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        QFile::remove(file());
        inCorso = c.operazione;
        f->c.BloccaFrame(!c.bloccato);
        f->av.IndicaOccupato(c.occupato);
        f->c.tmrClock.start();
        f->c.tmrClock.avanza(10 * kMinuto);
        EXPECT_EQ(QFile::exists(file()), c.salva);
        for (int i = 0; i < 20; ++i) EXPECT_EQ(f->c.frmframe[i]->enabled(), !c.bloccato) << "panel " << i;
        EXPECT_EQ(f->c.cmdFine.caption(), c.occupato ? "&Stop" : "&Fine Lavoro");
        EXPECT_EQ(f->c.tmrClock.isActive(), c.operazione) << "an idle tick stops the timer";
    }
}

TEST_F(Orologio, ResumeHeaderOfTheLastRegionSurvivesLaterTimerSaves) {
    f->av.IndicaOccupato(true);
    f->c.txtRegione.setText("Molise");
    f->salva.SalvaFile(3);
    EXPECT_EQ(primaRiga(), ";Fine Regione: Molise");
    // After the last region the run completes coordinates; no region stands in the panel.
    f->c.txtRegione.setText(QString());
    f->c.tmrClock.start();
    f->c.tmrClock.avanza(10 * kMinuto);
    EXPECT_EQ(primaRiga(), ";Fine Regione: Molise");
    // Within a region the header tells the region being worked.
    f->c.txtRegione.setText("Puglia");
    f->c.tmrClock.avanza(10 * kMinuto);
    EXPECT_EQ(primaRiga(), ";Puglia");
}
