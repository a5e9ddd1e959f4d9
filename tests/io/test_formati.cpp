// The navigator writers: golden files, the skipper index on random tables, outside readers, icons.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>

#include "io/file_testo.h"
#include "io/formati.h"
#include "io/icona.h"
#include "io/ov2.h"
#include "strumenti.h"

using namespace gm;
using test::Leggi;

namespace {
const QString kDati = QStringLiteral(GEOMERCE_SOURCE_DIR "/tests/io/dati/punti/");

QVector<Record> Tabella() {
    QVector<Record> righe;
    for (const QByteArray& riga : Leggi(kDati + "tabella.tsv").split('\n')) {
        if (riga.isEmpty() || riga.startsWith('#')) continue;
        const QStringList celle = QString::fromUtf8(riga).split(u'\t');
        Record r;
        for (int k = 0; k < kColonne && k < celle.size(); ++k) r[k] = celle[k];
        righe << r;
    }
    return righe;
}

QByteArray Scrivi(const QString& estensione, const QVector<Record>& righe, bool semplice = false,
                  const QStringList& attribuzioni = {}) {
    const ContestoUscita c{QStringLiteral("Farmacie"), QString(), {}, semplice, attribuzioni};
    QByteArray dati;
    QString errore;
    EXPECT_TRUE(FormatiUscita()[IndiceFormato(estensione)]->scrivi(righe, c, dati, errore)) << errore.toStdString();
    return dati;
}

qint32 Int32(const QByteArray& b, qsizetype i) {
    quint32 v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | quint8(b[i + k]);
    return qint32(v);
}

// Walks the blocks of an indexed file, checking that they nest, that every size is the bytes it
// covers, that every box holds its points and that a leaf holds at most twenty of them. The type-2
// records found go to records, in file order.
void Blocco(const QByteArray& f, qsizetype da, qsizetype a, QVector<QByteArray>& records, int& foglie) {
    ASSERT_LE(da + 21, a);
    ASSERT_EQ(f[da], char(1)) << da;
    const qint32 dimensione = Int32(f, da + 1);
    ASSERT_EQ(da + dimensione, a) << "a block's size is the bytes up to the end of its parent's share";
    const qint32 est = Int32(f, da + 5), nord = Int32(f, da + 9), ovest = Int32(f, da + 13), sud = Int32(f, da + 17);
    ASSERT_LE(ovest, est);
    ASSERT_LE(sud, nord);
    qsizetype i = da + 21;
    if (i < a && f[i] == char(1)) {
        // Two inner blocks, one after the other.
        const qsizetype mezzo = i + Int32(f, i + 1);
        ASSERT_LT(mezzo, a);
        ASSERT_EQ(f[mezzo], char(1));
        const qsizetype primi = records.size();
        Blocco(f, i, mezzo, records, foglie);
        Blocco(f, mezzo, a, records, foglie);
        for (qsizetype k = primi; k < records.size(); ++k) {
            const qint32 x = Int32(records[k], 5), y = Int32(records[k], 9);
            EXPECT_TRUE(x >= ovest && x <= est && y >= sud && y <= nord) << "a block's box holds its children's points";
        }
        return;
    }
    ++foglie;
    int punti = 0;
    while (i < a) {
        ASSERT_EQ(f[i], char(2)) << i;
        const qint32 lunghezza = Int32(f, i + 1);
        ASSERT_GE(lunghezza, 14);
        ASSERT_LE(i + lunghezza, a);
        const QByteArray r = f.mid(i, lunghezza);
        EXPECT_EQ(r.indexOf('\0', 13), lunghezza - 1) << "the length counts the text's bytes and its zero";
        const qint32 x = Int32(r, 5), y = Int32(r, 9);
        EXPECT_TRUE(x >= ovest && x <= est && y >= sud && y <= nord);
        records << r;
        ++punti;
        i += lunghezza;
    }
    EXPECT_LE(punti, kMaxPuntiBlocco);
    EXPECT_GE(punti, 1);
}

QVector<QByteArray> RecordsSemplici(const QByteArray& f) {
    QVector<QByteArray> records;
    for (qsizetype i = 0; i < f.size(); i += Int32(f, i + 1)) records << f.mid(i, Int32(f, i + 1));
    return records;
}

// Random tables: clusters of equal points, a spread over the globe's two halves, names with
// accents and characters that Windows-1252 lacks (one character, several QChars, one byte "?").
QVector<Record> Casuale(QRandomGenerator& g, int n) {
    static const QString nomi[] = {QStringLiteral("Caffè"), QString::fromUtf8("Łódź"), QString::fromUtf8("Bar 🍕"),
                                   QStringLiteral("Farmacia"), QString::fromUtf8("Ωmega")};
    QVector<Record> righe;
    for (int i = 0; i < n; ++i) {
        const bool gruppo = g.bounded(4) == 0;
        const double lat = gruppo ? 45.0 : g.bounded(180.0) - 90.0, lon = gruppo ? 9.0 : g.bounded(360.0) - 180.0;
        Record r{nomi[g.bounded(5)] + QString::number(i), QStringLiteral("Via Roma %1").arg(i), "00100",
                 nomi[g.bounded(5)], "RM", QStringLiteral("06 %1").arg(1000000 + i),
                 QString::number(lat, 'f', 5), QString::number(lon, 'f', 5)};
        righe << r;
    }
    return righe;
}

struct PuntoLetto {
    QString lat, lon;
    bool operator<(const PuntoLetto& o) const { return std::tie(lat, lon) < std::tie(o.lat, o.lon); }
    bool operator==(const PuntoLetto&) const = default;
};

// The points gpsbabel reads from a file, as five-decimal text.
QVector<PuntoLetto> Gpsbabel(const QString& formato, const QString& file) {
    const QByteArray csv = test::Esegui("gpsbabel", {"-i", formato, "-f", file, "-o", "unicsv", "-F", "-"});
    QVector<PuntoLetto> punti;
    const QList<QByteArray> righe = csv.trimmed().split('\n');
    for (qsizetype i = 1; i < righe.size(); ++i) {
        const QList<QByteArray> celle = righe[i].split(',');
        if (celle.size() < 3) continue;
        punti.append({QString::number(celle[1].toDouble(), 'f', 5), QString::number(celle[2].toDouble(), 'f', 5)});
    }
    std::sort(punti.begin(), punti.end());
    return punti;
}
}  // namespace

// The files of a small table, byte for byte (tests/io/dati/punti; GEOMERCE_RIGENERA=1 rewrites them
// after a deliberate change of format, to be read over before committing).
TEST(Formati, GoldenFiles) {
    const QVector<Record> tabella = Tabella();
    ASSERT_EQ(tabella.size(), 25);
    const struct {
        const char* file;
        const char* estensione;
        bool semplice;
    } casi[] = {{"atteso.ov2", "ov2", false}, {"atteso-semplice.ov2", "ov2", true}, {"atteso.gpx", "gpx", false},
                {"atteso.kml", "kml", false}};
    for (const auto& c : casi) {
        const QByteArray dati = Scrivi(c.estensione, tabella, c.semplice);
        if (qEnvironmentVariableIsSet("GEOMERCE_RIGENERA")) {
            ASSERT_TRUE(ScriviFileAtomico(kDati + c.file, dati));
        }
        EXPECT_EQ(dati, Leggi(kDati + c.file)) << c.file;
    }
}

TEST(Formati, IndexHoldsTheSameRecordsInSoundBlocks) {
    QRandomGenerator g(17);
    for (int n : {0, 1, 20, 21, 22, 41, 333, 2000}) {
        const QVector<Record> righe = Casuale(g, n);
        const QByteArray semplice = Scrivi("ov2", righe, true);
        const QByteArray indicizzato = Scrivi("ov2", righe);
        QVector<QByteArray> attesi = RecordsSemplici(semplice);
        ASSERT_EQ(attesi.size(), n) << "every random row makes a point";
        if (n == 0) {
            EXPECT_TRUE(indicizzato.isEmpty());
            continue;
        }
        QVector<QByteArray> letti;
        int foglie = 0;
        Blocco(indicizzato, 0, indicizzato.size(), letti, foglie);
        EXPECT_EQ(indicizzato.size(), semplice.size() + 21 * (2 * foglie - 1)) << n;
        std::sort(attesi.begin(), attesi.end());
        std::sort(letti.begin(), letti.end());
        EXPECT_EQ(letti, attesi) << n;
    }
}

// A name reaches GPX and KML as XML 1.0 can carry it: escaped where markup would break, characters
// XML has no room for as "?", everything else as UTF-8.
TEST(Formati, MapNamesEscapedAndCleaned) {
    const QChar solitario(char16_t(0xD800)), nonCarattere(char16_t(0xFFFE));
    const struct {
        const char* nome;
        QString testo;
        QByteArray atteso;
    } casi[] = {
        {"markup", "A&B <C> \"D\" 'E'", "A&amp;B &lt;C&gt; &quot;D&quot; 'E'"},
        {"tab kept, control replaced", QStringLiteral("F\tG\x01H"), "F\tG?H"},
        {"lone surrogate and non-character", QStringLiteral("I") + solitario + u'J' + nonCarattere, "I?J?"},
        {"accents and a pair", QString::fromUtf8("è \xF0\x9F\x98\x80"), "\xC3\xA8 \xF0\x9F\x98\x80"},
        {"blanks around trimmed", QStringLiteral("  K \t"), "K"},
    };
    for (const auto& c : casi) {
        Record r = Tabella().first();
        r[kNome] = c.testo;
        EXPECT_TRUE(Scrivi("gpx", {r}).contains("\n  <name>" + c.atteso + "</name>\n")) << c.nome;
        EXPECT_TRUE(Scrivi("kml", {r}).contains("\n   <name>" + c.atteso + "</name>\n")) << c.nome;
    }
}

// gpsbabel reads every point of the three navigator files, where the table puts it.
TEST(Formati, GpsbabelReadsEveryPointAtItsCoordinates) {
    QTemporaryDir dir;
    QRandomGenerator g(3);
    QVector<Record> righe = Tabella() + Casuale(g, 60);
    QVector<PuntoLetto> attesi;
    for (const Record& r : righe)
        if (PuntoDaRecord(r, "Farmacie", QString()))
            attesi.append({QString::number(r[kLatitudine].toDouble(), 'f', 5), QString::number(r[kLongitudine].toDouble(), 'f', 5)});
    std::sort(attesi.begin(), attesi.end());
    ASSERT_EQ(attesi.size(), 83);
    const struct {
        const char* estensione;
        const char* formato;
    } casi[] = {{"ov2", "tomtom"}, {"gpx", "gpx"}, {"kml", "kml"}};
    for (const auto& c : casi) {
        const QString file = dir.filePath(QStringLiteral("punti.") + c.estensione);
        ASSERT_TRUE(ScriviFileAtomico(file, Scrivi(c.estensione, righe)));
        EXPECT_EQ(Gpsbabel(c.formato, file), attesi) << c.estensione;
    }
    // Names keep their letters in the UTF-8 files, "<" and "&" included.
    const QByteArray csv = test::Esegui("gpsbabel", {"-i", "gpx", "-f", dir.filePath("punti.gpx"), "-o", "unicsv", "-F", "-"});
    EXPECT_TRUE(csv.contains("Farmacia Łukasz Kowalski")) << csv.left(400).constData();
    EXPECT_TRUE(csv.contains("Farmacia Città & Salute"));
    EXPECT_TRUE(csv.contains("Farmacia Forlì <Centro>"));
}

// Written without an XML writer object, the files must still be well-formed XML for any text, and
// give back each point's name and coordinates to an XML reader.
TEST(Formati, AnXmlReaderReadsBackEveryPoint) {
    QRandomGenerator g(11);
    QVector<Record> righe = Tabella() + Casuale(g, 300);
    for (int i = 0; i < 40; ++i) {  // names of any characters, surrogates and controls included
        Record r = righe[i % righe.size()];
        QString nome;
        for (int k = 0; k < 12; ++k) nome += QChar(char16_t(g.bounded(1, 0x10000)));
        r[kNome] = nome;
        righe << r;
    }
    int punti = 0;
    for (const Record& r : righe) punti += PuntoDaRecord(r, "Farmacie", QString()) ? 1 : 0;
    for (const char* estensione : {"gpx", "kml"}) {
        SCOPED_TRACE(estensione);
        QXmlStreamReader x(Scrivi(estensione, righe));
        int nomi = 0, coordinate = 0;
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement) continue;
            if (x.name() == u"name" && x.readElementText().size() > 0) ++nomi;
            if (x.name() == u"wpt" || x.name() == u"coordinates") ++coordinate;
        }
        EXPECT_FALSE(x.hasError()) << x.errorString().toStdString();
        EXPECT_EQ(coordinate, punti);
        EXPECT_GE(nomi, punti);  // the document's own name comes too
    }
}

TEST(Formati, XmlCarriesNoInvalidCharacters) {
    Record r{QStringLiteral("Bar\x01Sport\xFFFF"), QStringLiteral("Via \x1F Po"), "00100", "Roma", "RM", "06 5555555",
             "41.90000", "12.50000"};
    r[kNome] += QChar(0xD800);  // a lone surrogate
    for (const char* e : {"gpx", "kml"}) {
        const QByteArray dati = Scrivi(e, {r});
        EXPECT_TRUE(dati.contains("<name>Bar?Sport?" "?</name>")) << dati.constData();
        EXPECT_TRUE(dati.contains("Via ? Po - 00100 Roma (RM) - Tel. 06 5555555")) << e;
    }
}

TEST(Formati, SourceNoticeGoesIntoTheMetadataOnlyWhenAsked) {
    const Record r{"Farmacia", "Via Po, 1", "00100", "Roma", "RM", "", "41.90000", "12.50000"};
    const QString avviso = QStringLiteral("Dati \u00A9 OpenStreetMap contributors, licenza ODbL");
    const struct {
        const char* estensione;
        const char* elemento;
    } casi[] = {{"gpx", "<desc>"}, {"kml", "<description>Dati"}};
    for (const auto& k : casi) {
        const QByteArray con = Scrivi(k.estensione, {r}, false, {avviso});
        EXPECT_TRUE(con.contains(k.elemento)) << con.constData();
        EXPECT_TRUE(con.contains(avviso.toUtf8())) << k.estensione;
        EXPECT_FALSE(Scrivi(k.estensione, {r}).contains("OpenStreetMap")) << k.estensione;
    }
}

namespace {
QImage Immagine(const QByteArray& bmp) { return QImage::fromData(bmp, "BMP"); }
}  // namespace

TEST(Icona, DefaultIsA22PixelBmpWithTheInitial) {
    for (const char* categoria : {"Farmacie", "èlite", "123 Stelle", "   "}) {
        const QByteArray bmp = IconaPredefinita(QString::fromUtf8(categoria));
        ASSERT_GE(bmp.size(), 54) << categoria;
        EXPECT_TRUE(bmp.startsWith("BM"));
        EXPECT_EQ(Int32(bmp, 18), kLatoIcona);
        EXPECT_EQ(Int32(bmp, 22), kLatoIcona);
        EXPECT_EQ(quint8(bmp[28]), 24) << "bits per pixel";
        const QImage i = Immagine(bmp);
        ASSERT_EQ(i.size(), QSize(kLatoIcona, kLatoIcona));
        EXPECT_EQ(i.pixel(0, 0), 0xFFFF00FF) << "the corners are the devices' transparent colour";
        EXPECT_NE(i.pixel(2, 11), 0xFFFF00FF) << "the disc";
    }
    // The letter: white pixels in the middle, none for a category without letters or digits.
    const auto bianchi = [](const QImage& i) {
        int n = 0;
        for (int y = 0; y < i.height(); ++y)
            for (int x = 0; x < i.width(); ++x) n += i.pixel(x, y) == 0xFFFFFFFF;
        return n;
    };
    EXPECT_GT(bianchi(Immagine(IconaPredefinita("Farmacie"))), 20);
    EXPECT_EQ(bianchi(Immagine(IconaPredefinita("   "))), 0);
    // An independent reader agrees.
    QTemporaryDir dir;
    ASSERT_TRUE(ScriviFileAtomico(dir.filePath("i.bmp"), IconaPredefinita("Farmacie")));
    const QByteArray id = test::Esegui("identify", {"-format", "%m %w %h %z", dir.filePath("i.bmp")});
    if (!id.isNull()) {
        EXPECT_EQ(id, "BMP3 22 22 8") << "8 bits a channel";
    }
}

TEST(Icona, TheUsersPictureIsScaledAndUsed) {
    QTemporaryDir dir;
    QImage rosso(100, 50, QImage::Format_ARGB32);
    rosso.fill(0xFFFF0000);
    ASSERT_TRUE(rosso.save(dir.filePath("Farmacie-comunali.png")));
    QString avviso;
    const QImage i = Immagine(IconaCategoria("Farmacie comunali", dir.path(), &avviso));
    EXPECT_TRUE(avviso.isEmpty());
    ASSERT_EQ(i.size(), QSize(kLatoIcona, kLatoIcona));
    EXPECT_EQ(i.pixel(11, 11), 0xFFFF0000);
    EXPECT_EQ(i.pixel(0, 0), 0xFFFF00FF) << "a wide picture leaves the top transparent";

    // A .bmp comes first; a damaged one gives the default icon and says so.
    ASSERT_TRUE(ScriviFileAtomico(dir.filePath("Bar.bmp"), "BM not really a picture"));
    const QByteArray bmp = IconaCategoria("Bar", dir.path(), &avviso);
    EXPECT_EQ(bmp, IconaPredefinita("Bar"));
    EXPECT_TRUE(avviso.contains("Bar.bmp")) << avviso.toStdString();
    EXPECT_EQ(IconaCategoria("Ottici", dir.path()), IconaPredefinita("Ottici"));
}
