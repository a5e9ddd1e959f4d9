// Search runs with the OpenStreetMap source against the built-in service over loopback.
#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include "net/testo.h"
#include "osm/sorgente.h"
#include "sim/elenco.h"
#include "support/ambiente_test.h"
#include "support/simulatore.h"

using namespace gm;

namespace {

const QString kMorto = QStringLiteral("http://127.0.0.1:1");

class CorsaOsm : public test::CorsaSulSimulatore {
protected:
    static void Scegli(Lista& l, const QStringList& nomi) {
        for (int i = 0; i < l.count(); ++i)
            if (nomi.isEmpty() || nomi.contains(l.item(i), Qt::CaseInsensitive)) {
                l.setListIndex(i);
                l.setSelected(i, true);
            }
    }
    void Avvia(const QString& cosa, bool gialle, bool bianche, bool osm, const QStringList& province = {},
               const QStringList& comuni = {}) {
        f->c.txtCosa.setText(cosa);
        f->c.chkRicerca[0]->setValue(gialle);
        f->c.chkRicerca[1]->setValue(bianche);
        f->c.chkOsm.setValue(osm);
        Scegli(f->c.lstRegioni, {QStringLiteral("Molise")});
        Scegli(f->c.lstProv, province);
        Scegli(f->c.lstComuni, comuni);
        f->c.cmdCarica.click();
    }
    QList<Record> Tabella() const {
        QList<Record> v;
        for (long r = 1; r <= f->tab.nRecord; ++r) v << f->tab.record(r);
        return v;
    }
};

TEST_F(CorsaOsm, SoloOpenStreetMapSenzaElenchi) {
    f->amb.servizi.gialle = f->amb.servizi.bianche = f->amb.servizi.geocoder = kMorto;
    Avvia(QStringLiteral("Farmacie"), false, false, true);
    EXPECT_EQ(prova.dialoghi.testi(), QStringList{QStringLiteral("Elaborazione terminata")});
    EXPECT_EQ(RichiesteCon(QStringLiteral("/api/interpreter")).size(), 1);  // one query for the region

    // The generated businesses of Molise for the preset's name, as the service lists them.
    sim::Elenco elenco(1);
    const Territorio& t = elenco.territorio();
    QSet<QString> telefoni;
    int quante = 0;
    for (int p = 1; p <= 2; ++p)
        for (int c = 1; c <= t.numeroComuni(11, p); ++c)
            for (const sim::Azienda& a : elenco.delComune(QStringLiteral("Farmacia"), 11, p, c)) {
                telefoni.insert(a.telefono);
                ++quante;
            }
    const QList<Record> righe = Tabella();
    ASSERT_GT(righe.size(), quante * 7 / 10);  // a few have no name on the map, a few are near-twins
    ASSERT_LE(righe.size(), quante);
    for (const Record& r : righe) {
        EXPECT_TRUE(r[kPr] == u"Cb" || r[kPr] == u"Is") << r[kPr].toStdString();  // nothing from the neighbours
        EXPECT_TRUE(r[kTelefono].isEmpty() || telefoni.contains(r[kTelefono])) << r[kTelefono].toStdString();
        EXPECT_EQ(r[kCap].size(), 5);
        EXPECT_EQ(r[kLatitudine].size(), 8);
        EXPECT_FALSE(r[kNome].isEmpty());
    }
    // The licence's notice goes with the data: window and TXT.
    EXPECT_TRUE(f->c.lblOsm.visible());
    QFile txt(f->salva.PercorsoTxt(QStringLiteral("Farmacie-End")));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_TRUE(txt.readAll().contains(";Dati \xA9 OpenStreetMap contributors, licenza ODbL"));
}

TEST_F(CorsaOsm, UnitaAgliElenchiSenzaDoppioni) {
    Avvia(QStringLiteral("Farmacia"), true, true, false, {QStringLiteral("Isernia")});
    const int soloElenchi = int(f->tab.nRecord);
    EXPECT_TRUE(RichiesteCon(QStringLiteral("/api/interpreter")).isEmpty());  // unticked: never asked
    EXPECT_TRUE(f->tab.attribuzioni.isEmpty());
    EXPECT_FALSE(f->c.lblOsm.visible());

    prova.dialoghi.mostrati.clear();
    f->c.optIntegr[0]->setValue(true);  // a new search over the same area, now with the map too
    Avvia(QStringLiteral("Farmacia"), true, true, true, {QStringLiteral("Isernia")});
    EXPECT_EQ(RichiesteCon(QStringLiteral("/api/interpreter")).size(), 1);
    const QList<Record> righe = Tabella();
    // The same businesses meet by telephone and by address: the map adds only what the
    // directories could not place, never a second row of a business they listed.
    EXPECT_GE(righe.size(), soloElenchi);
    EXPECT_LT(righe.size(), soloElenchi + soloElenchi / 5);
    QSet<QString> visti;
    for (const Record& r : righe) {
        if (r[kTelefono].isEmpty()) continue;
        EXPECT_FALSE(visti.contains(r[kTelefono].toLower())) << r[kTelefono].toStdString();
        visti.insert(r[kTelefono].toLower());
    }
}

TEST_F(CorsaOsm, ComuniScelti) {
    Avvia(QStringLiteral("Farmacia"), false, false, true, {QStringLiteral("Isernia")},
          {QStringLiteral("Agnone"), QStringLiteral("Venafro")});
    const QStringList q = RichiesteCon(QStringLiteral("/api/interpreter"));
    EXPECT_EQ(q.size(), 2);
    for (const Record& r : Tabella())
        EXPECT_TRUE(r[kCitta] == u"Agnone" || r[kCitta] == u"Venafro") << r[kCitta].toStdString();
}

TEST_F(CorsaOsm, AreaNonRicevutaRiferita) {
    f->amb.servizi.overpass = kMorto;
    Avvia(QStringLiteral("Farmacia"), true, false, true, {QStringLiteral("Isernia")});
    ASSERT_EQ(f->osm.areeMancanti.size(), 1);
    EXPECT_TRUE(f->osm.areeMancanti[0].startsWith(QStringLiteral("OpenStreetMap, Provincia Isernia: collegamento")));
    EXPECT_GT(f->tab.nRecord, 0);  // the directory's records are kept
    ASSERT_FALSE(prova.dialoghi.mostrati.isEmpty());
    EXPECT_EQ(prova.dialoghi.mostrati.last().titolo, QStringLiteral("Dati mancanti"));
}

TEST_F(CorsaOsm, CategoriaSenzaPresetNonParte) {
    Avvia(QStringLiteral("Zzqx"), true, true, true);
    ASSERT_EQ(prova.dialoghi.mostrati.size(), 1);
    EXPECT_TRUE(prova.dialoghi.mostrati[0].testo.contains(QStringLiteral("Le più vicine")));
    EXPECT_TRUE(RichiesteCon(QStringLiteral("/")).isEmpty());
    // Tags given directly need no preset.
    prova.dialoghi.mostrati.clear();
    f->osm.filtriUtente = {osm::Filtro{{QStringLiteral("amenity"), QStringLiteral("pharmacy")}}};
    Avvia(QStringLiteral("Zzqx"), false, false, true, {QStringLiteral("Isernia")});
    EXPECT_EQ(prova.dialoghi.testi(), QStringList{QStringLiteral("Elaborazione terminata")});
    EXPECT_GT(f->tab.nRecord, 0);
}

}  // namespace
