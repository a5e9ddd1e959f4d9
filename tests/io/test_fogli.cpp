// The workbook readers on files saved by LibreOffice (tests/io/dati/genera-fogli) and on
// hand-broken ones.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "io/file_testo.h"
#include "io/fogli.h"
#include "io/xls.h"
#include "support/ambiente_test.h"

using namespace gm;

namespace {
QString Dati(const QString& nome) { return QStringLiteral(GEOMERCE_SOURCE_DIR "/tests/io/dati/") + nome; }

QVector<QStringList> Celle(const QString& percorso, QString* errore = nullptr, int colonne = 13) {
    FoglioXls foglio;
    QString e;
    const bool ok = LeggiXls(percorso, kXlsMaxRighe, colonne, foglio, &e);
    if (errore) *errore = e;
    QVector<QStringList> righe;
    if (!ok) return righe;
    for (const auto& r : foglio) {
        QStringList celle;
        for (const CellaXls& c : r) celle << c.testo;
        righe << celle;
    }
    return righe;
}
}  // namespace

// The same sheet saved in the three formats reads the same: formula results (text and number),
// numbers as the workbook holds them, German letters, dates, and the twelve blank rows inside.
TEST(Fogli, LibreOfficeWorkbooksReadWhole) {
    for (const char* nome : {"formule.xls", "formule.xlsx", "formule.ods"}) {
        SCOPED_TRACE(nome);
        QString errore;
        const QVector<QStringList> righe = Celle(Dati(QString::fromLatin1(nome)), &errore);
        ASSERT_EQ(righe.size(), 21) << errore.toStdString();
        EXPECT_EQ(righe[0].mid(0, 3), QStringList({"Ragione sociale", "Indirizzo", "CAP"}));
        EXPECT_EQ(righe[1].mid(0, 10),
                  QStringList({"Farmacia Rossi", "Via Roma 12", "184", "Roma", "RM", "612345678", "41.89193", "12.51133",
                               "15/03/2024", QString::fromUtf8("Grüße aus Roma")}));
        EXPECT_EQ(righe[2][0], QString::fromUtf8("Apotheke Müller"));
        EXPECT_EQ(righe[2][1], QString::fromUtf8("Königstraße 5"));
        EXPECT_EQ(righe[5][5], "3331234567");
        for (int r = 6; r < 18; ++r) EXPECT_TRUE(righe[r].join("").isEmpty()) << r;
        EXPECT_EQ(righe[20][0], "Panificio Esposito");
        EXPECT_EQ(righe[20][6], "40.84004");
    }
}

TEST(Fogli, DatesAndNumbersAsText) {
    const struct {
        double seriale;
        bool dal1904, ora;
        const char* atteso;
    } casi[] = {
        {45366, false, false, "15/03/2024"}, {45366.5, false, true, "15/03/2024 12:00:00"},
        {0, true, false, "01/01/1904"},      {-1, false, false, ""},
        {1e12, false, false, ""},
    };
    for (const auto& c : casi) EXPECT_EQ(TestoData(c.seriale, c.dal1904, c.ora), QString::fromLatin1(c.atteso)) << c.seriale;
    EXPECT_EQ(TestoNumero(800123456), "800123456");
    EXPECT_EQ(TestoNumero(41.891929999999995), "41.89193");
}

// Broken containers and parts: a reason, never a crash, and no gigabytes from a small file.
TEST(Fogli, BrokenWorkbooksGiveReasons) {
    QFile f(Dati("formule.xlsx"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xlsx = f.readAll();
    QFile g(Dati("formule.ods"));
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    const QByteArray ods = g.readAll();
    QByteArray guasto = xlsx;
    for (int i = 100; i < guasto.size(); i += 41) guasto[i] = char(guasto[i] ^ 0x33);
    const struct {
        const char* nome;
        QByteArray dati;
    } casi[] = {
        {"meta.xlsx", xlsx.left(xlsx.size() / 2)},
        {"guasto.xlsx", guasto},
        {"meta.ods", ods.left(ods.size() / 2)},
        {"solo-firma.xlsx", "PK\x03\x04"},
    };
    QTemporaryDir dir;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        const QString p = dir.filePath(QString::fromLatin1(c.nome));
        ASSERT_TRUE(ScriviFileAtomico(p, c.dati));
        QString errore;
        EXPECT_TRUE(Celle(p, &errore).isEmpty());
        EXPECT_FALSE(errore.isEmpty());
    }

    // Repeated cells and rows can describe millions of cells in a few bytes: bounded.
    FoglioLetto foglio(kXlsMaxRighe, 256);
    for (int r = 0; r < 65536 && !foglio.troppoGrande(); ++r)
        for (int c = 0; c < 256; ++c) foglio.testo(r, c, "x");
    EXPECT_TRUE(foglio.troppoGrande());
}
