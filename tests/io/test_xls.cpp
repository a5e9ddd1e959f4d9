#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "io/file_testo.h"
#include "io/xls.h"
#include "strumenti.h"

using namespace gm;

namespace {
QVector<QStringList> Leggi(const QString& percorso, int colonne = 10) {
    FoglioXls foglio;
    QString errore;
    EXPECT_TRUE(LeggiXls(percorso, kXlsMaxRighe, colonne, foglio, &errore)) << errore.toStdString();
    return test::Righe(foglio);
}
}  // namespace

// Workbooks of several sizes: one row (mini-stream), many rows, strings split across CONTINUE
// records (long, wide and many), all read back the same by our reader and by python3-xlrd.
TEST(Xls, WrittenWorkbooksReadBackTheSame) {
    QTemporaryDir dir;
    struct Caso {
        const char* nome;
        QVector<QStringList> righe;
    };
    QVector<Caso> casi;
    casi.append({"one row", {{"Nome/Ragione Sociale", "Indirizzo", "Cap"}}});
    casi.append({"leading zeros and accents", {{"007", QString::fromUtf8("Città"), "00100", "", "0.5"}, {"x", QString::fromUtf8("€ — Ω")}}});
    QVector<QStringList> molte;
    for (int i = 0; i < 3000; ++i)
        molte.append({QStringLiteral("Ditta %1").arg(i), QStringLiteral("Via %1").arg(i % 97), "0" + QString::number(20100 + i),
                      QString::fromUtf8("Forlì"), "FC"});
    casi.append({"thousands of rows", molte});
    // A 9000-character string must cross a record boundary, in both string widths.
    casi.append({"long strings", {{QString(9000, u'a'), QString(4000, QChar(0x3A9))}, {"z", QString(3000, QChar(0xE8))}}});
    QVector<QStringList> strette;
    for (int i = 0; i < 4000; ++i) strette.append({QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')) + QString(i % 7, QChar(0x20AC))});
    casi.append({"strings at every offset", strette});

    for (const Caso& c : casi) {
        const QString percorso = dir.filePath(QString::fromLatin1(c.nome).replace(' ', '_') + ".xls");
        QString errore;
        const QByteArray dati = CartellaXls(c.righe, &errore);
        ASSERT_FALSE(dati.isEmpty()) << c.nome << errore.toStdString();
        ASSERT_TRUE(ScriviFileAtomico(percorso, dati));
        QVector<QStringList> attese = c.righe;
        for (QStringList& r : attese)
            while (!r.isEmpty() && r.last().isEmpty()) r.removeLast();
        EXPECT_EQ(Leggi(percorso), attese) << c.nome;
        EXPECT_EQ(test::CelleXlrd(percorso), attese) << c.nome;
    }
}

// A string longer than a whole record spans several CONTINUE records (some readers give up on such
// strings, xlwt's too; the table never holds one, but the workbook must still be right).
TEST(Xls, StringOverSeveralRecords) {
    QTemporaryDir dir;
    const QString percorso = dir.filePath("molto.xls");
    const QVector<QStringList> righe = {{QString(9000, u'a'), QString(9000, QChar(0x3A9))}, {QString(20000, u'b'), "fine"}};
    ASSERT_TRUE(ScriviFileAtomico(percorso, CartellaXls(righe)));
    EXPECT_EQ(test::CelleXlrd(percorso), righe);
}

TEST(Xls, BadFilesGiveReasonsNotCrashes) {
    QTemporaryDir dir;
    const QByteArray buona = CartellaXls({{"a", "bbb"}, {"c", "ddd"}});
    QByteArray rumore;
    for (int i = 0; i < 20000; ++i) rumore.append(char((i * 7919) >> 3));
    QByteArray firmaSola = buona.left(512);
    QByteArray guasta = buona;
    for (int i = 600; i < guasta.size(); i += 37) guasta[i] = char(guasta[i] ^ 0x5A);
    const struct {
        const char* nome;
        QByteArray dati;
    } casi[] = {
        {"empty", {}}, {"text", "Nome\tIndirizzo\r\n"}, {"noise", rumore}, {"header only", firmaSola},
        {"half", buona.left(buona.size() / 2)}, {"damaged", guasta},
    };
    for (const auto& c : casi) {
        const QString percorso = dir.filePath(QString::fromLatin1(c.nome) + ".xls");
        ASSERT_TRUE(ScriviFileAtomico(percorso, c.dati));
        FoglioXls foglio;
        QString errore;
        const bool ok = LeggiXls(percorso, kXlsMaxRighe, 10, foglio, &errore);
        if (!ok) {
            EXPECT_FALSE(errore.isEmpty()) << c.nome;
        }
    }
    FoglioXls foglio;
    QString errore;
    EXPECT_FALSE(LeggiXls(dir.filePath("missing.xls"), 10, 10, foglio, &errore));
    EXPECT_FALSE(errore.isEmpty());
}

// A workbook on which the library reads out of bounds (found by fuzzing): the read fails with a
// reason, the program goes on, and a good file reads right after it.
TEST(Xls, WorkbookThatBreaksTheReaderIsRefused) {
    const QString guasta = QStringLiteral(GEOMERCE_SOURCE_DIR "/tests/fuzz/corpus/fuzz_xls/stringa-fuori-limiti.xls");
    ASSERT_TRUE(QFileInfo::exists(guasta));
    FoglioXls foglio;
    QString errore;
    EXPECT_FALSE(LeggiXls(guasta, kXlsMaxRighe, 10, foglio, &errore));
    EXPECT_FALSE(errore.isEmpty());
    EXPECT_TRUE(foglio.isEmpty());

    QTemporaryDir dir;
    const QString buona = dir.filePath("buona.xls");
    ASSERT_TRUE(ScriviFileAtomico(buona, CartellaXls({{"Nome", "Cap"}, {"Bar", "00100"}})));
    ASSERT_TRUE(LeggiXls(buona, kXlsMaxRighe, 10, foglio, &errore)) << errore.toStdString();
    ASSERT_EQ(foglio.size(), 2);
    EXPECT_EQ(foglio[1][1].testo, "00100");
}
