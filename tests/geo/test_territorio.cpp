#include <QProcess>

#include <gtest/gtest.h>

#include "app/controlli.h"
#include "geo/territorio.h"
#include "support/ambiente_test.h"

using namespace gm;

namespace {
struct Caricato : ::testing::Test {
    Territorio t;
    Lista regioni{QStringLiteral("lstRegioni")};
    void SetUp() override { t.CaricaTerritorio(regioni); }
};
}  // namespace

TEST_F(Caricato, CellsHoldTheReferenceValues) {
    struct Caso {
        int r, p, c, f;
        const char* atteso;
    } casi[] = {
        {1, 0, 0, 0, "Abruzzi"}, {1, 0, 0, 1, "4"},        {1, 1, 0, 1, "Chieti"}, {1, 1, 0, 2, "CH"},
        {1, 1, 0, 0, "104"},     {1, 1, 1, 1, "Altino"},   {1, 1, 1, 2, "66040"},  {19, 0, 0, 1, "1"},
        {19, 1, 0, 1, "Aosta"},  {12, 6, 0, 0, "315"},     {12, 6, 0, 1, "Torino"}, {7, 4, 0, 1, "Roma"},
        {7, 4, 0, 0, "120"},     {5, 3, 0, 1, "Forli Cesena"}, {20, 7, 0, 2, "VI"},
        // unused cells and indices out of range are empty
        {1, 1, 0, 3, ""},        {1, 5, 0, 1, ""},         {21, 0, 0, 0, ""},      {-1, 0, 0, 0, ""},
        {12, 6, 316, 1, ""},
    };
    for (const auto& k : casi)
        EXPECT_EQ(t.aTerritorio(k.r, k.p, k.c, k.f), QString::fromUtf8(k.atteso))
            << k.r << "," << k.p << "," << k.c << "," << k.f;
}

TEST_F(Caricato, RegionListInTableOrder) {
    ASSERT_EQ(regioni.count(), 20);
    EXPECT_EQ(regioni.item(0), "Abruzzi");
    EXPECT_EQ(regioni.item(18), "Valle d'Aosta");
    EXPECT_EQ(regioni.item(17), "Umbria");
    EXPECT_EQ(regioni.item(19), "Veneto");
    EXPECT_EQ(regioni.selectedCount(), 0);
}

TEST_F(Caricato, CountsAddUpAndPostalCodesKeepLeadingZeros) {
    int comuni = 0, province = 0;
    for (int r = 1; r <= t.numeroRegioni(); ++r) {
        province += t.numeroProvince(r);
        for (int p = 1; p <= t.numeroProvince(r); ++p) {
            comuni += t.numeroComuni(r, p);
            EXPECT_FALSE(t.nomeComune(r, p, t.numeroComuni(r, p)).isEmpty());
            EXPECT_TRUE(t.nomeComune(r, p, t.numeroComuni(r, p) + 1).isEmpty());
            for (int c = 1; c <= t.numeroComuni(r, p); ++c) {
                const QString cap = t.capComune(r, p, c);
                ASSERT_EQ(cap.size(), 5) << t.nomeComune(r, p, c).toStdString();
                ASSERT_TRUE(cap.toInt() > 0 || cap.startsWith(u'0'));
            }
        }
    }
    EXPECT_EQ(province, 103);
    EXPECT_EQ(comuni, 8102);
    // Roma's general code, with its leading zeros.
    int roma = 0;
    for (int c = 1; c <= t.numeroComuni(7, 4); ++c)
        if (t.nomeComune(7, 4, c) == "Roma") roma = c;
    ASSERT_GT(roma, 0);
    EXPECT_EQ(t.capComune(7, 4, roma), "00100");
}

TEST(Territorio, ParseIsRobustToMalformedText) {
    Territorio t;
    t.Analizza({QStringLiteral("A\\P\\XX\u00a7Uno\\00001\u00a7Due\\00002\u00a7"),
                QStringLiteral("A\\Q\\YY\u00a7"),  // a province without municipalities
                QStringLiteral("b\\R\\ZZ\u00a7Tre"),  // cut short: no CAP, no final separator
                QString()});
    EXPECT_EQ(t.numeroRegioni(), 2);
    EXPECT_EQ(t.numeroProvince(1), 2);
    EXPECT_EQ(t.numeroComuni(1, 1), 2);
    EXPECT_EQ(t.numeroComuni(1, 2), 0);
    EXPECT_EQ(t.nomeComune(2, 1, 1), "Tre");
    EXPECT_EQ(t.capComune(2, 1, 1), "");
}

TEST(Territorio, CliPrintsTheTableItUses) {
    QProcess p;
    p.start(test::Programma("geomerce-cli"), {"territorio"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList righe = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(righe.size(), 8103);
    EXPECT_EQ(righe[0], "regione\tprovincia\tsigla\tcomune\tcap");
    EXPECT_EQ(righe[1], "Abruzzi\tChieti\tCH\tAltino\t66040");
}
