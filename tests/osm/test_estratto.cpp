// Extract files made with osmium-tool from OpenStreetMap XML written here.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

#include "geo/territorio.h"
#include "osm/estratto.h"
#include "support/ambiente_test.h"

using namespace gm;
using namespace gm::osm;

namespace {


// Two municipalities of Isernia as squares (Agnone with a hole), a square of Vasto (Chieti) next
// to them, and points and outlines of several kinds.
const char* kXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="test">
  <node id="1" lat="41.80" lon="14.30"/><node id="2" lat="41.80" lon="14.40"/>
  <node id="3" lat="41.90" lon="14.40"/><node id="4" lat="41.90" lon="14.30"/>
  <node id="5" lat="41.84" lon="14.34"/><node id="6" lat="41.84" lon="14.36"/>
  <node id="7" lat="41.86" lon="14.36"/><node id="8" lat="41.86" lon="14.34"/>
  <node id="11" lat="41.40" lon="14.00"/><node id="12" lat="41.40" lon="14.10"/>
  <node id="13" lat="41.50" lon="14.10"/><node id="14" lat="41.50" lon="14.00"/>
  <node id="21" lat="42.00" lon="14.60"/><node id="22" lat="42.00" lon="14.70"/>
  <node id="23" lat="42.10" lon="14.70"/><node id="24" lat="42.10" lon="14.60"/>
  <node id="100" lat="41.8123456" lon="14.3211111">
    <tag k="amenity" v="pharmacy"/><tag k="name" v="Farmacia Rossi"/><tag k="addr:street" v="Corso Garibaldi"/>
    <tag k="addr:housenumber" v="12"/><tag k="phone" v="+39 0865 77123"/>
  </node>
  <node id="101" lat="41.85" lon="14.35"><tag k="amenity" v="pharmacy"/><tag k="name" v="Nel Buco"/></node>
  <node id="102" lat="41.45" lon="14.05"><tag k="amenity" v="pharmacy"/></node>
  <node id="103" lat="41.45" lon="14.06"><tag k="amenity" v="bank"/><tag k="name" v="Banca"/></node>
  <node id="104" lat="42.05" lon="14.65"><tag k="amenity" v="pharmacy"/><tag k="name" v="Farmacia Del Mare"/></node>
  <node id="105" lat="40.00" lon="15.00">
    <tag k="amenity" v="pharmacy"/><tag k="name" v="Farmacia Col Cap"/><tag k="addr:postcode" v="86079"/>
  </node>
  <node id="201" lat="41.42" lon="14.02"/><node id="202" lat="41.42" lon="14.04"/>
  <node id="203" lat="41.44" lon="14.04"/><node id="204" lat="41.44" lon="14.02"/>
  <way id="1000"><nd ref="1"/><nd ref="2"/><nd ref="3"/></way>
  <way id="1001"><nd ref="3"/><nd ref="4"/><nd ref="1"/></way>
  <way id="1002"><nd ref="5"/><nd ref="6"/><nd ref="7"/><nd ref="8"/><nd ref="5"/></way>
  <way id="1003"><nd ref="11"/><nd ref="12"/><nd ref="13"/><nd ref="14"/><nd ref="11"/></way>
  <way id="1004"><nd ref="21"/><nd ref="22"/><nd ref="23"/><nd ref="24"/><nd ref="21"/></way>
  <way id="2000"><nd ref="201"/><nd ref="202"/><nd ref="203"/><nd ref="204"/><nd ref="201"/>
    <tag k="amenity" v="pharmacy"/><tag k="name" v="Farmacia Venafrana"/><tag k="contact:phone" v="0039 0865 900"/>
  </way>
  <relation id="5000"><member type="way" ref="1000" role="outer"/><member type="way" ref="1001" role="outer"/>
    <member type="way" ref="1002" role="inner"/>
    <tag k="type" v="boundary"/><tag k="boundary" v="administrative"/><tag k="admin_level" v="8"/><tag k="name" v="Agnone"/>
  </relation>
  <relation id="5001"><member type="way" ref="1003" role="outer"/>
    <tag k="type" v="boundary"/><tag k="boundary" v="administrative"/><tag k="admin_level" v="8"/><tag k="name" v="Venafro"/>
  </relation>
  <relation id="5002"><member type="way" ref="1004" role="outer"/>
    <tag k="type" v="boundary"/><tag k="boundary" v="administrative"/><tag k="admin_level" v="8"/><tag k="name" v="Vasto"/>
  </relation>
</osm>
)";

AreaOsm Isernia() {
    const Territorio& t = Territorio::Incorporato();
    for (int r = 1; r <= t.numeroRegioni(); ++r)
        for (int p = 1; p <= t.numeroProvince(r); ++p)
            if (t.nomeProvincia(r, p) == u"Isernia") return {AreaOsm::Provincia, r, p, 0};
    return {};
}

TEST(Estratto, XmlEPbfDanGliStessiRecord) {
    QTemporaryDir dir;
    const QString xml = dir.filePath("prova.osm"), pbf = dir.filePath("prova.osm.pbf");
    {
        QFile f(xml);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kXml);
    }
    const QString osmium = QStandardPaths::findExecutable(QStringLiteral("osmium"));
    ASSERT_FALSE(osmium.isEmpty()) << "osmium-tool is missing";
    ASSERT_EQ(QProcess::execute(osmium, {"cat", xml, "-o", pbf, "--overwrite"}), 0);

    const QVector<Filtro> farmacie{Filtro{{"amenity", "pharmacy"}}};
    for (const QString& file : {xml, pbf}) {
        SCOPED_TRACE(file.toStdString());
        const LetturaEstratto l = LeggiEstratto(Territorio::Incorporato(), file, {Isernia()}, farmacie);
        ASSERT_TRUE(l.errore.isEmpty()) << l.errore.toStdString();
        EXPECT_EQ(l.confini, 2);   // Vasto lies in another province
        EXPECT_EQ(l.esito.senzaNome, 1);
        EXPECT_EQ(l.esito.fuoriArea, 2);  // in Agnone's hole, and in Vasto
        ASSERT_EQ(l.esito.record.size(), 3);
        QVector<Record> v = l.esito.record;
        std::sort(v.begin(), v.end(), [](const Record& a, const Record& b) { return a[kNome] < b[kNome]; });
        const Record rossi{"Farmacia Rossi", "Corso Garibaldi, 12", "86081", "Agnone", "Is", "0865 77123", "41.81234", "14.32111"};
        EXPECT_EQ(v[1], rossi);
        EXPECT_EQ(v[0][kNome], QStringLiteral("Farmacia Col Cap"));  // by its postal code
        EXPECT_EQ(v[0][kCitta], QStringLiteral("Venafro"));
        const Record& contorno = v[2];  // an outline, at the centre of its box
        EXPECT_EQ(contorno[kCitta], QStringLiteral("Venafro"));
        EXPECT_EQ(contorno[kTelefono], QStringLiteral("0865 900"));
        EXPECT_EQ(contorno[kLatitudine], QStringLiteral("41.43000"));
        EXPECT_EQ(contorno[kLongitudine], QStringLiteral("14.03000"));
    }
    // One municipality only.
    AreaOsm agnone = Isernia();
    agnone.livello = AreaOsm::Comune;
    for (int c = 1; c <= Territorio::Incorporato().numeroComuni(agnone.r, agnone.p); ++c)
        if (Territorio::Incorporato().nomeComune(agnone.r, agnone.p, c) == u"Agnone") agnone.c = c;
    const LetturaEstratto solo = LeggiEstratto(Territorio::Incorporato(), pbf, {agnone}, farmacie);
    ASSERT_EQ(solo.esito.record.size(), 1);
    EXPECT_EQ(solo.esito.record[0][kNome], QStringLiteral("Farmacia Rossi"));
}

TEST(Estratto, FileNonValidi) {
    QTemporaryDir dir;
    const std::pair<const char*, QByteArray> casi[] = {
        {"vuoto.osm.pbf", QByteArray()},
        {"rotto.osm.pbf", QByteArray("\x00\x00\x00\x0d\x0a\x09OSMHeader\x18\xff\xff\xff\x7f", 20)},
        {"rotto.osm", QByteArray("<osm><node id=\"1\" lat=\"x\"")},
        {"strano.txt", QByteArray("ciao")},
    };
    for (const auto& [nome, dati] : casi) {
        QFile f(dir.filePath(nome));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dati);
        f.close();
        const LetturaEstratto l = LeggiEstratto(Territorio::Incorporato(), f.fileName(), {Isernia()}, {Filtro{{"amenity", "pharmacy"}}});
        EXPECT_TRUE(l.esito.record.isEmpty()) << nome;
        if (dati.isEmpty()) continue;  // an empty file is an empty extract or an error: both fine
        EXPECT_FALSE(l.errore.isEmpty()) << nome;
    }
    EXPECT_FALSE(LeggiEstratto(Territorio::Incorporato(), dir.filePath("manca.pbf"), {Isernia()}, {}).errore.isEmpty());
}

}  // namespace

namespace {

TEST(Estratto, RigaDiComandoConIlFile) {
    QTemporaryDir dir;
    const QString xml = dir.filePath("prova.osm");
    {
        QFile f(xml);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kXml);
    }
    // Only the extract: no service at all is asked, and --osm-file alone switches the source on.
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("GEOMERCE_URL_OVERPASS", "http://127.0.0.1:1");
    p.setProcessEnvironment(env);
    p.start(test::Programma("geomerce-cli"),
            {"search", "--cosa", "Farmacie", "--regioni", "Molise", "--province", "Isernia", "--no-gialle", "--no-bianche",
             "--osm-file", "prova.osm", "--dir", dir.filePath("lavoro"), "--quiet"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QFile txt(dir.filePath("lavoro/Filescaricati/Farmacie.txt"));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    const QByteArray testo = txt.readAll();
    EXPECT_TRUE(testo.contains("Farmacia Rossi\tCorso Garibaldi, 12\t86081\tAgnone"));
    EXPECT_TRUE(testo.contains("OpenStreetMap contributors"));

    // Bad input is refused with the program's own message.
    for (const QStringList& extra : {QStringList{"--osm-tag", "amenity=\"x"}, QStringList{"--osm-file", "manca.pbf"}}) {
        QProcess q;
        q.setWorkingDirectory(dir.path());
        q.start(test::Programma("geomerce-cli"), QStringList{"search", "--cosa", "Farmacie", "--regioni", "Molise",
                                                             "--dir", dir.filePath("lavoro"), "--quiet"} + extra);
        ASSERT_TRUE(q.waitForFinished(60000));
        EXPECT_EQ(q.exitCode(), 2) << extra.join(' ').toStdString();
    }
}

}  // namespace
