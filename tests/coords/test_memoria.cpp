// The coordinate memory on real SQLite files: what it gives back, when it asks again, and what
// becomes of a damaged or locked file.
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "coords/memoria.h"

using namespace gm;
using Fonte = MemoriaCoordinate::Fonte;

namespace {

const QDate kOggi(2026, 6, 1);

struct Cartella {
    QTemporaryDir dir;
    QString db() const { return dir.filePath("Geomerce.db"); }
    QStringList file() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    // Files set aside beside the memory, by reason.
    QStringList daParte(const QString& motivo) const {
        return QDir(dir.path()).entryList({"Geomerce-" + motivo + "-*.db"}, QDir::Files);
    }
    void scrivi(const QByteArray& dati) const {
        QFile f(db());
        f.open(QIODevice::WriteOnly);
        f.write(dati);
    }
};

MemoriaCoordinate::Voce Voce(const QString& lat, const QString& lon, Fonte fonte, QDate data = kOggi) {
    MemoriaCoordinate::Voce v;
    v.lat = lat;
    v.lon = lon;
    v.fonte = fonte;
    v.data = data;
    return v;
}

void Apri(MemoriaCoordinate& m, const QString& percorso, MemoriaCoordinate::Esito atteso = MemoriaCoordinate::Esito::Aperta) {
    m.oggi = [] { return kOggi; };
    m.msAttesa = 50;
    QString messaggio;
    EXPECT_EQ(m.apri(percorso, messaggio), atteso) << messaggio.toStdString();
}

// A second connection to the same file, as another program would hold it.
struct Altra {
    QString nome;
    explicit Altra(const QString& percorso, const QString& n = "altra") : nome(n) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", nome);
        db.setDatabaseName(percorso);
        db.open();
    }
    ~Altra() {
        { QSqlDatabase::database(nome).close(); }
        QSqlDatabase::removeDatabase(nome);
    }
    bool esegui(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(nome));
        return q.exec(sql);
    }
};

const auto kChiave = MemoriaCoordinate::ChiaveDi("06 1234567", "Via Roma, 12", "00184");

}  // namespace

TEST(Memoria, GivesBackWhatWasStoredUnderTheSameKeyAndStep) {
    Cartella c;
    MemoriaCoordinate m;
    Apri(m, c.db());
    auto v = Voce("41.90278", "12.49640", Fonte::Telefono);
    v.campi = {"Bar Roma", "Via Roma, 12", "", "Roma", ""};
    ASSERT_TRUE(m.ricorda(kChiave, v));
    ASSERT_TRUE(m.ricorda(kChiave, Voce("41.90000", "12.50000", Fonte::MappaGialle)));

    // Blanks in the telephone and case or spacing of the address do not make another key.
    const auto stessa = MemoriaCoordinate::ChiaveDi("061234567", "via  ROMA, 12", "00184");
    const auto r = m.cerca(stessa, Fonte::Geocoder);  // any lookup source finds the lookup's entry
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->lat, "41.90278");
    EXPECT_EQ(r->lon, "12.49640");
    EXPECT_EQ(r->fonte, Fonte::Telefono);
    EXPECT_EQ(r->campi[0], "Bar Roma");
    EXPECT_EQ(r->campi[2], "");
    // Each directory's map page keeps its own entry.
    ASSERT_TRUE(m.cerca(stessa, Fonte::MappaGialle).has_value());
    EXPECT_EQ(m.cerca(stessa, Fonte::MappaGialle)->lat, "41.90000");
    EXPECT_FALSE(m.cerca(stessa, Fonte::MappaBianche).has_value());

    // A key that differs in any of its three parts is not known.
    for (const auto& k : {MemoriaCoordinate::ChiaveDi("061234568", "Via Roma, 12", "00184"),
                          MemoriaCoordinate::ChiaveDi("061234567", "Via Roma, 14", "00184"),
                          MemoriaCoordinate::ChiaveDi("061234567", "Via Roma, 12", "00185")})
        EXPECT_FALSE(m.cerca(k, Fonte::Telefono).has_value()) << k.telefono.toStdString() << k.indirizzo.toStdString();

    // The file outlives the program: a new memory over it finds the same.
    m.chiudi();
    MemoriaCoordinate dopo;
    Apri(dopo, c.db());
    EXPECT_TRUE(dopo.cerca(stessa, Fonte::Telefono).has_value());
}

TEST(Memoria, NothingIsStoredOrFoundWithoutAPlaceOrAPosition) {
    Cartella c;
    MemoriaCoordinate m;
    Apri(m, c.db());
    const auto vuota = MemoriaCoordinate::ChiaveDi("", "", "00184");
    EXPECT_FALSE(m.ricorda(vuota, Voce("41.90278", "12.49640", Fonte::Geocoder)));
    EXPECT_FALSE(m.ricorda(kChiave, Voce("", "", Fonte::Geocoder)));
    EXPECT_FALSE(m.ricorda(kChiave, Voce("0", "12.49640", Fonte::Geocoder)));
    EXPECT_FALSE(m.cerca(kChiave, Fonte::Geocoder).has_value());
    // A key of only an address is a place.
    const auto indirizzo = MemoriaCoordinate::ChiaveDi("", "Via Roma, 12", "00184");
    EXPECT_TRUE(m.ricorda(indirizzo, Voce("41.90278", "12.49640", Fonte::Geocoder)));
    EXPECT_TRUE(m.cerca(indirizzo, Fonte::Geocoder).has_value());
}

TEST(Memoria, EntriesOlderThanTheSettingAreAskedAgain) {
    struct Caso {
        int giorniFa, validita;
        bool trovata;
    };
    const Caso casi[] = {{0, 180, true}, {180, 180, true}, {181, 180, false},
                         {-2, 180, false},  // dated ahead of today: the clock was wrong
                         {10, 7, false},    {10, 0, false}, {0, 0, true}};
    Cartella c;
    MemoriaCoordinate m;
    Apri(m, c.db());
    for (const Caso& k : casi) {
        SCOPED_TRACE(testing::Message() << k.giorniFa << " days old, valid " << k.validita);
        ASSERT_TRUE(m.ricorda(kChiave, Voce("41.90278", "12.49640", Fonte::Nome, kOggi.addDays(-k.giorniFa))));
        m.giorniValidita = k.validita;
        EXPECT_EQ(m.cerca(kChiave, Fonte::Nome).has_value(), k.trovata);
    }
}

TEST(Memoria, AnEntryAlteredInTheFileNeverGivesAPosition) {
    const char* modifiche[] = {
        "UPDATE coordinate SET lat = 'abc'",
        "UPDATE coordinate SET lon = ''",
        "UPDATE coordinate SET lat = '95.00000'",
        "UPDATE coordinate SET data = 'ieri'",
        "UPDATE coordinate SET fonte = 'altro'",
        "UPDATE coordinate SET nome = printf('%.600c', 'x')",
    };
    for (const char* sql : modifiche) {
        SCOPED_TRACE(sql);
        Cartella c;
        {
            MemoriaCoordinate m;
            Apri(m, c.db());
            ASSERT_TRUE(m.ricorda(kChiave, Voce("41.90278", "12.49640", Fonte::Telefono)));
        }
        {
            Altra a(c.db());
            ASSERT_TRUE(a.esegui(sql));
        }
        MemoriaCoordinate m;
        Apri(m, c.db());
        EXPECT_FALSE(m.cerca(kChiave, Fonte::Telefono).has_value());
        EXPECT_TRUE(m.aperta());
    }
}

TEST(Memoria, DamagedFileIsSetAsideAndANewOneStarted) {
    QByteArray valida;
    {
        Cartella c;
        {
            MemoriaCoordinate m;
            Apri(m, c.db());
            for (int i = 0; i < 200; ++i)
                m.ricorda(MemoriaCoordinate::ChiaveDi(QString::number(600000 + i), "Via Roma", "00184"),
                          Voce("41.90278", "12.49640", Fonte::Geocoder));
        }
        QFile f(c.db());
        f.open(QIODevice::ReadOnly);
        valida = f.readAll();
    }
    ASSERT_GT(valida.size(), 8192);
    QByteArray pagineRovinate = valida;
    for (int i = 4096; i < pagineRovinate.size(); i += 7) pagineRovinate[i] = char(0xA5);
    QByteArray altroProgramma;  // a sound database that is not a memory
    {
        Cartella c;
        {
            Altra a(c.db());
            a.esegui("CREATE TABLE coordinate (x INTEGER)");
        }
        QFile f(c.db());
        f.open(QIODevice::ReadOnly);
        altroProgramma = f.readAll();
    }

    struct Caso {
        const char* nome;
        QByteArray dati;
    };
    const Caso casi[] = {
        {"testo qualsiasi", "questo non è un database\n"},
        {"intestazione sola", valida.left(100)},
        {"pagine rovinate", pagineRovinate},
        {"troncato", valida.left(valida.size() / 2)},
        {"altro programma", altroProgramma},
        {"vuoto", QByteArray()},  // a new memory, not a damaged one
    };
    for (const Caso& k : casi) {
        SCOPED_TRACE(k.nome);
        Cartella c;
        c.scrivi(k.dati);
        MemoriaCoordinate m;
        m.oggi = [] { return kOggi; };
        m.msAttesa = 50;
        QString messaggio;
        if (k.dati.isEmpty()) {
            EXPECT_EQ(m.apri(c.db(), messaggio), MemoriaCoordinate::Esito::Aperta);
            EXPECT_TRUE(c.daParte("*").isEmpty());
            continue;
        }
        EXPECT_EQ(m.apri(c.db(), messaggio), MemoriaCoordinate::Esito::Danneggiata);
        EXPECT_TRUE(messaggio.contains("danneggiato")) << messaggio.toStdString();
        EXPECT_TRUE(messaggio.contains("messo da parte")) << messaggio.toStdString();
        // The damaged bytes are kept, under the name the message gives.
        const QStringList daParte = c.daParte("danneggiato");
        ASSERT_EQ(daParte.size(), 1) << c.file().join(", ").toStdString();
        EXPECT_TRUE(messaggio.contains(daParte[0]));
        QFile vecchio(c.dir.filePath(daParte[0]));
        vecchio.open(QIODevice::ReadOnly);
        EXPECT_EQ(vecchio.readAll(), k.dati);
        // And the new memory works.
        ASSERT_TRUE(m.aperta());
        EXPECT_TRUE(m.ricorda(kChiave, Voce("41.90278", "12.49640", Fonte::Telefono)));
        EXPECT_TRUE(m.cerca(kChiave, Fonte::Telefono).has_value());
    }
}

TEST(Memoria, FileLockedByAnotherProgramIsSetAsideWithItsData) {
    Cartella c;
    {
        MemoriaCoordinate m;
        Apri(m, c.db());
        ASSERT_TRUE(m.ricorda(kChiave, Voce("41.90278", "12.49640", Fonte::Telefono)));
    }
    Altra altra(c.db());
    ASSERT_TRUE(altra.esegui("BEGIN EXCLUSIVE"));

    MemoriaCoordinate m;
    m.msAttesa = 50;
    m.oggi = [] { return kOggi; };
    QString messaggio;
    EXPECT_EQ(m.apri(c.db(), messaggio), MemoriaCoordinate::Esito::Bloccata);
    EXPECT_TRUE(messaggio.contains("bloccato da un altro programma")) << messaggio.toStdString();
    const QStringList daParte = c.daParte("bloccato");
    ASSERT_EQ(daParte.size(), 1) << c.file().join(", ").toStdString();
    // The run goes on with a new memory; the other program's file keeps what it held.
    ASSERT_TRUE(m.aperta());
    EXPECT_FALSE(m.cerca(kChiave, Fonte::Telefono).has_value());
    EXPECT_TRUE(m.ricorda(kChiave, Voce("41.90000", "12.50000", Fonte::Telefono)));
    altra.esegui("ROLLBACK");
    m.chiudi();
    MemoriaCoordinate vecchia;
    Apri(vecchia, c.dir.filePath(daParte[0]));
    ASSERT_TRUE(vecchia.cerca(kChiave, Fonte::Telefono).has_value());
    EXPECT_EQ(vecchia.cerca(kChiave, Fonte::Telefono)->lat, "41.90278");
}

TEST(Memoria, FolderWhereNothingCanBeWrittenLeavesTheRunWithoutMemory) {
    Cartella c;
    MemoriaCoordinate m;
    QString messaggio;
    EXPECT_EQ(m.apri(c.dir.filePath("manca/Geomerce.db"), messaggio), MemoriaCoordinate::Esito::NonDisponibile);
    EXPECT_TRUE(messaggio.contains("senza memoria")) << messaggio.toStdString();
    EXPECT_FALSE(m.aperta());
    EXPECT_FALSE(m.cerca(kChiave, Fonte::Telefono).has_value());
    EXPECT_FALSE(m.ricorda(kChiave, Voce("41.90278", "12.49640", Fonte::Telefono)));
}
