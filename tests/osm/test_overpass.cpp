// Overpass query text per area level, the answer reader and the records an answer gives.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "geo/territorio.h"
#include "osm/overpass.h"
#include "support/ambiente_test.h"

using namespace gm;
using namespace gm::osm;

namespace {


// Area-table indices by name.
AreaOsm Area(const QString& regione, const QString& provincia = {}, const QString& comune = {}) {
    const Territorio& t = Territorio::Incorporato();
    AreaOsm a;
    for (int r = 1; r <= t.numeroRegioni(); ++r) {
        if (t.nomeRegione(r) != regione) continue;
        a.r = r;
        for (int p = 1; p <= t.numeroProvince(r); ++p) {
            if (t.nomeProvincia(r, p) != provincia) continue;
            a.p = p;
            a.livello = AreaOsm::Provincia;
            for (int c = 1; c <= t.numeroComuni(r, p); ++c)
                if (t.nomeComune(r, p, c) == comune) {
                    a.c = c;
                    a.livello = AreaOsm::Comune;
                }
        }
    }
    return a;
}

const Filtro kFarmacia{{"amenity", "pharmacy"}};

TEST(QueryOverpass, UnaPerLivelloDArea) {
    struct Q {
        AreaOsm area;
        const char* codice;
        int timeout;
        bool nome;
    };
    const Q casi[] = {
        {Area("Molise"), "IT-67", 600, false},
        {Area("Lombardia", "Milano"), "IT-MI", 300, false},
        {Area("Valle d'Aosta", "Aosta"), "IT-23", 300, false},  // the province is the region
        {Area("Abruzzi", "Chieti", "Sant'Eusanio Del Sangro"), "IT-CH", 120, true},
    };
    for (const Q& q : casi) {
        const QString testo = QueryOverpass(Territorio::Incorporato(), q.area, {kFarmacia});
        SCOPED_TRACE(testo.toStdString());
        EXPECT_TRUE(testo.startsWith(QStringLiteral("[out:json][timeout:%1];").arg(q.timeout)));
        EXPECT_TRUE(testo.contains(QStringLiteral("area[\"ISO3166-2\"=\"%1\"]").arg(QLatin1String(q.codice))));
        EXPECT_TRUE(testo.contains(QStringLiteral("nwr[\"amenity\"=\"pharmacy\"](area.dentro);")));
        EXPECT_TRUE(testo.contains(QStringLiteral("out center tags;")));
        EXPECT_EQ(testo.contains(QStringLiteral("[\"name\"~")), q.nome);
    }
    // Several choices are one union; key-only filters ask for the key.
    const QString due = QueryOverpass(Territorio::Incorporato(), Area("Molise"), {kFarmacia, Filtro{{"shop", "chemist"}, {"brand", ""}}});
    EXPECT_TRUE(due.contains(QStringLiteral("nwr[\"shop\"=\"chemist\"][\"brand\"](area.dentro);")));
    // No code, no query.
    EXPECT_TRUE(QueryOverpass(Territorio::Incorporato(), AreaOsm{AreaOsm::Regione, 99, 0, 0}, {kFarmacia}).isEmpty());
}

TEST(QueryOverpass, ModelloDelNomeAccettaLaGrafiaDellaMappa) {
    struct M {
        const char* tabella;
        const char* mappa;
        bool uguale;
    };
    const M casi[] = {
        {"Forli", "Forlì", true},
        {"Cantu", "CANTÙ", true},
        {"Sant'Eusanio Del Sangro", "Sant’Eusanio del Sangro", true},
        {"Bellaria-Igea Marina", "Bellaria Igea Marina", true},
        {"Roma", "Romagnano", false},
        {"Bra", "Brà", true},
        {"A.B", "A(B", true},  // punctuation never becomes a pattern operator of its own
    };
    for (const M& m : casi) {
        const QRegularExpression re(ModelloNome(QString::fromUtf8(m.tabella)), QRegularExpression::CaseInsensitiveOption);
        ASSERT_TRUE(re.isValid());
        EXPECT_EQ(re.match(QString::fromUtf8(m.mappa)).hasMatch(), m.uguale) << m.tabella << " / " << m.mappa;
    }
}

QByteArray Json(const QJsonArray& elementi, const QString& remark = {}) {
    QJsonObject o{{"version", 0.6}, {"elements", elementi}};
    if (!remark.isEmpty()) o.insert("remark", remark);
    return QJsonDocument(o).toJson();
}

QJsonObject Confine(const QString& nome) {
    return {{"type", "relation"}, {"id", 1}, {"tags", QJsonObject{{"boundary", "administrative"}, {"admin_level", "8"}, {"name", nome}}}};
}
QJsonObject Punto(qint64 id, double lat, double lon, const QJsonObject& tag, bool way = false) {
    QJsonObject e{{"type", way ? "way" : "node"}, {"id", double(id)}, {"tags", tag}};
    if (way)
        e.insert("center", QJsonObject{{"lat", lat}, {"lon", lon}});
    else {
        e.insert("lat", lat);
        e.insert("lon", lon);
    }
    return e;
}

TEST(RispostaOverpass, TestiNonValidi) {
    const QByteArray casi[] = {"", "null", "[]", "{\"elements\":3}", "{\"elements\":[1,2,\"x\"]", "<html>Error</html>",
                               "{\"elements\":[{\"type\":\"node\",\"lat\":\"a\"}]}"};
    for (const QByteArray& c : casi) {
        RispostaOverpass r;
        QString errore;
        const bool ok = LeggiRisposta(c, r, errore);
        if (ok) {
            // Read, but nothing with a position.
            for (const Elemento& e : r.elementi) EXPECT_FALSE(e.posizione);
        } else {
            EXPECT_FALSE(errore.isEmpty()) << c.toStdString();
        }
    }
    // A time-out on the server leaves a partial answer: the area must not pass as complete.
    RispostaOverpass r;
    QString errore;
    EXPECT_FALSE(LeggiRisposta(Json({Punto(1, 41.5, 14.2, {{"name", "X"}})},
                                    "runtime error: Query timed out in \"query\" at line 5 after 181 seconds."),
                               r, errore));
    EXPECT_TRUE(errore.contains(QStringLiteral("timed out")));
    // Positions out of range are no positions.
    ASSERT_TRUE(LeggiRisposta(Json({Punto(1, 141.5, 14.2, {{"name", "X"}})}), r, errore));
    EXPECT_FALSE(r.elementi[0].posizione);
}

TEST(RispostaOverpass, RecordNelComuneDelConfineOFuori) {
    // Province of Isernia: Agnone and Venafro are in it; Vasto lies outside.
    const AreaOsm area = Area("Molise", "Isernia");
    const QJsonArray elementi{
        Confine("Agnone"),
        Punto(10, 41.81234567, 14.3765432, {{"name", "Farmacia Rossi"}, {"amenity", "pharmacy"}, {"addr:street", "Corso Garibaldi"},
                                             {"addr:housenumber", "12"}, {"addr:postcode", "86081"}, {"phone", "+39 0865 77123"}}),
        Punto(11, 41.8, 14.37, {{"amenity", "pharmacy"}}),                               // no name
        Punto(12, 41.81, 14.38, {{"name", "Farmacia Del Corso"}, {"contact:phone", "0039 0865 1; 0865 2"}}, true),
        Confine("Vasto"),
        Punto(13, 42.1, 14.7, {{"name", "Farmacia Del Mare"}}),                          // outside the area
        Punto(14, 42.1, 14.7, {{"name", "Farmacia Col Cap"}, {"addr:postcode", "86079"}}),  // Venafro by postal code
        Confine("Venafro"),
        Punto(10, 41.81234567, 14.3765432, {{"name", "Farmacia Rossi"}}),                // same element again
    };
    RispostaOverpass r;
    QString errore;
    ASSERT_TRUE(LeggiRisposta(Json(elementi), r, errore)) << errore.toStdString();
    const EsitoArea e = RecordDaRisposta(Territorio::Incorporato(), area, r);
    EXPECT_EQ(e.senzaNome, 1);
    EXPECT_EQ(e.fuoriArea, 1);
    ASSERT_EQ(e.record.size(), 3);
    const Record primo{"Farmacia Rossi", "Corso Garibaldi, 12", "86081", "Agnone", "Is", "0865 77123", "41.81234", "14.37654"};
    EXPECT_EQ(e.record[0], primo);
    // The municipality's postal code when the element has none; the first telephone only.
    EXPECT_EQ(e.record[1][kCap], QStringLiteral("86081"));
    EXPECT_EQ(e.record[1][kIndirizzo], QString());
    EXPECT_EQ(e.record[1][kTelefono], QStringLiteral("0865 1"));
    EXPECT_EQ(e.record[2][kCitta], QStringLiteral("Venafro"));
}

TEST(RispostaOverpass, NomiDeiComuniComeSullaMappa) {
    const AreaOsm area = Area("Trentino Alto Adige", "Bolzano");
    const IndiceComuni indice(Territorio::Incorporato(), area);
    Luogo l;
    for (const char* nome : {"Bolzano - Bozen", "BOLZANO", "Bolzano/Bozen"}) {
        ASSERT_TRUE(indice.perNome(QString::fromUtf8(nome), l)) << nome;
        EXPECT_EQ(Territorio::Incorporato().nomeComune(l.r, l.p, l.c), QStringLiteral("Bolzano"));
    }
    EXPECT_FALSE(indice.perNome(QStringLiteral("Trento"), l));
    EXPECT_FALSE(indice.perNome(QString(), l));
    // A district code of a large town finds the town by its general code.
    const AreaOsm am = Area("Lombardia", "Milano");
    ASSERT_EQ(am.livello, AreaOsm::Provincia) << am.r << " " << am.p;
    const IndiceComuni milano(Territorio::Incorporato(), am);
    ASSERT_TRUE(milano.perCap(QStringLiteral("20121"), l));
    EXPECT_EQ(Territorio::Incorporato().nomeComune(l.r, l.p, l.c), QStringLiteral("Milano"));
}

TEST(RispostaOverpass, TelefonoSenzaPrefissoInternazionale) {
    const std::pair<const char*, const char*> casi[] = {
        {"+39 02 1234567", "02 1234567"}, {"+390212345", "0212345"}, {"0039 06 123", "06 123"},
        {"+39-333-1234567", "333-1234567"}, {"06 123;06 456", "06 123"}, {"+41 22 123", "+41 22 123"}, {"", ""},
    };
    for (const auto& [dato, atteso] : casi) EXPECT_EQ(TelefonoItaliano(QString::fromUtf8(dato)), QString::fromUtf8(atteso)) << dato;
}

}  // namespace
