#include <gtest/gtest.h>

#include "io/ov2.h"
#include "strumenti.h"

using namespace gm;
using test::Rec;

namespace {
const Record kFarmacia = Rec("Farmacia Rossi", "Via Roma, 12", "20100", "Milano", "MI", "02 1234567", "45.46427", "9.18951");

Record Con(Record r, int colonna, const QString& valore) {
    r[colonna] = valore;
    return r;
}
}  // namespace

TEST(Ov2, ExampleRecordByteForByte) {
    const QByteArray rec = RecordOV2(kFarmacia, "Farmacie", "Farmacie");
    const QByteArray testo = "Milano(MI)Roma,12;Farmacia Rossi>39021234567";
    QByteArray atteso;
    atteso += '\x02';
    atteso += QByteArray::fromHex("3a000000");  // 44 + 14
    atteso += QByteArray::fromHex("a7050e00");  // 918951
    atteso += QByteArray::fromHex("7b5f4500");  // 4546427
    atteso += testo;
    atteso += '\0';
    EXPECT_EQ(rec.toHex(), atteso.toHex());
    EXPECT_EQ(rec.size(), 58);
}

TEST(Ov2, Mkl) {
    EXPECT_EQ(MKL(-1), QByteArray::fromHex("ffffffff"));
    EXPECT_EQ(MKL(1), QByteArray::fromHex("01000000"));
    EXPECT_EQ(MKL(-918951), QByteArray::fromHex("59faf1ff"));
}

TEST(Ov2, PointText) {
    struct Caso {
        const char* nome;
        Record r;
        QString parole;
        std::optional<QString> atteso;
    };
    const Caso casi[] = {
        {"ten-digit phone passes", Con(kFarmacia, kTelefono, "0212345678"), "", "Milano(MI)Roma,12;Farmacia Rossi>390212345678"},
        {"blank among the last five", Con(kFarmacia, kTelefono, "02 123 45 67"), "", std::nullopt},
        {"letter in phone", Con(kFarmacia, kTelefono, "02 12345x7"), "", std::nullopt},
        {"empty phone", Con(kFarmacia, kTelefono, ""), "", "Milano(MI)Roma,12;Farmacia Rossi>39"},
        {"no latitude", Con(kFarmacia, kLatitudine, ""), "", std::nullopt},
        {"stop words and dots", Con(kFarmacia, kNome, "Bar Sport di Rossi e C. s.n.c."), "",
         "Milano(MI)Roma,12;Bar Sport Rossi>39021234567"},
        {"words of the list, any case", Con(kFarmacia, kNome, "Farmacia Rossi Dott. Bianchi"), "Farmacie dott. bianchi",
         "Milano(MI)Roma,12;Farmacia Rossi>39021234567"},
        {"a word at the very start stays", Con(kFarmacia, kCitta, "Di Milano"), "", "Di Milano(MI)Roma,12;Farmacia Rossi>39021234567"},
        {"address without blank", Con(kFarmacia, kIndirizzo, "Corso"), "", "Milano(MI)Corso;Farmacia Rossi>39021234567"},
        {"colons go", Con(kFarmacia, kNome, "Farmacia: Rossi"), "", "Milano(MI)Roma,12;FarmaciaRossi>39021234567"},
        {"address opening with a blank loses only that", Con(kFarmacia, kIndirizzo, " di Roma 3"), "",
         "Milano(MI)di Roma 3;Farmacia Rossi>39021234567"},
        {"a word twice in a row goes once", Con(kFarmacia, kNome, "Farmacia di di Rossi"), "",
         "Milano(MI)Roma,12;Farmacia di Rossi>39021234567"},
        {"runs of blanks become one", Con(kFarmacia, kNome, "Farmacia   Rossi  "), "", "Milano(MI)Roma,12;Farmacia Rossi>39021234567"},
        {"blanks before semicolon and bracket", Con(kFarmacia, kNome, "Bar ; Sport (Centro)"), "",
         "Milano(MI)Roma,12;Bar;Sport(Centro)>39021234567"},
    };
    for (const Caso& c : casi) EXPECT_EQ(TestoPuntoOV2(c.r, "Farmacie", c.parole), c.atteso) << c.nome;
}

TEST(Ov2, LongTextsAreCutToSixtyThree) {
    const Record lungo = Con(kFarmacia, kNome, QString(200, u'x'));
    const QString t = *TestoPuntoOV2(lungo, "Farmacie", "");
    EXPECT_EQ(t.size(), 63);
    EXPECT_TRUE(t.endsWith(">39021234567"));

    // Telephone numbers that leave little or no room for the rest.
    for (int cifre : {40, 55, 60, 61, 62, 63, 100}) {
        const Record r = Con(lungo, kTelefono, QString(cifre, u'7'));
        const QByteArray rec = RecordOV2(r, "Farmacie", "");
        if (cifre + 2 > 62) {
            EXPECT_TRUE(rec.isEmpty()) << cifre;
            continue;
        }
        ASSERT_FALSE(rec.isEmpty()) << cifre;
        EXPECT_LE(rec.size() - 14, 63) << cifre;
        EXPECT_EQ(quint8(rec[1]), rec.size()) << cifre;  // the length field counts the whole record
        EXPECT_EQ(rec.back(), '\0');
        EXPECT_TRUE(rec.contains(">39" + QByteArray(cifre, '7'))) << cifre;
    }
}

TEST(Ov2, Coordinates) {
    struct Caso {
        const char* lat;
        const char* lon;
        const char* x;  // hex, empty: row left out
        const char* y;
    };
    const Caso casi[] = {
        {"-33.86785", "-70.12345", "070095ff", "5f52ccff"},
        {"0", "0", "", ""},
        {"0", "9.18951", "a7050e00", "00000000"},
        {" 45.46427abc", "9.18951", "a7050e00", "7b5f4500"},
        {"99999999", "9.1", "", ""},  // does not fit the field
    };
    for (const Caso& c : casi) {
        const QByteArray rec = RecordOV2(Con(Con(kFarmacia, kLatitudine, c.lat), kLongitudine, c.lon), "F", "");
        if (!*c.x) {
            EXPECT_TRUE(rec.isEmpty()) << c.lat;
            continue;
        }
        ASSERT_GE(rec.size(), 13) << c.lat;
        EXPECT_EQ(rec.mid(5, 4).toHex(), QByteArray(c.x)) << c.lat;
        EXPECT_EQ(rec.mid(9, 4).toHex(), QByteArray(c.y)) << c.lat;
    }
}

TEST(Ov2, TextIsWindows1252WithoutControlBytes) {
    const Record r = Con(Con(kFarmacia, kNome, QString::fromUtf8("Caffè €uro\x01")), kCitta, QString::fromUtf8("Forlì"));
    const QByteArray rec = RecordOV2(r, "F", "");
    EXPECT_TRUE(rec.contains("Forl\xec(MI)"));
    EXPECT_TRUE(rec.contains("Caff\xe8 \x80uro?>"));
    EXPECT_EQ(rec.mid(13).indexOf('\0'), rec.size() - 14);
}
