// The category typed by the user, in OpenStreetMap terms.
#include <gtest/gtest.h>

#include "osm/preset.h"
#include "support/ambiente_test.h"

using namespace gm::osm;

namespace {

const CatalogoPreset& Catalogo() {
    static const CatalogoPreset c;
    return c;
}

struct Caso {
    const char* categoria;
    const char* id;  // nullptr: no preset
};
// Test names show the category, not the bytes of the pointers.
void PrintTo(const Caso& c, std::ostream* os) { *os << '"' << c.categoria << '"'; }

class TrovaPreset : public ::testing::TestWithParam<Caso> {};

TEST_P(TrovaPreset, CategoriaDiventaPreset) {
    const Caso& c = GetParam();
    const Preset* p = Catalogo().trova(QString::fromUtf8(c.categoria));
    if (!c.id) {
        EXPECT_EQ(p, nullptr) << p->id.toStdString();
        return;
    }
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->id, QString::fromUtf8(c.id));
}

INSTANTIATE_TEST_SUITE_P(
    Voci, TrovaPreset,
    ::testing::Values(
        // Names, in any case, singular or plural, with or without accents.
        Caso{"Farmacia", "amenity/pharmacy"}, Caso{"Farmacie", "amenity/pharmacy"}, Caso{"FARMACIE", "amenity/pharmacy"},
        Caso{"Autofficina", "shop/car_repair"}, Caso{"autofficine", "shop/car_repair"},
        Caso{"Supermercati", "shop/supermarket"}, Caso{"Banche", "amenity/bank"}, Caso{"alberghi", "tourism/hotel"},
        Caso{"  Panifici ", "shop/bakery"},
        // Terms: a distributor is a fuel station; a name beats another preset's term.
        Caso{"Distributori", "amenity/fuel"}, Caso{"distributore", "amenity/fuel"}, Caso{"Hotel", "tourism/hotel"},
        Caso{"Trattorie", "amenity/restaurant"}, Caso{"Pizzeria", "amenity/restaurant/pizza"},
        // Nothing.
        Caso{"Zzqx", nullptr}, Caso{"", nullptr}, Caso{"   ", nullptr}));

TEST(Preset, NessunaCorrispondenzaNominaLePiuVicine) {
    const QVector<const Preset*> v = Catalogo().vicini(QStringLiteral("Farmacista comunale"));
    ASSERT_EQ(v.size(), 5);
    QStringList nomi;
    for (const Preset* p : v) nomi << p->nome;
    EXPECT_TRUE(nomi.contains(QStringLiteral("Farmacia"))) << nomi.join(", ").toStdString();
    const QString m = Catalogo().messaggioNessuno(QStringLiteral("Farmacista comunale"));
    EXPECT_TRUE(m.contains(QStringLiteral("\"Farmacista comunale\"")));
    EXPECT_TRUE(m.contains(QStringLiteral("Farmacia (amenity=pharmacy)")));
}

TEST(Preset, TabellaDelProgramma) {
    // The committed table is read whole and every preset carries concrete tags.
    ASSERT_GT(Catalogo().preset().size(), 500);
    for (const Preset& p : Catalogo().preset()) {
        ASSERT_FALSE(p.tag.isEmpty()) << p.id.toStdString();
        for (const auto& [k, v] : p.tag) EXPECT_FALSE(k.isEmpty() || v.isEmpty()) << p.id.toStdString();
    }
    // A table text of another form is skipped line by line, never half-read.
    const CatalogoPreset c(QStringLiteral("# note\nx/y\tIcs\t\tshop=x\nrotta\tsenza colonne\nz\tZeta\ta,b\tbad=\"q\"\n"));
    ASSERT_EQ(c.preset().size(), 1);
    EXPECT_EQ(c.trova(QStringLiteral("ics"))->id, QStringLiteral("x/y"));
}

TEST(Preset, FiltroDaTesto) {
    struct F {
        const char* testo;
        const char* atteso;  // nullptr: refused
    };
    const F casi[] = {
        {"amenity=pharmacy", "amenity=pharmacy"},
        {" shop = car_repair ", "shop=car_repair"},
        {"amenity=place_of_worship;religion=christian", "amenity=place_of_worship;religion=christian"},
        {"shop", "shop"},
        {"shop=*", "shop"},
        {"", nullptr},
        {"=pharmacy", nullptr},
        {"amenity=\"];out;", nullptr},
        {"amenity=a\\b", nullptr},
        {"amenity=a\nb", nullptr},
    };
    for (const F& f : casi) {
        Filtro filtro;
        QString errore;
        const bool ok = LeggiFiltro(QString::fromUtf8(f.testo), filtro, errore);
        EXPECT_EQ(ok, f.atteso != nullptr) << f.testo;
        if (ok)
            EXPECT_EQ(TestoFiltro(filtro), QString::fromUtf8(f.atteso));
        else
            EXPECT_TRUE(errore.startsWith(QStringLiteral("Tag OpenStreetMap"))) << errore.toStdString();
    }
}

}  // namespace
