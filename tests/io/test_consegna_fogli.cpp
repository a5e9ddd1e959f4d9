// What the workbook reader hands over to the program: the cell stream rebuilt into a sheet, and
// refused whenever it is cut, malformed or beyond the bounds; the zip parts the reader unpacks,
// refused when the directory lies about them.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryFile>

#include <cstring>
#include <functional>

#include "io/fogli.h"
#include "io/xls.h"

using namespace gm;

namespace {
QVector<QStringList> Testi(const FoglioXls& foglio) {
    QVector<QStringList> righe;
    for (const auto& r : foglio) {
        QStringList celle;
        for (const CellaXls& c : r) celle << (c.numero ? QStringLiteral("#") : QString()) + c.testo;
        righe << celle;
    }
    return righe;
}

QByteArray Codifica(const std::function<void(FoglioLetto&)>& scrivi) {
    FoglioLetto f(1000, 20);
    scrivi(f);
    return f.codifica();
}

template <typename T>
QByteArray Byte(T v) {
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof v);
}

QByteArray Voce(quint8 tipo, quint32 n) { return char(tipo) + Byte(n); }
}  // namespace

TEST(ConsegnaFogli, StreamRebuildsTheSheetOrRefusesIt) {
    const QByteArray buono = Codifica([](FoglioLetto& f) {
        f.numero(0, 0, 12);
        f.testo(0, 1, QStringLiteral("Rossi"));
        f.numero(1, 1, 45.5);
    });
    const QByteArray danneggiato = QStringLiteral("il file è danneggiato o non è una cartella Excel leggibile").toUtf8();
    const struct {
        const char* nome;
        QByteArray dati;
        int maxRighe, maxColonne;
        QVector<QStringList> atteso;  // empty: refused
        QByteArray errore;
    } casi[] = {
        {"cells in order, rows as wide as the widest", buono, 10, 10, {{"#12", "Rossi"}, {"", "#45.5"}}, {}},
        {"out of order, later cell wins, empty rows kept",
         Codifica([](FoglioLetto& f) {
             f.testo(2, 0, QStringLiteral("c"));
             f.testoUtf8(0, 1, "a");
             f.numero(0, 1, 7);
             f.testoUtf8(0, 1, "b");
         }),
         10, 10, {{"", "b"}, {"", ""}, {"c", ""}}, {}},
        {"reason of a failed read",
         Codifica([](FoglioLetto& f) {
             f.testoUtf8(0, 0, "x");
             f.chiudi(QStringLiteral("il foglio ha troppe celle"));
         }),
         10, 10, {}, "il foglio ha troppe celle"},
        {"cut before its end", buono.chopped(1), 10, 10, {}, danneggiato},
        {"cut inside a text", buono.left(20), 10, 10, {}, danneggiato},
        {"bytes after the end", buono + 'x', 10, 10, {}, danneggiato},
        {"nothing at all", QByteArray(), 10, 10, {}, danneggiato},
        {"unknown tag", QByteArray(1, '\x09'), 10, 10, {}, danneggiato},
        {"row beyond the bound", Codifica([](FoglioLetto& f) { f.testoUtf8(50, 0, "x"); }), 10, 10, {}, danneggiato},
        {"column beyond the bound", Codifica([](FoglioLetto& f) { f.testoUtf8(0, 15, "x"); }), 10, 10, {}, danneggiato},
        {"cell before any row", Voce(kCellaTesto, 0) + Byte(quint32(1)) + "x" + char(kFine), 10, 10, {}, danneggiato},
        {"text longer than any cell", Voce(kRiga, 0) + Voce(kCellaTesto, 0) + Byte(quint32(1) << 20) + char(kFine), 10, 10, {},
         danneggiato},
        {"empty reason", Voce(kErrore, 0), 10, 10, {}, danneggiato},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        FoglioXls foglio;
        QString errore;
        const bool ok = DecodificaFoglioLetto(c.dati, c.maxRighe, c.maxColonne, foglio, &errore);
        EXPECT_EQ(ok, !c.atteso.isEmpty());
        EXPECT_EQ(Testi(foglio), c.atteso);
        EXPECT_EQ(errore.toUtf8(), c.errore);
    }
}

// Sent through a descriptor in chunks, the stream is the same bytes as kept whole.
TEST(ConsegnaFogli, ChunkedStreamEqualsTheWholeOne) {
    const auto scrivi = [](FoglioLetto& f) {
        for (int r = 0; r < 20000; ++r) {
            f.testoUtf8(r, 0, QByteArray("Farmacia ") + QByteArray::number(r));
            f.numero(r, 1, r * 0.25);
        }
        f.chiudi();
    };
    FoglioLetto intero(65536, 4);
    scrivi(intero);
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    FoglioLetto aPezzi(65536, 4, file.handle());
    scrivi(aPezzi);
    file.seek(0);
    const QByteArray letto = file.readAll();
    EXPECT_GT(letto.size(), 256 * 1024) << "more than one chunk";
    EXPECT_EQ(letto, intero.codifica());
    FoglioXls foglio;
    ASSERT_TRUE(DecodificaFoglioLetto(letto, 65536, 4, foglio, nullptr));
    ASSERT_EQ(foglio.size(), 20000);
    EXPECT_EQ(foglio[19999][0].testo, "Farmacia 19999");
    EXPECT_EQ(foglio[19999][1].testo, "4999.75");
}

// A deflated part must unpack to the size and CRC the zip directory claims for it; a claim the
// compressed bytes cannot give is refused before anything is allocated for it.
TEST(ConsegnaFogli, ZipPartsAreCheckedAgainstTheirDirectory) {
    QFile f(QStringLiteral(GEOMERCE_SOURCE_DIR "/tests/io/dati/formule.xlsx"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xlsx = f.readAll();
    {
        FoglioLetto foglio(100, 20);
        QString errore;
        ASSERT_TRUE(LeggiCartellaZip(xlsx, foglio, errore)) << errore.toStdString();
    }
    // The central directory entry of the sheet part.
    const QByteArray parte = "xl/worksheets/sheet1.xml";
    qsizetype voce = -1;
    for (qsizetype i = xlsx.indexOf("PK\x01\x02"); i >= 0; i = xlsx.indexOf("PK\x01\x02", i + 4))
        if (xlsx.mid(i + 46, parte.size()) == parte) voce = i;
    ASSERT_GE(voce, 0);
    ASSERT_EQ(xlsx[voce + 10], char(8)) << "deflated";
    quint32 crc = 0, dimensione = 0;
    std::memcpy(&crc, xlsx.constData() + voce + 16, 4);
    std::memcpy(&dimensione, xlsx.constData() + voce + 24, 4);
    const struct {
        const char* nome;
        int posizione;
        quint32 valore;
    } casi[] = {
        {"wrong CRC", 16, crc ^ 1},
        {"claimed smaller than it unpacks", 24, dimensione - 1},
        {"claimed larger than it unpacks", 24, dimensione + 1},
        {"claimed more than the compressed bytes can give", 24, 0x7FFFFFFF},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        QByteArray guasto = xlsx;
        std::memcpy(guasto.data() + voce + c.posizione, &c.valore, 4);
        FoglioLetto foglio(100, 20);
        QString errore;
        EXPECT_FALSE(LeggiCartellaZip(guasto, foglio, errore));
        EXPECT_FALSE(errore.isEmpty());
    }
}
