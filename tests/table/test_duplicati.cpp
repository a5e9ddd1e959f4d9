#include <gtest/gtest.h>

#include "support/ambiente_test.h"

using namespace gm;

namespace {
struct Duplicato : ::testing::Test {
    test::FormDiProva prova;
    Form* f = nullptr;
    void SetUp() override { f = &prova.avvia(); }
    void carica(const QList<Record>& righe) {
        f->tab.Svuota();
        for (const Record& r : righe) f->tab.AggiungiRecord(r);
    }
    QStringList nomi() const {
        QStringList n;
        for (int r = 1; r <= f->tab.nRecord; ++r) n << f->tab.mfgTab.text(r, 0);
        n.sort();
        return n;
    }
};
}  // namespace

TEST_F(Duplicato, ObviousDuplicates) {
    struct Caso {
        const char* nome;
        QList<Record> righe;
        QStringList restano;
    } casi[] = {
        {"same telephone, any case",
         {{"A", "Via 1", "00100", "Roma", "RM", "06 1A"}, {"B", "Via 2", "00100", "Roma", "RM", "06 1a"}},
         {"A"}},
        {"no telephone never merged by phone, merged by address",
         {{"A", "Via 1", "00100", "Roma", "RM", ""}, {"B", "Via 1", "00100", "Roma", "RM", ""},
          {"C", "Via 9", "00100", "Roma", "RM", ""}},
         {"A", "C"}},
        {"the one with coordinates survives",
         {{"Senza", "Via 1", "00100", "Roma", "RM", ""}, {"Con", "Via 1", "00100", "Roma", "RM", "", "41.9", "12.5"}},
         {"Con"}},
        {"keys joined without separator",
         {{"X", "Via 1", "20100", "Roma", "RM", ""}, {"Y", "Via 12", "0100", "Roma", "RM", ""}},
         {"X"}},
        {"different address, postal code and telephone all kept",
         {{"A", "Via 1", "00100", "Roma", "RM", "1"}, {"B", "Via 1", "00101", "Roma", "RM", "2"}},
         {"A", "B"}},
    };
    for (const auto& c : casi) {
        carica(c.righe);
        f->dup.EliminaRigheDoppiePalesi();
        QStringList attesi = c.restano;
        attesi.sort();
        QStringList trovati = nomi();
        if (c.restano == QStringList{"X"}) {  // either row of the merged pair may survive
            EXPECT_EQ(trovati.size(), 1) << c.nome;
        } else {
            EXPECT_EQ(trovati, attesi) << c.nome;
        }
        EXPECT_EQ(f->tab.mfgTab.cols(), 8) << c.nome;
    }
}

TEST_F(Duplicato, ProximityDuplicates) {
    struct Caso {
        const char* nome;
        const char* tolleranza;
        QList<Record> righe;
        QStringList restano;
    } casi[] = {
        {"within 10 m: the earlier in latitude order goes",
         "10",
         {{"A", "Via 1", "00100", "Roma", "RM", "1", "41.90000", "12.50000"},
          {"B", "Via 2", "00100", "Roma", "RM", "2", "41.90005", "12.50005"},
          {"C", "Via 3", "00100", "Roma", "RM", "3", "41.95000", "12.50000"}},
         {"B", "C"}},
        {"records without coordinates are never proximity duplicates",
         "100",
         {{"A", "Via 1", "00100", "Roma", "RM", "1"}, {"B", "Via 2", "00100", "Roma", "RM", "2"},
          {"Z", "Via 3", "00100", "Roma", "RM", "3", "0", "0"}},
         {"A", "B", "Z"}},
        {"no postal code, town and province: removed anyway",
         "1",
         {{"A", "Via 1", "", "", "", "1", "45.00000", "9.00000"}, {"B", "Via 2", "20100", "Milano", "MI", "2"}},
         {"B"}},
        {"repeated telephone",
         "0",
         {{"A", "Via 1", "00100", "Roma", "RM", "06 1"}, {"B", "Via 2", "00100", "Roma", "RM", "06 1"}},
         {"A"}},
        {"tolerance 0 keeps equal points",
         "0",
         {{"A", "Via 1", "00100", "Roma", "RM", "1", "41.9", "12.5"}, {"B", "Via 2", "00100", "Roma", "RM", "2", "41.9", "12.5"}},
         {"A", "B"}},
        {"a telephone that reads like the header is data",
         "1",
         {{"A", "Via 1", "00100", "Roma", "RM", "Telefono"}},
         {"A"}},
    };
    for (const auto& c : casi) {
        carica(c.righe);
        f->c.txtDupl.setText(QString::fromLatin1(c.tolleranza));
        prova.dialoghi.mostrati.clear();
        f->dup.EliminaDuplicati(0);
        QStringList attesi = c.restano;
        attesi.sort();
        if (QString(c.nome).startsWith("repeated")) {
            EXPECT_EQ(nomi().size(), 1) << c.nome;
        } else {
            EXPECT_EQ(nomi(), attesi) << c.nome;
        }
        EXPECT_TRUE(prova.dialoghi.mostrati.isEmpty()) << c.nome;
        EXPECT_EQ(f->c.cmdFine.caption(), "&Stop") << c.nome;
    }
}

TEST_F(Duplicato, CoordinatesGetFiveDecimalsAndMessageWhenInteractive) {
    carica({{"A", "Via 1", "00100", "Roma", "RM", "1", "45.1234567", "9.5"},
            {"B", "Via 2", "00100", "Roma", "RM", "2", "41", "12.5"}});
    f->c.txtDupl.setText("1");
    f->dup.cmdDupl_Click();
    QStringList coord;
    for (int r = 1; r <= f->tab.nRecord; ++r)
        coord << f->tab.mfgTab.text(r, 6) + "," + f->tab.mfgTab.text(r, 7);
    coord.sort();
    EXPECT_EQ(coord, QStringList({"41.00000,12.50000", "45.12345,9.50000"}));
    ASSERT_EQ(prova.dialoghi.mostrati.size(), 1);
    EXPECT_EQ(prova.dialoghi.mostrati[0].testo, "Elaborazione terminata...");
    EXPECT_EQ(f->c.cmdFine.caption(), "&Fine Lavoro");
    EXPECT_TRUE(f->c.frmframe[0]->enabled());
}

TEST_F(Duplicato, ToleranceBoxAcceptsDigitsOnly) {
    f->c.txtDupl.setText("");
    for (QChar ch : QString("a.\b5")) f->c.txtDupl.digita(ch);
    EXPECT_EQ(f->c.txtDupl.text(), "5");
    EXPECT_TRUE(f->c.cmdDupl.enabled());
    f->c.txtDupl.setText("");
    EXPECT_FALSE(f->c.cmdDupl.enabled());
}

// Stop at each turn of the event loop in turn: whatever the moment, only records that really had
// a twin are gone, the table stays compact and the key column is removed again.
TEST_F(Duplicato, StopAtAnyMomentLosesNoSingleRecord) {
    QList<Record> righe;
    for (int i = 0; i < 40; ++i)
        righe.append({QStringLiteral("Solo %1").arg(i), QStringLiteral("Via %1").arg(i), "00100", "Roma", "RM",
                      QStringLiteral("06 %1").arg(i), QStringLiteral("41.%1").arg(100 + i * 7),
                      QStringLiteral("12.%1").arg(300 + i * 11)});
    righe.append({"Gemello", "Via 1", "00100", "Roma", "RM", "06 1", "41.10700", "12.31100"});  // twin of Solo 1
    QStringList soli;
    for (int i = 0; i < 40; ++i) soli << QStringLiteral("Solo %1").arg(i);
    for (int fermaAl = 1; fermaAl <= 6; ++fermaAl) {
        carica(righe);
        int turni = 0;
        f->av.bStop = false;
        f->av.cedi = [&] {
            if (++turni == fermaAl) f->av.bStop = true;
        };
        f->c.txtDupl.setText("5");
        f->dup.EliminaDuplicati(0);
        const QStringList restano = nomi();
        for (const QString& s : soli)
            if (s != "Solo 1") EXPECT_TRUE(restano.contains(s)) << fermaAl << " " << s.toStdString();
        EXPECT_TRUE(restano.contains("Solo 1") || restano.contains("Gemello")) << fermaAl;
        EXPECT_EQ(f->tab.mfgTab.cols(), 8) << fermaAl;
        EXPECT_EQ(f->tab.nRecord, f->tab.mfgTab.rows() - 1) << fermaAl;
        for (int r = 1; r <= f->tab.nRecord; ++r) EXPECT_FALSE(f->tab.mfgTab.text(r, 0).isEmpty()) << fermaAl;
    }
    f->av.cedi = [] {};
}
