// The lookup routes of one row, the geocoder against the area table, and the pass over the table,
// with a scripted page fetcher that answers by path and counts the requests.
#include <gtest/gtest.h>

#include <functional>

#include "support/ambiente_test.h"

using namespace gm;

namespace {

struct Banco {
    test::FormDiProva f;
    Form& form;
    QStringList richieste;
    std::function<QString(const QString&)> risposta = [](const QString&) { return QString(); };

    Banco() : form(f.avvia()) {
        form.amb.servizi.gialle = "http://gialle";
        form.amb.servizi.bianche = "http://bianche";
        form.amb.servizi.geocoder = "http://geo";
        form.coord.scarica = [this](const QString& url) {
            richieste << url;
            form.web.sTestoPagina = risposta(url);
        };
    }
    long riga(const Record& r) { return form.tab.AggiungiRecord(r); }
    QString cella(long r, int c) const { return form.tab.mfgTab.text(int(r), c); }
    long cerca(long r) {
        form.coord.EstraeSingolaPosizioneGps(r);
        return r;
    }
    int conta(const QString& pezzo) const { return int(richieste.filter(pezzo).size()); }
};

const QString kMappa = "<img src=\"/pg/cgi/mappe/img?lx=12.4964&ly=41.9027835&z=2\">";
const QString kNegata = "<p>NON E' POSSIBILE FORNIRE UNA RISPOSTA</p>";
const QString kElencoBianche = "<div><a class=\"mappa\" href=\"/execute.cgi?mappa=1\">Mappa</a></div>";
const QString kScheda =
    "<!-- TABELLA DEFINIZIONE INFO START --><b>BAR SPORT DI ROSSI</b><br>00184 ROMA (RM) - 10, VIA NAZIONALE"
    "<br>tel: 06 1234<!-- TABELLA DEFINIZIONE INFO END -->";
const QString kRisultatiGialle =
    "<div class=\"risultato\"><h3>Bar Sport</h3><p>00184 Roma (RM) - Via Nazionale, 10</p>"
    "<a class=\"interattiva\" href=\"http://gialle/pg/cgi/mappe/build_map.cgi?cl=XY&cb=1\">mappa</a></div>";

QString Geocoder(const QStringList& luoghi) {
    QString p = QString("<h1>Searching for Via Roma</h1>Looks like we found %1 places. Best matches for:<table>")
                    .arg(luoghi.size());
    for (int i = 0; i < luoghi.size(); ++i)
        p += QString("<tr><th>%1</th><td><a href=\"/map?%2\">%3</a></td></tr>")
                 .arg(i + 1)
                 .arg(luoghi[i].section('|', 1), luoghi[i].section('|', 0, 0));
    return p + "</table>";
}

}  // namespace

TEST(Percorsi, ReverseLookupWritesCoordinatesAndListingData) {
    Banco b;
    const long r = b.riga({"Bar Sport", "Via Nazionale 10", "00184", "Roma", "Rm", "06 1234", "", ""});
    b.risposta = [](const QString& url) {
        if (url.contains("tr=106")) return kElencoBianche;
        if (url.contains("mappa=1")) return kMappa + kScheda;
        return QString();
    };
    b.cerca(r);
    EXPECT_TRUE(b.form.coord.bCoordinateTrovate);
    EXPECT_EQ(b.richieste.first(), "http://bianche/execute.cgi?btt=1&tl=2&tr=106&cb=&qs=061234&x=24&y=4");
    EXPECT_EQ(b.richieste.size(), 2);  // lookup and map page, nothing else
    EXPECT_EQ(b.cella(r, kLatitudine), "41.90278");
    EXPECT_EQ(b.cella(r, kLongitudine), "12.49640");
    EXPECT_EQ(b.cella(r, kNome), "Bar Sport Di Rossi");
    EXPECT_EQ(b.cella(r, kIndirizzo), "Via Nazionale, 10");
    EXPECT_EQ(b.cella(r, kPr), "Rm");
    EXPECT_EQ(b.form.c.lblTent.caption(), "");
}

TEST(Percorsi, SecondStepMapLinkOfTheWhitePages) {
    Banco b;
    const long r = b.riga({"Bar", "Via Roma 1", "00184", "Roma", "Rm", "061", "", ""});
    b.risposta = [](const QString& url) {
        if (url.contains("tr=106")) return kElencoBianche;
        if (url.contains("mappa=1")) return QString("<a class=\"mappainterattiva\" href=\"mappa2.cgi?q=1\">");
        if (url.endsWith("/mappa2.cgi?q=1")) return kMappa;
        return QString();
    };
    b.cerca(r);
    EXPECT_EQ(b.richieste.size(), 3);
    EXPECT_EQ(b.richieste[2], "http://bianche/mappa2.cgi?q=1");
    EXPECT_EQ(b.cella(r, kLatitudine), "41.90278");
}

TEST(Percorsi, RefusedLookupOrNoTelephoneGoesToTheYellowPages) {
    for (const QString telefono : {QString("06 999"), QString()}) {
        Banco b;
        const long r = b.riga({"Bar Sport", "Via Nazionale (10)-12", "00184", "Roma (RM)", "Rm", telefono, "", ""});
        b.risposta = [](const QString& url) {
            if (url.contains("tr=106")) return kNegata + kElencoBianche;
            if (url.contains("pgsearch.cgi")) return kRisultatiGialle;
            if (url.contains("build_map.cgi?cl=XY&cb=1")) return kMappa;
            return QString();
        };
        b.cerca(r);
        EXPECT_EQ(b.conta("tr=106"), telefono.isEmpty() ? 0 : 1);
        EXPECT_EQ(b.conta("mappa=1"), 0);
        ASSERT_EQ(b.conta("pgsearch.cgi"), 1);
        EXPECT_TRUE(b.richieste.filter("pgsearch.cgi").first().endsWith(
            "/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=0&ind=Via%20Nazionale&nc=10&qs=Bar%20Sport&dv=Roma"));
        EXPECT_EQ(b.conta("http://gialle/pg/cgi/mappe/build_map.cgi?cl=XY&cb=1"), 1);
        EXPECT_EQ(b.conta("places.cgi"), 0);
        EXPECT_TRUE(b.form.coord.bCoordinateTrovate);
        EXPECT_EQ(b.cella(r, kLatitudine), "41.90278");
        EXPECT_EQ(b.cella(r, kNome), "Bar Sport");  // the refused lookup changed nothing
        EXPECT_EQ(b.cella(r, kIndirizzo), "Via Nazionale, 10");
        EXPECT_EQ(b.cella(r, kCitta), "Roma");
    }
}

TEST(Percorsi, YellowPagesFillOnlyEmptyCells) {
    Banco b;
    const long r = b.riga({"Bar Sport", "", "", "Roma", "Rm", "", "", ""});
    b.risposta = [](const QString& url) { return url.contains("pgsearch") ? kRisultatiGialle + kMappa : QString(); };
    b.cerca(r);
    EXPECT_EQ(b.richieste.size(), 1);  // the map was on the result page
    EXPECT_EQ(b.cella(r, kIndirizzo), "Via Nazionale, 10");
    EXPECT_EQ(b.cella(r, kCap), "00184");
    EXPECT_EQ(b.cella(r, kCitta), "Roma");
}

TEST(Percorsi, GeocoderIsAskedOnceAndPicksTheRightCandidate) {
    Banco b;
    const long r = b.riga({"Bar", "Via Roma 12", "~20121", "Milano", "Mi", "", "", ""});
    b.risposta = [](const QString& url) -> QString {
        if (!url.contains("places.cgi")) return QString();
        return Geocoder({"Via Roma 5, 00184 Roma, Italy|lat=41.9&lon=12.5",
                         "Via Roma 10, 20121 Milano, Italy|lat=45.4654219&lon=9.1859243",
                         "Via Roma 10, 20121 Milano, Italy|lat=45.1&lon=9.1"});
    };
    b.cerca(r);
    ASSERT_EQ(b.conta("places.cgi"), 1);
    const QString geo = b.richieste.filter("places.cgi").first();
    EXPECT_FALSE(geo.contains('~'));
    EXPECT_TRUE(geo.startsWith("http://geo/map/places.cgi?client=public&lang=&advanced=&db=IT&overviewmap=&keepicon=true"
                               "&addr2=Via%20Roma%2012&addr3=Milano%20Mi&pc=20121&scale=5000"));
    EXPECT_TRUE(b.form.coord.bCoordinateTrovate);
    EXPECT_EQ(b.cella(r, kLatitudine), "45.46542");  // the second, first of the two best
    EXPECT_EQ(b.cella(r, kLongitudine), "9.18592");
    EXPECT_EQ(b.cella(r, kIndirizzo), "Via Roma (12)-10");
    EXPECT_EQ(b.cella(r, kPr), "Mi");
    EXPECT_EQ(b.form.coord.aCandidati[1][6], "0");  // other province: never qualifies
}

TEST(Percorsi, GeocoderAnswersWithoutAUsablePositionWriteNothing) {
    const QString casi[] = {
        Geocoder({"Via Roma 12, 20121 Milano, Italy|lat=45.4"}),           // no lon=
        Geocoder({"Via Roma 12, 20121 Milano, Italy|lon=9.1"}),            // no lat=
        Geocoder({"Via Roma 12, 20121 Milano, Italy|lat=abc&lon=9.1"}),    // not a number
        Geocoder({"Via Roma 12, 20121 Milano, Italy|lat=145.4&lon=9.1"}),  // no such latitude
        "<html>Sorry, we could not find that place</html>",
    };
    for (const QString& pagina : casi) {
        Banco b;
        const long r = b.riga({"Bar", "Via Roma 12", "20121", "Milano", "Mi", "", "", ""});
        b.risposta = [&](const QString& url) { return url.contains("places.cgi") ? pagina : QString(); };
        b.cerca(r);
        EXPECT_FALSE(b.form.coord.bCoordinateTrovate) << pagina.toStdString();
        EXPECT_EQ(b.cella(r, kLatitudine), "");
        EXPECT_EQ(b.cella(r, kLongitudine), "");
        EXPECT_EQ(b.cella(r, kIndirizzo), "Via Roma 12");
    }
}

TEST(Percorsi, RowWithoutTownIsNeverSentToTheGeocoder) {
    Banco b;
    const long r = b.riga({"Bar", "Via Roma 12", "20121", "", "Mi", "", "", ""});
    b.cerca(r);
    EXPECT_EQ(b.conta("places.cgi"), 0);
    EXPECT_EQ(b.conta("pgsearch.cgi"), 1);
    long fuori = 999;
    b.form.coord.EstraeSingolaPosizioneGps(fuori);  // a row outside the table
    EXPECT_EQ(b.richieste.size(), 1);
}

TEST(Indirizzi, LocationTextsAgainstTheAreaTable) {
    struct Caso {
        QString testo, indirizzo, cap, pr;
        QString via, capAtteso, resto, citta, sigla;
    } casi[] = {
        {"Via Roma 10, 00184 Roma, Italy", "Via Roma 12", "00184", "Rm", "Via Roma 10", "00184", "", "Roma", "RM"},
        {"Via Dante 3, 06012 Citt&agrave; di Castello, Umbria, Italy", "", "", "Pg", "Via Dante 3", "06012", "",
         "Citta Di Castello", "PG"},
        {"Corso Garibaldi, 89100 Reggio di Calabria, Italy", "", "", "Rc", "Corso Garibaldi", "89100", "",
         "Reggio Di Calabria", "RC"},
        // A name found in two provinces: the record's province decides.
        {"Piazza Chiesa 1, 73030 Castro, Lecce, Puglia", "", "", "Le", "Piazza Chiesa 1", "73030", "", "Castro", "LE"},
        // No five-digit group: the final digits become the postal code.
        {"Via Roma 12", "Via Verdi 1", "20121", "Mi", "Via Roma", "12", "", "", ""},
        // No postal code at all: the record's address and code stand in, the town by its name.
        {"Milano, Italy", "Via Verdi 1", "20121", "Mi", "Via Verdi 1", "20121", "", "Milano", "MI"},
        // An unknown place is kept in front of the town.
        {"Via Mare 2, 00121 Lido di Ostia, Roma", "", "", "Rm", "Via Mare 2", "00121", "Lido di Ostia ",
         "Lido di Ostia-Roma", "RM"},
    };
    for (const Caso& c : casi) {
        Banco b;
        auto& aCampi = b.form.stato.aCampi;
        aCampi[kIndirizzo] = c.indirizzo;
        aCampi[kCap] = c.cap;
        aCampi[kPr] = c.pr;
        long i = 1;
        QString testo = c.testo;
        b.form.coord.ValutaIndirizzo(i, testo);
        const auto& k = b.form.coord.aCandidati[1];
        EXPECT_EQ(k[1], c.via) << c.testo.toStdString();
        EXPECT_EQ(k[2], c.capAtteso) << c.testo.toStdString();
        EXPECT_EQ(k[3], c.resto) << c.testo.toStdString();
        EXPECT_EQ(k[4], c.citta) << c.testo.toStdString();
        EXPECT_EQ(k[5], c.sigla) << c.testo.toStdString();
    }
    Banco b;
    QString t = "Via Roma 1, 00184 Roma";
    for (long fuori : {0L, 51L, -3L}) b.form.coord.ValutaIndirizzo(fuori, t);  // never past the 50 rows
    EXPECT_EQ(t, "Via Roma 1, 00184 Roma");
}

namespace {
// Fills the table: two rows with coordinates, one with latitude "0", one without, one with the
// house number first, and a row with no name.
void Tabella(Banco& b) {
    b.riga({"Alfa", "Via Uno 1", "00184", "Roma", "Rm", "", "41.90000", "12.50000"});
    b.riga({"", "Via Sei 6", "00184", "Roma", "Rm", "", "", ""});
    b.riga({"Beta", "Via Due 2", "00184", "Roma", "Rm", "", "", ""});
    b.riga({"Gamma", "Via Tre 3", "00184", "Roma", "Rm", "", "0", "0"});
    b.riga({"Delta", "4, Via Quattro", "00184", "Roma", "Rm", "", "41.80000", "12.40000"});
    b.riga({"Epsilon", "Via Cinque 5", "00184", "Roma", "Rm", "", "41.70000", "12.30000"});
}
}  // namespace

TEST(Passata, LooksUpMissingCoordinatesThenUnusableAddresses) {
    Banco b;
    Tabella(b);
    b.form.com.bCaricaAbilitato = true;
    b.form.c.txtCosa.setText("Bar");
    b.risposta = [](const QString& url) { return url.contains("pgsearch") ? kMappa : QString(); };
    b.form.coord.CompletaCoordinateMancanti(1);
    // Phase 1: Beta and Gamma; phase 2: the house number first.
    ASSERT_EQ(b.conta("pgsearch.cgi"), 3);
    EXPECT_TRUE(b.richieste[0].contains("qs=Beta") || b.richieste[0].contains("qs=Gamma"));
    EXPECT_TRUE(b.richieste[2].contains("qs=Delta"));
    EXPECT_EQ(b.f.dialoghi.mostrati.size(), 1);
    EXPECT_EQ(b.f.dialoghi.testi(), QStringList{"Elaborazione conclusa!"});
    EXPECT_EQ(b.form.tab.nRecord, 5);  // the nameless row is gone
    for (long r = 1; r <= 5; ++r) EXPECT_NE(b.cella(r, kLatitudine), "") << r;
    EXPECT_EQ(b.form.av.DescrizioneFase, "Ricerca coordinate Bar: fase 2/3");
    EXPECT_EQ(b.form.c.cmdFine.caption(), "&Fine Lavoro");
    EXPECT_TRUE(b.form.c.cmdCarica.enabled());
    EXPECT_TRUE(b.form.c.frmframe[0]->enabled());
}

TEST(Passata, StopEndsEachPhaseAtItsNextPoll) {
    Banco b;
    Tabella(b);
    b.risposta = [&](const QString&) {
        b.form.av.bStop = true;  // the user presses Stop during the first lookup
        return QString();
    };
    b.form.coord.CompletaCoordinateMancanti(1);
    // The lookup under way finishes its routes (yellow pages, then geocoder); phase 1 ends there
    // and phase 2 ends after its first row, which needs no lookup.
    EXPECT_EQ(b.conta("pgsearch.cgi"), 1);
    EXPECT_EQ(b.conta("places.cgi"), 1);
    EXPECT_EQ(b.f.dialoghi.mostrati.size(), 1);
    EXPECT_EQ(b.f.dialoghi.mostrati[0].testo, "Elaborazione interrotta!");
    EXPECT_EQ(b.f.dialoghi.mostrati[0].icona, Icona::Informazione);
    bool senzaNome = false;  // no compaction after a stop
    for (int r = 1; r < b.form.tab.mfgTab.rows(); ++r)
        senzaNome |= b.form.tab.mfgTab.text(r, kNome).isEmpty() && b.form.tab.mfgTab.text(r, kIndirizzo) == "Via Sei 6";
    EXPECT_TRUE(senzaNome);
}

TEST(Passata, CalledByTheRunItLeavesThePanelsLockedAndShowsNothing) {
    Banco b;
    b.riga({"Alfa", "Via Uno 1", "00184", "Roma", "Rm", "", "41.90000", "12.50000"});
    b.form.coord.CompletaCoordinateMancanti(0);
    EXPECT_TRUE(b.richieste.isEmpty());
    EXPECT_TRUE(b.f.dialoghi.mostrati.isEmpty());
    EXPECT_EQ(b.form.c.cmdFine.caption(), "&Stop");
    EXPECT_FALSE(b.form.c.frmframe[0]->enabled());
}
