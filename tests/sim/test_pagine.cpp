// The directory service's pages, asked without a socket: each page kind carries the markers the
// program reads, listings are the generated businesses, and the page cap holds.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include <functional>

#include "sim/sito.h"

using namespace gm;
using namespace gm::test;

namespace {

const QString kGialle = QStringLiteral("/pg/cgi/pgsearch.cgi");
const QString kBianche = QStringLiteral("/execute.cgi");
const QString kGeocoder = QStringLiteral("/map/places.cgi");

QString QueryGialle(const QString& cosa, const QString& dove, int offset = 0) {
    return QStringLiteral("btt=1&ts=1&l=1&cb=0&qs=%1&dv=%2&be=%3").arg(cosa, dove).arg(offset);
}
QString QueryCap(const QString& cosa, const QString& cap, int offset = 0) {
    return QStringLiteral("btt=1&ts=1&l=1&cb=0&ind=&nc=&qs=%1&dv=%2&be=%3").arg(cosa, cap).arg(offset);
}
QString QueryBianche(const QString& cosa, const QString& dove, int offset = 0) {
    return QStringLiteral("be=%3&btt=1&tl=2&tr=101&tc=&cb=&tq=2&qs=%1&qsn=&dv=%2&ind=&nc=").arg(cosa, dove).arg(offset);
}
QString QueryGeocoder(const QString& via, const QString& citta, const QString& cap) {
    return QStringLiteral("client=public&lang=&advanced=&db=IT&overviewmap=&keepicon=true&addr2=%1&addr3=%2&pc=%3"
                          "&scale=5000")
        .arg(via, citta, cap);
}

// Page counter as the program reads it: the numbers behind "pagina" and "di".
std::pair<int, int> Contatore(const QString& pagina) {
    static const QRegularExpression re(QStringLiteral("pagina <b>(\\d+)</b> di <b>(\\d+)</b>"));
    const auto m = re.match(pagina);
    return m.hasMatch() ? std::pair{m.captured(1).toInt(), m.captured(2).toInt()} : std::pair{0, 0};
}

// One listing as the extractors see it: the text piece holding the province anchor (the town
// line) and the first telephone after it, before the next anchor.
struct Voce {
    QString rigaComune, telefono;
};

QVector<Voce> Voci(const QString& pagina, const QString& sigla, const QString& etichettaTel) {
    const QString ancora = u'(' + sigla + u')';
    QVector<qsizetype> posizioni;
    for (qsizetype i = pagina.indexOf(ancora); i >= 0; i = pagina.indexOf(ancora, i + 1))
        if (!QStringView(pagina).mid(i + ancora.size()).startsWith(QLatin1String(" - Vedi "))) posizioni << i;
    QVector<Voce> v;
    const QRegularExpression reTel(QRegularExpression::escape(etichettaTel) + QStringLiteral("\\s*([0-9][0-9 ]*)"));
    for (int k = 0; k < posizioni.size(); ++k) {
        const qsizetype a = posizioni[k];
        const qsizetype fine = k + 1 < posizioni.size() ? posizioni[k + 1] : pagina.size();
        const qsizetype da = pagina.lastIndexOf(u'>', a) + 1;
        const qsizetype a2 = pagina.indexOf(u'<', a);
        Voce x;
        x.rigaComune = pagina.mid(da, a2 - da);
        const auto m = reTel.match(QStringView(pagina).mid(a, fine - a));
        if (m.hasMatch()) x.telefono = m.captured(1).trimmed();
        v << x;
    }
    return v;
}

QVector<sim::Azienda> Filtra(const QVector<sim::Azienda>& v, bool gialle) {
    QVector<sim::Azienda> r;
    for (const auto& a : v)
        if (gialle ? a.gialle : a.bianche) r << a;
    return r;
}

TEST(PagineSim, EveryPageKindCarriesItsMarkers) {
    struct Caso {
        const char* nome;
        QString percorso, query;
        QStringList presenti;  // regular expressions
        QStringList assenti;   // plain texts
    } casi[] = {
        {"yellow province page", kGialle, QueryGialle("Farmacie", "RM"),
         {"pagina <b>1</b> di <b>20</b>", "<a title=\"2\" href=\"[^\"]*/cgi/pgsearch\\.cgi\\?[^\"]*&be=10&",
          "\\(RM\\)", "tel: [0-9]", "cl=[^\"&]+&cb=1"},
         {"risultati contenenti", "seleziona quella in cui", "non è stata riconosciuta"}},
        {"yellow town page", kGialle, QueryGialle("Farmacie", "Pisa"),
         {"pagina <b>1</b> di <b>[0-9]+</b>", "\\(PI\\)", "tel: [0-9]"},
         {"risultati contenenti"}},
        {"yellow postal-code page", kGialle, QueryCap("Farmacie", "00101"),
         {"pagina <b>1</b> di <b>[0-9]+</b>", ">00101 Roma \\(RM\\) - "},
         {}},
        {"place choice", kGialle, QStringLiteral("l=1&cb=0&ts=1&btt=1&qs=Farmacie&of=39856&dv=Castro"),
         {"seleziona quella in cui"},
         {"pagina <b>", "risultati contenenti"}},
        {"place list", kGialle, QueryGialle("Farmacie", "Paterno"),
         {"risultati contenenti", "Regione Basilicata.*Regione Sicilia",
          "href=\"/pg/cgi/pgsearch\\.cgi\\?[^\"]*&pr=PZ&dv=Paterno\"", "href=\"/pg/cgi/pgsearch\\.cgi\\?[^\"]*&pr=CT&dv=Paterno\"",
          "pagina <b>1</b> di <b>1</b>"},
         {"seleziona quella in cui"}},
        {"no business", kGialle, QueryCap("Farmacie", "99999"),
         {"Non sono stati trovati operatori in questo comune"},
         {"pagina <b>"}},
        {"unknown place", kGialle, QueryGialle("Farmacie", "Atlantide"),
         {"non è stata riconosciuta"},
         {"pagina <b>", "risultati contenenti"}},
        {"white province page", kBianche, QueryBianche("Farmacie", "MI"),
         {"<td class=\"dati\">", "Tel fisso: [0-9]", "pagina <b>1</b> di <b>20</b>",
          "class=\"paginazione\"> *<a [^>]*href=\"/execute\\.cgi\\?be=10&[^\"]*qs=Farmacie[^\"]*\"", "\\(MI\\)",
          "class=\"mappa\" href=\"/execute\\.cgi\\?tr=107&id="},
         {}},
        {"white page without results", kBianche, QueryBianche("Farmacie", "Atlantide"),
         {},
         {"<td class=\"dati\">", "pagina <b>"}},
        {"reverse lookup, unknown number", kBianche, QStringLiteral("btt=1&tl=2&tr=106&cb=&qs=0000000&x=24&y=4"),
         {"NON E' POSSIBILE FORNIRE UNA RISPOSTA"},
         {"TABELLA DEFINIZIONE INFO START"}},
        {"geocoder, unknown town", kGeocoder, QueryGeocoder("Via Roma 1", "Atlantide XX", ""),
         {"^.{0,100}Searching for", "found 0 places"},
         {"Map of", "lat="}},
    };
    Sito sito;
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const QString p = sito.pagina(c.percorso, c.query);
        for (const QString& re : c.presenti)
            EXPECT_TRUE(QRegularExpression(re).match(p).hasMatch()) << re.toStdString() << "\n" << p.toStdString();
        for (const QString& t : c.assenti) EXPECT_FALSE(p.contains(t)) << t.toStdString();
    }
}

TEST(PagineSim, ListingsAreTheDirectorysBusinessesPageByPage) {
    Sito sito;
    sim::Elenco& e = sito.elenco();
    int rRM = 0, pRM = 0, rMI = 0, pMI = 0, rPI = 0, pPI = 0;
    ASSERT_TRUE(e.provinciaDiSigla("RM", rRM, pRM));
    ASSERT_TRUE(e.provinciaDiSigla("MI", rMI, pMI));
    ASSERT_TRUE(e.provinciaDiSigla("PI", rPI, pPI));
    const auto pisa = e.comuniDiNome("Pisa");
    ASSERT_EQ(pisa.size(), 1);
    struct Caso {
        const char* nome;
        bool gialle;
        QString sigla;
        std::function<QString(int offset)> query;
        std::function<QVector<sim::Azienda>()> attese;
    } casi[] = {
        {"yellow province", true, "RM", [](int o) { return QueryGialle("Farmacie", "RM", o); },
         [&] { return e.dellaProvincia("Farmacie", rRM, pRM); }},
        {"yellow town", true, "PI", [](int o) { return QueryGialle("Ristoranti", "Pisa", o); },
         [&] { return e.delComune("Ristoranti", pisa[0].r, pisa[0].p, pisa[0].c); }},
        {"yellow postal code", true, "RM", [](int o) { return QueryCap("Farmacie", "00102", o); },
         [&] { return e.delCap("Farmacie", "00102"); }},
        {"white province", false, "MI", [](int o) { return QueryBianche("Idraulici", "MI", o); },
         [&] { return e.dellaProvincia("Idraulici", rMI, pMI); }},
        {"white town", false, "PI", [](int o) { return QueryBianche("Ristoranti", "Pisa", o); },
         [&] { return e.delComune("Ristoranti", pisa[0].r, pisa[0].p, pisa[0].c); }},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const QVector<sim::Azienda> attese = Filtra(c.attese(), c.gialle);
        ASSERT_GT(attese.size(), sim::kPerPagina) << "the case needs more than one page";
        const auto percorso = c.gialle ? kGialle : kBianche;
        const int pagine = Contatore(sito.pagina(percorso, c.query(0))).second;
        EXPECT_EQ(pagine, std::min<int>(sim::kMaxPagine, (attese.size() + 9) / 10));
        for (int k : {1, 2, pagine}) {
            SCOPED_TRACE(k);
            const QString p = sito.pagina(percorso, c.query((k - 1) * 10));
            EXPECT_EQ(Contatore(p), std::pair(k, pagine));
            const QVector<Voce> voci = Voci(p, c.sigla, c.gialle ? QStringLiteral("tel:") : QStringLiteral("Tel fisso:"));
            const int da = (k - 1) * 10;
            ASSERT_EQ(voci.size(), std::min<int>(10, attese.size() - da));
            if (!c.gialle) {
                EXPECT_EQ(p.count(QStringLiteral("<td class=\"dati\">")), voci.size());
            }
            for (int i = 0; i < voci.size(); ++i) {
                const sim::Azienda& a = attese[da + i];
                EXPECT_TRUE(voci[i].rigaComune.startsWith(a.cap + u' ' + a.comune + QStringLiteral(" (") + c.sigla +
                                                          QStringLiteral(") - ")))
                    << voci[i].rigaComune.toStdString();
                EXPECT_EQ(voci[i].telefono, a.telefono);
            }
        }
    }
}

TEST(PagineSim, NoListingPastTheTwentiethPage) {
    Sito sito;
    struct Caso {
        QString percorso, sigla, etichetta;
        std::function<QString(int)> query;
    } casi[] = {
        {kGialle, "RM", "tel:", [](int o) { return QueryGialle("Farmacie", "RM", o); }},
        {kBianche, "MI", "Tel fisso:", [](int o) { return QueryBianche("Farmacie", "MI", o); }},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.percorso.toStdString());
        EXPECT_EQ(Contatore(sito.pagina(c.percorso, c.query(0))).second, 20);
        const QString ultima = sito.pagina(c.percorso, c.query(190));
        EXPECT_EQ(Contatore(ultima), std::pair(20, 20));
        EXPECT_EQ(Voci(ultima, c.sigla, c.etichetta).size(), 10);
        for (int o : {200, 250, 990}) {
            const QString oltre = sito.pagina(c.percorso, c.query(o));
            EXPECT_TRUE(oltre.contains(QStringLiteral("di <b>20</b>"))) << o;
            EXPECT_TRUE(Voci(oltre, c.sigla, c.etichetta).isEmpty()) << o;
        }
    }
}

// A capital with several postal codes overflows the cap as a town but each of its postal codes
// stays under it, so the postal-code level recovers every business.
TEST(PagineSim, PostalCodesOfACapitalRecoverWhatTheCapHides) {
    Sito sito;
    sim::Elenco& e = sito.elenco();
    const auto roma = e.comuniDiNome("Roma");
    ASSERT_EQ(roma.size(), 1);
    // A category dense enough to fill twenty pages in the town alone.
    QString cosa;
    QVector<sim::Azienda> tutte;
    for (const char* c : {"Farmacie", "Ristoranti", "Bar", "Idraulici", "Parrucchieri", "Alberghi"}) {
        tutte = Filtra(e.delComune(c, roma[0].r, roma[0].p, roma[0].c), true);
        if (tutte.size() > 200) {
            cosa = c;
            break;
        }
    }
    ASSERT_FALSE(cosa.isEmpty());
    EXPECT_EQ(Contatore(sito.gialle(QueryGialle(cosa, "Roma"))).second, 20);

    QSet<QString> trovati;
    int listing = 0;
    for (int k = 0; k <= 99; ++k) {
        const QString cap = QStringLiteral("001%1").arg(k, 2, 10, QChar(u'0'));
        const int pagine = Contatore(sito.gialle(QueryCap(cosa, cap))).second;
        EXPECT_LT(pagine, 20) << cap.toStdString();
        for (int pg = 1; pg <= pagine; ++pg)
            for (const Voce& v : Voci(sito.gialle(QueryCap(cosa, cap, (pg - 1) * 10)), "RM", "tel:")) {
                EXPECT_TRUE(v.rigaComune.startsWith(cap + u' '));
                trovati << v.telefono;
                ++listing;
            }
    }
    EXPECT_EQ(listing, tutte.size());
    for (const auto& a : tutte) EXPECT_TRUE(trovati.contains(a.telefono)) << a.telefono.toStdString();

    // A capital with a single postal code is held under the cap instead.
    EXPECT_LT(Contatore(sito.gialle(QueryGialle(cosa, "Piacenza"))).second, 20);
}

TEST(PagineSim, NameInSeveralProvincesGivesThePlaceListAndItsLinksTheRightTown) {
    Sito sito;
    sim::Elenco& e = sito.elenco();
    const auto& t = e.territorio();
    int liste = 0;
    for (const char* nome : {"Castro", "Paterno", "Samone", "Calliano", "Livo", "Valverde"}) {
        SCOPED_TRACE(nome);
        const auto luoghi = e.comuniDiNome(nome);
        ASSERT_EQ(luoghi.size(), 2);
        QStringList conAziende;
        for (const auto& l : luoghi)
            if (!Filtra(e.delComune("Farmacie", l.r, l.p, l.c), true).isEmpty()) conAziende << t.siglaProvincia(l.r, l.p);

        EXPECT_TRUE(sito.gialle(QStringLiteral("l=1&cb=0&ts=1&btt=1&qs=Farmacie&of=39856&dv=") + nome)
                        .contains(QStringLiteral("seleziona quella in cui")));
        const QString p = sito.gialle(QueryGialle("Farmacie", nome));
        if (conAziende.isEmpty()) {
            EXPECT_TRUE(p.contains(QStringLiteral("Non sono stati trovati operatori in questo comune")));
            continue;
        }
        ++liste;
        ASSERT_TRUE(p.contains(QStringLiteral("risultati contenenti")));
        const qsizetype regione = p.indexOf(QStringLiteral("Regione"));
        ASSERT_GE(regione, 0);
        static const QRegularExpression reLink(QStringLiteral("href=\"(/pg/cgi/pgsearch\\.cgi)\\?([^\"]*&pr=([A-Z]{2})[^\"]*)\""));
        QStringList visti;
        for (auto it = reLink.globalMatch(p, regione); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(2).contains(QStringLiteral("&be="))) continue;  // paging, not a place
            visti << m.captured(3);
            // The place's own link answers with that town's listings only.
            const QString scelta = sito.gialle(m.captured(2));
            EXPECT_GT(Voci(scelta, m.captured(3), "tel:").size(), 0);
            for (const auto& altra : conAziende)
                if (altra != m.captured(3)) {
                    EXPECT_FALSE(scelta.contains(u'(' + altra + u')'));
                }
        }
        EXPECT_EQ(visti, conAziende);
    }
    EXPECT_GT(liste, 0);
}

TEST(PagineSim, UnrecognisedPlaces) {
    Sito sito;
    sim::Elenco& e = sito.elenco();
    const auto& t = e.territorio();
    // A name of several words that the directory does not recognise unless its province is given.
    QString nome, sigla;
    for (int r = 1; r <= t.numeroRegioni() && nome.isEmpty(); ++r)
        for (int p = 1; p <= t.numeroProvince(r) && nome.isEmpty(); ++p)
            for (int c = 1; c <= t.numeroComuni(r, p); ++c)
                if (e.nonRiconosciuto(r, p, c) && e.comuniDiNome(t.nomeComune(r, p, c)).size() == 1) {
                    nome = t.nomeComune(r, p, c);
                    sigla = t.siglaProvincia(r, p);
                    break;
                }
    ASSERT_FALSE(nome.isEmpty());
    const QString marcatore = QStringLiteral("non è stata riconosciuta");
    EXPECT_TRUE(sito.gialle(QueryGialle("Farmacie", nome)).contains(marcatore));
    EXPECT_FALSE(sito.gialle(QueryGialle("Farmacie", nome) + "&pr=" + sigla).contains(marcatore));
    EXPECT_TRUE(sito.gialle(QueryGialle("Farmacie", "Atlantide")).contains(marcatore));
    // A single word query of a name the table does not know either.
    EXPECT_TRUE(sito.gialle(QStringLiteral("l=1&cb=0&ts=1&btt=1&qs=Farmacie&of=39856&dv=Zzyzx")).contains(marcatore));
}

TEST(PagineSim, MapLinksLeadToTheBusinessPositionInItaly) {
    Sito sito;
    sim::Elenco& e = sito.elenco();
    int statiche = 0, interattive = 0, gialle = 0;
    auto controlla = [&](const QString& mappa, const QString& chiave) {
        const double lon = NumeroDopo(mappa, "lx="), lat = NumeroDopo(mappa, "ly=");
        EXPECT_TRUE(LongitudineItalia(lon)) << lon;
        EXPECT_TRUE(LatitudineItalia(lat)) << lat;
        double la = 0, lo = 0;
        ASSERT_TRUE(e.posizioneDiChiave(chiave, la, lo));
        EXPECT_NEAR(lat, la, 1e-6);
        EXPECT_NEAR(lon, lo, 1e-6);
    };
    static const QRegularExpression reGialle(QStringLiteral("a href=\"/pg/cgi/mappe/build_map\\.cgi\\?(cl=([^&\"]+)&cb=.)"));
    static const QRegularExpression reBianche(QStringLiteral("class=\"mappa\" href=\"/execute\\.cgi\\?(tr=107&id=([^\"]+))\""));
    static const QRegularExpression reInterattiva(QStringLiteral("mappainterattiva\" href=\"([^\"?]+)\\?([^\"]+)\""));
    for (int pg = 0; pg < 6; ++pg) {
        for (auto it = reGialle.globalMatch(sito.gialle(QueryGialle("Farmacie", "TO", pg * 10))); it.hasNext();) {
            const auto m = it.next();
            controlla(sito.pagina("/pg/cgi/mappe/build_map.cgi", m.captured(1)), m.captured(2));
            ++gialle;
        }
        for (auto it = reBianche.globalMatch(sito.bianche(QueryBianche("Farmacie", "TO", pg * 10))); it.hasNext();) {
            const auto m = it.next();
            const QString mappa = sito.bianche(m.captured(1));
            if (mappa.contains(QStringLiteral("lx="))) {
                ++statiche;
                controlla(mappa, m.captured(2));
                continue;
            }
            // Only a link to the interactive map, relative to the service's root.
            const auto mi = reInterattiva.match(mappa);
            ASSERT_TRUE(mi.hasMatch()) << mappa.toStdString();
            ++interattive;
            controlla(sito.pagina(u'/' + mi.captured(1), mi.captured(2)), m.captured(2));
        }
    }
    EXPECT_GT(gialle, 10);
    EXPECT_GT(statiche, 10);
    EXPECT_GT(interattive, 0);
    // An unknown key gives a page without coordinates.
    EXPECT_FALSE(sito.pagina("/pg/cgi/mappe/build_map.cgi", "cl=zz.1.1.1.0&cb=1").contains("lx="));
    EXPECT_FALSE(sito.bianche("tr=107&id=nessuna").contains("lx="));
}

TEST(PagineSim, ReverseLookupAnswersOrRefuses) {
    Sito sito;
    sim::Elenco& e = sito.elenco();
    int rr = 0, pp = 0;
    ASSERT_TRUE(e.provinciaDiSigla("FI", rr, pp));
    const QVector<sim::Azienda> tutte = e.dellaProvincia("Farmacie", rr, pp);
    const sim::Azienda *libera = nullptr, *riservata = nullptr;
    for (const auto& a : tutte) {
        if (!a.riservato && !libera) libera = &a;
        if (a.riservato && !riservata) riservata = &a;
    }
    ASSERT_TRUE(libera && riservata);
    struct Caso {
        const char* nome;
        QString telefono;
        bool risponde;
    } casi[] = {
        {"listed", libera->telefono, true},
        {"listed, blanks removed", QString(libera->telefono).remove(u' '), true},
        {"reserved", QString(riservata->telefono).remove(u' '), false},
        {"unknown", "0999999999", false},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const QString p = sito.bianche(QStringLiteral("btt=1&tl=2&tr=106&cb=&qs=") + c.telefono + "&x=24&y=4");
        EXPECT_EQ(p.contains(QStringLiteral("NON E' POSSIBILE FORNIRE UNA RISPOSTA")), !c.risponde);
        const qsizetype inizio = p.indexOf(QStringLiteral("TABELLA DEFINIZIONE INFO START"));
        const qsizetype fine = p.indexOf(QStringLiteral("TABELLA DEFINIZIONE INFO END"));
        ASSERT_EQ(inizio >= 0, c.risponde);
        if (!c.risponde) continue;
        ASSERT_GT(fine, inizio);
        const QString blocco = p.mid(inizio, fine - inizio);
        EXPECT_TRUE(blocco.contains(libera->nome.toUpper()));
        EXPECT_TRUE(blocco.contains(libera->cap + u' ' + libera->comune.toUpper() + QStringLiteral(" (") + libera->sigla +
                                    QStringLiteral(") - ")));
        // The map link after the block leads to the position.
        static const QRegularExpression reMappa(QStringLiteral("class=\"mappa\" href=\"/execute\\.cgi\\?([^\"]+)\""));
        const auto m = reMappa.match(p, fine);
        ASSERT_TRUE(m.hasMatch());
        QString mappa = sito.bianche(m.captured(1));
        if (!mappa.contains(QStringLiteral("lx=")))
            mappa = sito.bianche(QStringLiteral("tr=108&id=") + libera->chiave);
        EXPECT_NEAR(NumeroDopo(mappa, "ly="), libera->lat, 1e-6);
        EXPECT_NEAR(NumeroDopo(mappa, "lx="), libera->lon, 1e-6);
    }
}

TEST(PagineSim, GeocoderGivesOnePlaceOrAListOfPlaces) {
    Sito sito;
    int singoli = 0, elenchi = 0;
    static const QRegularExpression reTrovati(QStringLiteral("like we found (\\d+) plac"));
    for (int n = 1; n <= 30; ++n) {
        const QString via = QStringLiteral("Via Garibaldi %1").arg(n);
        SCOPED_TRACE(via.toStdString());
        const QString p = sito.pagina(kGeocoder, QueryGeocoder(via, "Pisa PI", "56100"));
        const QString testa = p.left(500).toLower();
        if (testa.contains(QStringLiteral("map of"))) {
            ++singoli;
            const qsizetype info = p.indexOf(QStringLiteral("Map Information"));
            ASSERT_GE(info, 0);
            const qsizetype dd = p.indexOf(QStringLiteral("<dd>"), info);
            ASSERT_GE(dd, 0);
            EXPECT_TRUE(p.mid(dd + 4).startsWith(via + QStringLiteral(", 56100 Pisa")));
            const qsizetype lat = p.indexOf(QStringLiteral("lat="), p.indexOf(QStringLiteral("Latitude")));
            ASSERT_GE(lat, 0);
            EXPECT_TRUE(LatitudineItalia(NumeroDopo(p.mid(lat), "lat=")));
            EXPECT_TRUE(LongitudineItalia(NumeroDopo(p.mid(lat), "lon=")));
        } else {
            ASSERT_TRUE(testa.contains(QStringLiteral("searching for"))) << p.toStdString();
            ++elenchi;
            const auto m = reTrovati.match(p);
            ASSERT_TRUE(m.hasMatch());
            const int quanti = m.captured(1).toInt();
            EXPECT_GE(quanti, 1);
            EXPECT_TRUE(p.contains(QStringLiteral("matches for")) || p.contains(QStringLiteral("match for")));
            for (int i = 1; i <= quanti; ++i) {
                const qsizetype th = p.indexOf(QStringLiteral(">%1</th").arg(i));
                ASSERT_GE(th, 0) << i;
                const qsizetype a = p.indexOf(QStringLiteral("<a href="), th);
                ASSERT_GE(a, 0);
                const QString frammento = p.mid(a + 8, p.indexOf(u'<', a + 8) - a - 8);
                EXPECT_TRUE(LatitudineItalia(NumeroDopo(frammento, "lat="))) << frammento.toStdString();
                EXPECT_TRUE(LongitudineItalia(NumeroDopo(frammento, "lon="))) << frammento.toStdString();
                EXPECT_TRUE(frammento.contains(QStringLiteral("Via Garibaldi"))) << frammento.toStdString();
            }
        }
    }
    EXPECT_GT(singoli, 0);
    EXPECT_GT(elenchi, 0);
}

TEST(PagineSim, SameSeedSamePagesOtherSeedOtherData) {
    const std::pair<QString, QString> richieste[] = {
        {kGialle, QueryGialle("Farmacie", "NA")},        {kGialle, QueryGialle("Farmacie", "NA", 50)},
        {kGialle, QueryGialle("Bar", "Castro")},         {kGialle, QueryCap("Bar", "80101")},
        {kBianche, QueryBianche("Farmacie", "NA")},      {kBianche, QueryBianche("Bar", "Pisa", 10)},
        {kGeocoder, QueryGeocoder("Via Roma 3", "Pisa PI", "56100")},
    };
    Sito uno(42), due(42), altro(43);
    for (const auto& [percorso, query] : richieste) {
        SCOPED_TRACE(query.toStdString());
        EXPECT_EQ(uno.pagina(percorso, query), due.pagina(percorso, query));
    }
    // Twice from the same service, after other requests filled its memory: still the same.
    EXPECT_EQ(uno.gialle(QueryGialle("Farmacie", "NA")), Sito(42).gialle(QueryGialle("Farmacie", "NA")));
    for (const auto& [percorso, query, etichetta] :
         {std::tuple{richieste[0].first, richieste[0].second, QStringLiteral("tel:")},
          std::tuple{richieste[4].first, richieste[4].second, QStringLiteral("Tel fisso:")}}) {
        const QString a = uno.pagina(percorso, query), b = altro.pagina(percorso, query);
        EXPECT_NE(a, b);
        const auto va = Voci(a, "NA", etichetta), vb = Voci(b, "NA", etichetta);
        ASSERT_FALSE(va.isEmpty() || vb.isEmpty());
        EXPECT_NE(va.front().telefono, vb.front().telefono);
    }
}

}  // namespace

// The coordinate lookup searches the yellow pages by a business's name, street, number and
// town, and reaches the map through the "interattiva" link of the first listing.
TEST(PagineSim, NameAndAddressSearchFindsTheBusinessAndItsMap) {
    Sito sito;
    sim::Elenco& e = sito.elenco();
    int rr = 0, pp = 0;
    ASSERT_TRUE(e.provinciaDiSigla("BO", rr, pp));
    QVector<sim::Azienda> conMappa, senzaMappa;
    for (const auto& a : Filtra(e.dellaProvincia("Ristoranti", rr, pp), true))
        (a.mappaGialle ? conMappa : senzaMappa) << a;
    ASSERT_FALSE(conMappa.isEmpty() || senzaMappa.isEmpty());
    for (const sim::Azienda* a : {&conMappa.front(), &conMappa.back(), &senzaMappa.front()}) {
        SCOPED_TRACE(a->nome.toStdString());
        const QString p = sito.gialle(QStringLiteral("btt=1&ts=1&l=1&cb=0&ind=") + sim::Valore(a->via) + "&nc=" + sim::Valore(a->civico) +
                                      "&qs=" + sim::Valore(a->nome) + "&dv=" + a->comune);
        const QVector<Voce> voci = Voci(p, a->sigla, "tel:");
        ASSERT_FALSE(voci.isEmpty()) << p.toStdString();
        EXPECT_EQ(voci.front().telefono, a->telefono);
        const qsizetype i = p.indexOf(QStringLiteral("interattiva"));
        if (!a->mappaGialle) {
            EXPECT_LT(i, 0);
            continue;
        }
        ASSERT_GE(i, 0);
        const qsizetype h = p.indexOf(QStringLiteral("href=\"http://"), i);
        ASSERT_GE(h, 0);
        const qsizetype cl = p.indexOf(QStringLiteral("cl="), h);
        ASSERT_GE(cl, 0);
        const QString mappa = sito.pagina("/pg/cgi/mappe/build_map.cgi", p.mid(cl, p.indexOf(u'"', cl) - cl));
        EXPECT_NEAR(NumeroDopo(mappa, "ly="), a->lat, 1e-6);
        EXPECT_NEAR(NumeroDopo(mappa, "lx="), a->lon, 1e-6);
    }
}
