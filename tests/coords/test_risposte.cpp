// Answer pages and text rules of the coordinate lookup, on hand-written pages that carry the
// markers the parsers read, with the variations real pages show.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "coords/risposte.h"

using namespace gm::coords;

namespace {
std::string S(const QString& s) { return s.toStdString(); }
}  // namespace

TEST(FormatoCoordinata, CutsPadsAndRefusesWhatIsNoNumber) {
    struct {
        QString in, atteso;
    } casi[] = {
        {"41.9027835", "41.90278"}, {"12.4964", "12.49640"}, {"12.49640", "12.49640"},
        {"41", "41.00000"},  // whole degrees stay whole degrees
        {"41.", "41.00000"},        {"7.1", "7.10000"},      {"", ""},
        {".", ""},                  {".5", ""},              {"12.5.3", ""},
        {"abc", ""},                {"1234.5", ""},          {"-12.5", ""},
    };
    for (const auto& c : casi) EXPECT_EQ(FormatoCoordinata(c.in), c.atteso) << S(c.in);
}

TEST(FormatoCoordinata, PositionsOutsideRealRangeAreRefused) {
    struct {
        QString lat, lon;
        bool valida;
    } casi[] = {
        {"41.9", "12.5", true},  {"90", "180", true},   {"90.00001", "12", false}, {"45", "180.5", false},
        {"0", "12.5", false},    {"0.0", "0.0", false}, {"999", "12", false},      {"45", "", false},
        {"", "9.1", false},      {"45.x", "9", false},
    };
    for (const auto& c : casi) EXPECT_EQ(CreaPosizione(c.lat, c.lon).valida(), c.valida) << S(c.lat) << " " << S(c.lon);
}

TEST(Mappa, ReadsLxAsLongitudeAndLyAsLatitude) {
    struct {
        QString pagina, lat, lon;
    } casi[] = {
        {"<a href=\"m?lx=12.4964&ly=41.9027835&z=3\">", "41.90278", "12.49640"},
        {"<IMG SRC='x?LY=45.46&amp;LX=9.19&W=1'>", "45.46000", "9.19000"},
        {"lx=12.5&z=1", "", ""},                 // no latitude: nothing
        {"lx=abc&ly=41.9&", "", ""},            // non-numeric longitude
        {"lx=12.5&ly=123.4&", "", ""},          // no such latitude
        {"lx=12.5&ly=41.9", "", ""},            // cut-off page: the number never ends
        {"nothing here", "", ""},
    };
    for (const auto& c : casi) {
        const Posizione p = LeggiMappa(c.pagina);
        EXPECT_EQ(p.lat, c.lat) << S(c.pagina);
        EXPECT_EQ(p.lon, c.lon) << S(c.pagina);
    }
}

TEST(PagineBianche, RefusedAnswerAndMapLinks) {
    EXPECT_TRUE(RispostaNegata("<p>Spiacenti, NON E' POSSIBILE  FORNIRE\nUNA RISPOSTA</p>"));
    EXPECT_TRUE(RispostaNegata("non e&#39; possibile fornire una risposta"));
    EXPECT_FALSE(RispostaNegata("<p>Rossi Mario</p>"));

    struct {
        QString pagina, link;
    } casi[] = {
        {"<a class=\"mappa\" href=\"/execute.cgi?m=1\">mappa</a>", "/execute.cgi?m=1"},
        {"<A HREF='/execute.cgi?m=2' title=x CLASS=\"mappa\">", "/execute.cgi?m=2"},  // other attribute order
        {"<div class=\"mappa\"><span>x</span><a href=/map?m=3>", "/map?m=3"},
        {"<a class=\"mappainterattiva\" href=\"/x\">", ""},  // a different class
        {"<a class=\"mappa\" href=\"/cut", ""},              // cut-off page
        {"<a href=\"/x\">", ""},
    };
    for (const auto& c : casi) EXPECT_EQ(LinkMappaBianche(c.pagina), c.link) << S(c.pagina);
    EXPECT_EQ(LinkMappaInterattiva("<a href=\"mappa.cgi?a=1\" class=\"mappainterattiva\">"), "mappa.cgi?a=1");
}

TEST(PagineBianche, InformationBlockGivesTheListingData) {
    const QString pagina = QString::fromUtf8(
        "<html><!-- TABELLA DEFINIZIONE INFO START --><table><tr><td><b>ROSSI  MARIO</b></td></tr> <tr><td>"
        "00185 ROMA (RM) - 12, VIA ROMA</td></tr><tr><td>tel: 06 1234567</td></tr></table>"
        "<!-- TABELLA DEFINIZIONE INFO END --><p>Altro</p>");
    Scheda s;
    ASSERT_TRUE(LeggiSchedaBianche(pagina, s));
    EXPECT_EQ(s[0], "ROSSI MARIO");
    EXPECT_EQ(s[1], "VIA ROMA, 12");  // the house number moves behind the street
    EXPECT_EQ(s[2], "00185");
    EXPECT_EQ(s[3], "ROMA");
    EXPECT_EQ(s[4], "RM");

    Scheda t;
    EXPECT_FALSE(LeggiSchedaBianche(QString(pagina).replace("INFO END", "XXX"), t));  // cut-off block
    EXPECT_FALSE(LeggiSchedaBianche("<p>no block</p>", t));
    // Only the name: the other fields stay empty, so they cannot blank the row.
    ASSERT_TRUE(LeggiSchedaBianche("<!--TABELLA DEFINIZIONE INFO START--><b>BAR SPORT</b><!--TABELLA DEFINIZIONE INFO END-->", t));
    EXPECT_EQ(t[0], "BAR SPORT");
    EXPECT_TRUE(t[1].isEmpty() && t[2].isEmpty() && t[3].isEmpty());
}

TEST(PagineGialle, QueryPartsMapLinkAndFirstListing) {
    struct {
        QString colonna, via, civico, riscritta;
    } casi[] = {
        {"Via Roma (12)-10", "Via Roma", "12", "Via Roma, 12"},
        {"Via Roma 12", "Via Roma 12", "", ""},
        {"Via (Roma", "Via Roma", "", ""},
        {"", "", "", ""},
    };
    for (const auto& c : casi) {
        QString via, civico, riscritta;
        SeparaCivico(c.colonna, via, civico, riscritta);
        EXPECT_EQ(via, c.via) << S(c.colonna);
        EXPECT_EQ(civico, c.civico) << S(c.colonna);
        EXPECT_EQ(riscritta, c.riscritta) << S(c.colonna);
    }
    EXPECT_EQ(PulisciCitta("Roma (RM)"), "Roma");
    EXPECT_EQ(PulisciCitta("Roma"), "Roma");

    EXPECT_EQ(LinkMappaGialle("<a class=\"interattiva\" href=\"http://x/pg/cgi/mappe/build_map.cgi?cl=AB12&cb=1\">"),
              "cl=AB12&cb=1");
    EXPECT_EQ(LinkMappaGialle("<a href='/pg/m?CL=9&cb=2' id=\"mappa-interattiva\">"), "CL=9&cb=2");
    EXPECT_EQ(LinkMappaGialle("<a class=\"interattiva\" href=\"/nolink\">"), "");

    const QString risultati = "<div class=\"a\"><h3>Bar Sport</h3><p>00185 Roma (RM) - Via Milano, 12</p><p>tel: 06 1</p>";
    Scheda s;
    ASSERT_TRUE(LeggiPrimoAnnuncioGialle(risultati, "Rm", s));
    EXPECT_EQ(s[1], "Via Milano, 12");
    EXPECT_EQ(s[2], "00185");
    EXPECT_EQ(s[3], "Roma");
    EXPECT_EQ(s[4], "RM");
    Scheda t;
    EXPECT_FALSE(LeggiPrimoAnnuncioGialle(risultati, "MI", t));
}

TEST(Geocoder, SingleLocationPage) {
    const QString pagina =
        "<html><head><title>Multimap - Map of Via Roma</title></head><body><h2>Map Information</h2><dl>"
        "<dt>Address</dt><dd class=\"ind\"><b>Via Roma 10</b>, 00184 Roma, Italy</dd>"
        "<dt>Latitude</dt><dd><a href=\"/map?lat=41.90107&lon=12.4963&s=5000\">41:54:04N</a></dd></dl>";
    const QVector<Luogo> l = LeggiRispostaGeocoder(pagina);
    ASSERT_EQ(l.size(), 1);
    EXPECT_EQ(l[0].testo, "Via Roma 10, 00184 Roma, Italy");
    const Posizione p = CoordinateFrammento(l[0].frammento);
    EXPECT_EQ(p.lat, "41.90107");
    EXPECT_EQ(p.lon, "12.49630");

    // Without "lon=" the location has no position at all.
    const QVector<Luogo> senza = LeggiRispostaGeocoder(QString(pagina).replace("lon=", "lng="));
    ASSERT_EQ(senza.size(), 1);
    EXPECT_FALSE(CoordinateFrammento(senza[0].frammento).valida());
}

namespace {
QString Lista(int dichiarati, int righe, const QString& frase = "we found %1 places") {
    QString p = "<html><h1>Searching for Via Roma</h1><p>Looks like " + frase.arg(dichiarati) +
                "</p><p>Best matches for your search:</p><table>";
    for (int i = 1; i <= righe; ++i)
        p += QString("<tr><TH class=\"n\"> %1 </TH><td><a href=\"/map?lat=45.%1&amp;lon=9.%1\">Via Roma %1, 20121 "
                     "Milano, Italy</a></td></tr>")
                 .arg(i);
    return p + "</table></html>";
}
}  // namespace

TEST(Geocoder, ListPageIsReadUpToItsCountAndNeverBeyondFifty) {
    struct {
        QString pagina;
        int attesi;
    } casi[] = {
        {Lista(3, 3), 3},
        {Lista(5, 2), 2},   // fewer rows than announced
        {Lista(2, 4), 2},   // more rows than announced
        {Lista(80, 80), 50},
        {Lista(0, 70, "we found more than %1 places"), 50},
        {Lista(0, 3), 0},
        {"<html>no answer</html>", 0},
    };
    for (const auto& c : casi) EXPECT_EQ(LeggiRispostaGeocoder(c.pagina).size(), c.attesi) << c.attesi;

    const QVector<Luogo> l = LeggiRispostaGeocoder(Lista(3, 3));
    EXPECT_EQ(l[1].testo, "Via Roma 2, 20121 Milano, Italy");
    EXPECT_EQ(CoordinateFrammento(l[1].frammento).lat, "45.20000");
    EXPECT_EQ(CoordinateFrammento(l[1].frammento).lon, "9.20000");

    // A row without a link gets no position and does not take the next row's link.
    QString buco = Lista(3, 3);
    buco.replace("<a href=\"/map?lat=45.2&amp;lon=9.2\">Via Roma 2, 20121 Milano, Italy</a>", "Via Roma 2");
    const QVector<Luogo> b = LeggiRispostaGeocoder(buco);
    ASSERT_EQ(b.size(), 3);
    EXPECT_FALSE(CoordinateFrammento(b[1].frammento).valida());
    EXPECT_EQ(CoordinateFrammento(b[2].frammento).lat, "45.30000");
}

TEST(ConfrontaTesti, SameWordsInAnyOrder) {
    struct {
        QString a, b;
        bool uguali;
    } casi[] = {
        {"Reggio di Calabria", "Reggio Calabria", true},
        {"Calabria Reggio", "REGGIO CALABRIA", true},
        {"Forli-Cesena", "Forli Cesena", true},
        {"Forli - Cesena", "Forli Cesena", true},
        {"Baia E Latina", "Baia Latina", true},
        {"Roma (RM)", "roma", true},
        {"Roma", "Roma  ", true},
        {"Roma", "Roma Capitale", false},
        {"Reggio Emilia", "Reggio Calabria", false},
        {"Reggio Reggio", "Reggio Calabria", true},  // a repeated word makes up for a missing one
        {"", "", false},
        {"   ", "Roma", false},
        // More than ten words: every word still counts.
        {"a b c d e f g h i j k", "a b c d e f g h i j z", false},
        {"a b c d e f g h i j k l", "l k j i h g f e d c b a", true},
    };
    for (const auto& c : casi) EXPECT_EQ(ConfrontaTesti(c.a, c.b), c.uguali) << S(c.a) << " / " << S(c.b);

    // Long texts stay correct and fast: 20000 words each.
    QString lungo, rovescio;
    for (int i = 0; i < 20000; ++i) {
        lungo += QString("w%1 ").arg(i);
        rovescio += QString("w%1 ").arg(19999 - i);
    }
    EXPECT_TRUE(ConfrontaTesti(lungo, rovescio));
    EXPECT_FALSE(ConfrontaTesti(lungo, rovescio + "altra"));

}

TEST(Punteggio, PostalCodeTownProvinceAndStreetWords) {
    auto cand = [](QString via, QString cap, QString citta, QString pr) {
        Candidato c;
        c[1] = via, c[2] = cap, c[4] = citta, c[5] = pr;
        return c;
    };
    struct {
        Candidato c;
        long atteso;
    } casi[] = {
        {cand("Via Roma", "00185", "Roma", "RM"), 15 + 15 + 30 + 2},
        {cand("Via Roma", "00100", "Ostia-Roma", "rm"), 15 + 30 + 2},
        {cand("Via Roma", "00185", "Roma", "MI"), -50 + 2},  // other province
        {cand("Via Roma", "00185", "Roma", ""), -35 + 2},    // unknown province
        {cand("Corso Italia", "00185", "Roma", "RM"), 60},
        {cand("", "", "", "RM"), 30 + 1},                    // the empty word always occurs
    };
    for (const auto& c : casi) EXPECT_EQ(PunteggioCandidato(c.c, "Via Roma 12", "00185", "Roma", "Rm"), c.atteso);
    EXPECT_EQ(PunteggioCandidato(cand("Via Roma", "", "Roma", ""), "Via Roma 1", "", "Roma", ""), 15 + 30 + 2);
}

TEST(Punteggio, ResultAddressKeepsBothHouseNumbersWhenTheyDiffer) {
    struct {
        QString via, record, atteso;
    } casi[] = {
        {"Via Roma 10", "Via Roma 12", "Via Roma (12)-10"},
        {"Via Roma", "Via Roma 1", "Via Roma (1)-"},
        {"Via Roma, 12", "Via Roma, 12", "Via Roma 12"},
        {"Via Roma 12 14", "Via Roma 12", "Via Roma 12"},
        {"", "Via Verdi, 3", "Via Verdi, 3"},
        {"Piazza Duomo", "Piazza Duomo", "Piazza Duomo"},
    };
    for (const auto& c : casi) EXPECT_EQ(IndirizzoRisultato(c.via, c.record), c.atteso) << S(c.via);
}

// Arbitrary bytes around the markers: no crash, and a position is either valid or empty.
TEST(Robustezza, ArbitraryTextNeverGivesAnInventedPosition) {
    const QStringList pezzi = {"lx=", "ly=", "lat=", "lon=", "<", ">", "\"", "'", "href=", "class=\"mappa\"",
                               "map of", "Map Information", "<dd>", "</dd>", "searching for", "like", "found",
                               "places", "match for", ">1</th", "<a href=", "</a>", "99.9", "12.5", ".", "-", "&",
                               ";", "TABELLA DEFINIZIONE INFO START", "TABELLA DEFINIZIONE INFO END", "(RM)",
                               "00185", "interattiva", "cl=", " ", "\xc3\xa0", "more than", "50"};
    QRandomGenerator g(7);
    for (int k = 0; k < 3000; ++k) {
        QString s;
        const int n = int(g.bounded(40));
        for (int i = 0; i < n; ++i) {
            if (g.bounded(4) == 0)
                s += QChar(char16_t(g.bounded(1, 0xFFFF)));
            else
                s += QString::fromUtf8(pezzi[int(g.bounded(pezzi.size()))].toUtf8());
        }
        const Posizione m = LeggiMappa(s);
        if (m.valida()) EXPECT_TRUE(CoordinatePlausibili(m.lat, m.lon));
        for (const Luogo& l : LeggiRispostaGeocoder(s)) {
            const Posizione p = CoordinateFrammento(l.frammento);
            if (p.valida()) EXPECT_TRUE(CoordinatePlausibili(p.lat, p.lon));
        }
        EXPECT_LE(LeggiRispostaGeocoder(s).size(), kMaxCandidati);
        Scheda sc;
        LeggiSchedaBianche(s, sc);
        LeggiPrimoAnnuncioGialle(s, "RM", sc);
        LinkMappaBianche(s);
        LinkMappaGialle(s);
        LinkMappaInterattiva(s);
        ConfrontaTesti(s, s.left(10));
    }
}
