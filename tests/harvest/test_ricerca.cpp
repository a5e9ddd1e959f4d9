// Whole search runs against the built-in directory service over loopback: real HTTP, real files.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <thread>

#include <functional>

#include "io/file_testo.h"
#include "net/testo.h"
#include "sim/elenco.h"
#include "support/ambiente_test.h"
#include "support/orologio_finto.h"
#include "support/simulatore.h"

using namespace gm;
using gm::sim::Azienda;
using gm::sim::Elenco;

namespace {

// The generator the service runs (same seed), to know what a run must find.
Elenco& Generatore() {
    static Elenco e(1);
    return e;
}

struct Area {
    int r = 0, p = 0, c = 0;
};

Area Trova(const QString& regione, const QString& provincia = QString(), const QString& comune = QString()) {
    const Territorio& t = Generatore().territorio();
    Area a;
    for (int r = 1; r <= t.numeroRegioni(); ++r)
        if (Uguale(t.nomeRegione(r), regione)) a.r = r;
    for (int p = 1; !provincia.isEmpty() && p <= t.numeroProvince(a.r); ++p)
        if (Uguale(t.nomeProvincia(a.r, p), provincia)) a.p = p;
    for (int c = 1; !comune.isEmpty() && c <= t.numeroComuni(a.r, a.p); ++c)
        if (Uguale(t.nomeComune(a.r, a.p, c), comune)) a.c = c;
    return a;
}

QVector<Azienda> Solo(const QVector<Azienda>& v, bool Azienda::*campo) {
    QVector<Azienda> r;
    for (const Azienda& a : v)
        if (a.*campo) r << a;
    return r;
}

// A category for which pred holds, among "Prova 1" … "Prova 400".
QString Categoria(const std::function<bool(const QString&)>& pred) {
    for (int i = 1; i <= 400; ++i) {
        const QString cosa = QStringLiteral("Prova %1").arg(i);
        if (pred(cosa)) return cosa;
    }
    return QString();
}

class Corsa : public test::CorsaSulSimulatore {
protected:
    static void Scegli(Lista& l, const QStringList& nomi) {
        for (const QString& nome : nomi)
            for (int i = 0; i < l.count(); ++i)
                if (Uguale(l.item(i), nome)) {
                    l.setListIndex(i);
                    l.setSelected(i, true);
                }
    }
    static void Tutti(Lista& l) {
        for (int i = 0; i < l.count(); ++i)
            if (!l.selected(i)) {
                l.setListIndex(i);
                l.setSelected(i, true);
            }
    }

    // Types the category, selects the areas and presses "&Ricerca PDI".
    void Avvia(const QString& cosa, const QString& regione, const QStringList& province = {},
               const QStringList& comuni = {}) {
        f->c.txtCosa.setText(cosa);
        Scegli(f->c.lstRegioni, {regione});
        if (province.isEmpty()) Tutti(f->c.lstProv); else Scegli(f->c.lstProv, province);
        if (comuni.isEmpty()) Tutti(f->c.lstComuni); else Scegli(f->c.lstComuni, comuni);
        ASSERT_TRUE(f->c.cmdCarica.enabled());
        f->c.cmdCarica.click();
    }


    QSet<QString> Telefoni() const {
        QSet<QString> s;
        for (long r = 1; r <= f->tab.nRecord; ++r) s.insert(f->tab.mfgTab.text(int(r), kTelefono));
        return s;
    }
    static QSet<QString> Telefoni(const QVector<Azienda>& v) {
        QSet<QString> s;
        for (const Azienda& a : v) s.insert(a.telefono);
        return s;
    }
    QString UltimoMessaggio() const {
        return prova.dialoghi.mostrati.isEmpty() ? QString() : prova.dialoghi.mostrati.last().testo;
    }
};

}  // namespace

TEST_F(Corsa, SmallProvinceUnderTheCapBothDirectories) {
    const Area a = Trova("Friuli Venezia Giulia", "Trieste");
    const QString cosa = Categoria([&](const QString& c) {
        const auto v = Generatore().dellaProvincia(c, a.r, a.p);
        return Solo(v, &Azienda::gialle).size() > 25 && Solo(v, &Azienda::gialle).size() < 190 &&
               Solo(v, &Azienda::bianche).size() < 190;
    });
    ASSERT_FALSE(cosa.isEmpty());
    Avvia(cosa, "Friuli Venezia Giulia", {"Trieste"});
    EXPECT_EQ(UltimoMessaggio(), "Elaborazione terminata");
    // One province worked: the progress ends at its total, not past it.
    EXPECT_EQ(f->stato.PassiEseguiti, f->stato.TotalePassi);

    const auto tutte = Generatore().dellaProvincia(cosa, a.r, a.p);
    // Twins of one directory share nothing but their name and place; every telephone of both
    // directories is in the table, and nothing else.
    QSet<QString> attesi = Telefoni(Solo(tutte, &Azienda::gialle)) + Telefoni(Solo(tutte, &Azienda::bianche));
    EXPECT_EQ(Telefoni(), attesi);
    // No municipality queries for a province under the cap.
    EXPECT_TRUE(RichiesteCon("cb=0&ind=&nc=&qs=").isEmpty());

    // Fields as the listings give them: the yellow pages swap the house number to the front.
    const Azienda g = Solo(tutte, &Azienda::gialle).front();
    bool trovato = false;
    for (long r = 1; r <= f->tab.nRecord; ++r) {
        const Record rec = f->tab.record(r);
        if (rec[kTelefono] != g.telefono) continue;
        trovato = true;
        EXPECT_EQ(rec[kCap], g.cap);
        EXPECT_EQ(rec[kPr], "Ts");
        EXPECT_EQ(rec[kCitta].trimmed(), PrimoMaiuscoloDi(g.comune));
    }
    EXPECT_TRUE(trovato);

    // The files of the run: the region-end autosave and the end file, in the download folder.
    const QString file = f->amb.sCartellaScaricati + QString(cosa).replace(' ', '-');
    EXPECT_TRUE(QFile::exists(file + ".txt"));
    EXPECT_TRUE(QFile::exists(file + "-End.txt"));
}

TEST_F(Corsa, EveryResultPageIsFetchedOnce) {
    const Area a = Trova("Friuli Venezia Giulia", "Trieste");
    const QString cosa = Categoria([&](const QString& c) {
        return Solo(Generatore().dellaProvincia(c, a.r, a.p), &Azienda::gialle).size() > 60;
    });
    Avvia(cosa, "Friuli Venezia Giulia", {"Trieste"});
    // Result pages of the walk; the coordinate pass at the end asks by name and address instead.
    QStringList pagine = RichiesteCon("/pg/cgi/pgsearch.cgi").filter("&ind=&") + RichiesteCon("tr=101");
    const int quante = int(pagine.size());
    pagine.removeDuplicates();
    EXPECT_EQ(pagine.size(), quante);
    EXPECT_GT(quante, 3);
}

TEST_F(Corsa, ProvinceOverTheCapDescendsToMunicipalitiesAndPostalCodes) {
    const Area a = Trova("Friuli Venezia Giulia", "Trieste");
    const Area capoluogo = Trova("Friuli Venezia Giulia", "Trieste", "Trieste");
    ASSERT_TRUE(Generatore().territorio().capComune(a.r, a.p, capoluogo.c).endsWith("00"));
    const QString cosa = Categoria([&](const QString& c) {
        return Solo(Generatore().delComune(c, a.r, a.p, capoluogo.c), &Azienda::gialle).size() > 200;
    });
    ASSERT_FALSE(cosa.isEmpty());
    f->c.chkRicerca[1]->setValue(false);
    Avvia(cosa, "Friuli Venezia Giulia", {"Trieste"});
    EXPECT_EQ(UltimoMessaggio(), "Elaborazione terminata");

    const Territorio& t = Generatore().territorio();
    for (int c = 1; c <= t.numeroComuni(a.r, a.p); ++c) {
        const QString dv = "cb=0&ind=&nc=&qs=" + QString(cosa).replace(' ', "%20") + "&dv=" +
                           QString(t.nomeComune(a.r, a.p, c)).replace(' ', "%20");
        EXPECT_EQ(Richieste().filter(QRegularExpression(QRegularExpression::escape(dv) + "$")).size(), 1)
            << t.nomeComune(a.r, a.p, c).toStdString();
    }
    // A municipality whose postal code ends in 00 asks for all hundred codes, in order.
    const QStringList cap = Richieste().filter(QRegularExpression("&dv=341\\d\\d$"));
    ASSERT_EQ(cap.size(), 100);
    EXPECT_TRUE(cap.front().endsWith("dv=34100"));
    EXPECT_TRUE(cap.back().endsWith("dv=34199"));
    // Past the cap, the postal codes bring in what the municipality's 200 listings left out.
    QSet<QString> attesi;
    for (int c = 1; c <= t.numeroComuni(a.r, a.p); ++c)
        if (!Generatore().nonRiconosciuto(a.r, a.p, c))
            attesi += Telefoni(Solo(Generatore().delComune(cosa, a.r, a.p, c), &Azienda::gialle));
    const QSet<QString> trovati = Telefoni();
    EXPECT_TRUE(trovati.contains(attesi)) << (attesi - trovati).size() << " missing";
}

TEST_F(Corsa, WhitePagesStopAtMunicipalitiesWhenYellowPagesAreTicked) {
    const Area a = Trova("Friuli Venezia Giulia", "Trieste", "Trieste");
    const QString cosa = Categoria([&](const QString& c) {
        return Solo(Generatore().delComune(c, a.r, a.p, a.c), &Azienda::bianche).size() > 200;
    });
    ASSERT_FALSE(cosa.isEmpty());
    // Both directories over the cap: the postal codes are asked once, by the yellow pages; with
    // the white pages alone they are asked by the white pages.
    for (bool gialle : {true, false}) {
        SCOPED_TRACE(gialle);
        f->c.chkRicerca[0]->setValue(gialle);
        DimenticaRichieste();
        Avvia(cosa, "Friuli Venezia Giulia", {"Trieste"}, {"Trieste"});
        EXPECT_EQ(Richieste().filter(QRegularExpression("&dv=341\\d\\d$")).size(), 100);
        f->c.optIntegr[1]->setValue(true);
    }
}

TEST_F(Corsa, PlaceNamedInSeveralProvincesFollowsTheRightOne) {
    const auto castro = Generatore().comuniDiNome("Castro");
    ASSERT_GE(castro.size(), 2);
    const Territorio& t = Generatore().territorio();
    Area lecce;
    for (const auto& l : castro)
        if (t.siglaProvincia(l.r, l.p) == "LE") lecce = {l.r, l.p, l.c};
    ASSERT_GT(lecce.r, 0);
    const QString cosa = Categoria([&](const QString& c) {
        for (const auto& l : castro)
            if (Solo(Generatore().delComune(c, l.r, l.p, l.c), &Azienda::gialle).isEmpty()) return false;
        return true;
    });
    ASSERT_FALSE(cosa.isEmpty());
    f->c.chkRicerca[1]->setValue(false);
    Avvia(cosa, t.nomeRegione(lecce.r), {t.nomeProvincia(lecce.r, lecce.p)}, {"Castro"});
    EXPECT_EQ(RichiesteCon("pr=LE&dv=Castro").size(), 1) << Richieste().join("\n").toStdString();
    EXPECT_TRUE(RichiesteCon("pr=BG").isEmpty());
    EXPECT_EQ(Telefoni(), Telefoni(Solo(Generatore().delComune(cosa, lecce.r, lecce.p, lecce.c), &Azienda::gialle)));
}

TEST_F(Corsa, UnrecognisedNameIsAskedWordByWordOnce) {
    const Territorio& t = Generatore().territorio();
    Area a;
    for (int r = 1; r <= t.numeroRegioni() && !a.r; ++r)
        for (int p = 1; p <= t.numeroProvince(r) && !a.r; ++p)
            for (int c = 1; c <= t.numeroComuni(r, p); ++c)
                if (Generatore().nonRiconosciuto(r, p, c) && t.nomeComune(r, p, c).count(' ') == 1 &&
                    !t.nomeComune(r, p, c).contains('\'')) {
                    a = {r, p, c};
                    break;
                }
    ASSERT_GT(a.r, 0);
    const QString nome = t.nomeComune(a.r, a.p, a.c);
    f->c.chkRicerca[1]->setValue(false);
    Avvia("Bar", t.nomeRegione(a.r), {t.nomeProvincia(a.r, a.p)}, {nome});
    const QStringList parole = RichiesteCon("of=39856");
    ASSERT_EQ(parole.size(), 2) << nome.toStdString();
    EXPECT_TRUE(parole[0].endsWith("dv=" + nome.section(' ', 0, 0)));
    EXPECT_TRUE(parole[1].endsWith("dv=" + nome.section(' ', 1, 1)));
}

TEST_F(Corsa, NameWithBlanksAndApostropheReachesTheServiceAsItIs) {
    f->c.chkRicerca[1]->setValue(false);
    Avvia("Bar", "Abruzzi", {"Chieti"}, {"Sant'Eusanio Del Sangro"});
    EXPECT_EQ(RichiesteCon("&dv=Sant'Eusanio%20Del%20Sangro").size(), 1);
}

TEST_F(Corsa, StopInTheMiddleSkipsTheSavesAndSaysSo) {
    sim = std::make_unique<test::Simulatore>(QStringList{"--latenza", "30"});
    f->amb.servizi.gialle = f->amb.servizi.bianche = f->amb.servizi.geocoder = sim->base();
    QTimer::singleShot(400, [&] {
        prova.dialoghi.risposte = {true};
        f->c.cmdFine.click();  // "&Stop", then Yes to the question
    });
    Avvia("Bar", "Friuli Venezia Giulia");
    // The records found are only in the table: the message says so, with their number.
    ASSERT_GT(f->tab.nRecord, 0);
    EXPECT_EQ(UltimoMessaggio(), QStringLiteral("Elaborazione interrotta\r\n\r\nI %1 record della tabella non sono "
                                                "ancora salvati: usare \"Salva\".")
                                     .arg(f->tab.nRecord));
    EXPECT_FALSE(f->av.bStop);
    EXPECT_TRUE(f->c.frmframe[0]->enabled());
    EXPECT_EQ(f->c.cmdFine.caption(), "&Fine Lavoro");
    EXPECT_FALSE(QFile::exists(f->amb.sCartellaScaricati + "Bar.txt"));
    EXPECT_FALSE(QFile::exists(f->amb.sCartellaScaricati + "Bar-End.txt"));
    EXPECT_EQ(f->c.lstProv.item(0), "<Tutte>");
}

TEST_F(Corsa, TableFillingUpEndsTheRunNormally) {
    for (long i = 1; i <= 39990; ++i) {
        Record r;
        r[kNome] = QStringLiteral("Ditta %1").arg(i);
        r[kTelefono] = QStringLiteral("099 %1").arg(i);
        r[kIndirizzo] = QStringLiteral("Via Roma %1").arg(i);
        r[kLatitudine] = QStringLiteral("45.%1").arg(i, 5, 10, QChar('0'));
        r[kLongitudine] = QStringLiteral("9.%1").arg(i, 5, 10, QChar('0'));
        f->tab.AggiungiRecord(r);
    }
    f->c.optIntegr[1]->setValue(true);
    const Area a = Trova("Friuli Venezia Giulia", "Trieste");
    const QString cosa = Categoria([&](const QString& c) {
        return Solo(Generatore().dellaProvincia(c, a.r, a.p), &Azienda::gialle).size() > 40;
    });
    f->c.chkRicerca[1]->setValue(false);
    Avvia(cosa, "Friuli Venezia Giulia");
    QStringList titoli;
    for (const auto& m : prova.dialoghi.mostrati) titoli << m.titolo;
    EXPECT_TRUE(titoli.contains("Tabella Piena"));
    EXPECT_EQ(UltimoMessaggio(), "Elaborazione terminata");
    EXPECT_LE(f->tab.nRecord, 40001);
    EXPECT_GT(f->tab.nRecord, 40000);
    // Only the first province was asked for: nothing is started once the table is full.
    EXPECT_TRUE(RichiesteCon("dv=UD").isEmpty());
}

TEST_F(Corsa, CoordinatesFromTheMapLinks) {
    const Area a = Trova("Friuli Venezia Giulia", "Trieste");
    const QString cosa = Categoria([&](const QString& c) {
        const int n = int(Solo(Generatore().dellaProvincia(c, a.r, a.p), &Azienda::gialle).size());
        return n > 5 && n < 40;
    });
    f->c.chkCoord.setValue(true);
    f->c.chkRicerca[1]->setValue(false);
    Avvia(cosa, "Friuli Venezia Giulia", {"Trieste"});
    int conMappa = 0;
    for (const Azienda& z : Solo(Generatore().dellaProvincia(cosa, a.r, a.p), &Azienda::gialle)) {
        // The completion pass asks again for rows whose address starts with the house number; the
        // reverse lookup then finds the same place, unless the subscriber refused it.
        if (!z.mappaGialle || z.riservato) continue;
        for (long r = 1; r <= f->tab.nRecord; ++r)
            if (f->tab.mfgTab.text(int(r), kTelefono) == z.telefono) {
                const QString attesa = QString::number(z.lat, 'f', 7).chopped(2);
                EXPECT_EQ(f->tab.mfgTab.text(int(r), kLatitudine).toStdString(), attesa.toStdString())
                    << z.nome.toStdString() << " " << z.chiave.toStdString();
                ++conMappa;
            }
    }
    EXPECT_GT(conMappa, 0);
    // Every record has coordinates in the end: the lookups and the geocoder place the rest.
    for (long r = 1; r <= f->tab.nRecord; ++r) EXPECT_FALSE(f->tab.mfgTab.text(int(r), kLatitudine).isEmpty()) << r;
}

namespace {
// A form whose services refuse every connection: the run walks its areas over empty pages.
struct SenzaRete : ::testing::Test {
    test::FormDiProva prova;
    Form* f = nullptr;
    void SetUp() override {
        f = &prova.avvia();
        // A port that was free a moment ago: every connection is refused at once.
        QTcpServer libera;
        libera.listen(QHostAddress::LocalHost, 0);
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(libera.serverPort());
        libera.close();
        f->amb.servizi.gialle = f->amb.servizi.bianche = f->amb.servizi.geocoder = base;
        f->c.chkCoord.setValue(false);
    }
    void Scegli(Lista& l, const QStringList& nomi) {
        for (int i = 0; i < l.count(); ++i)
            if (nomi.contains(l.item(i), Qt::CaseInsensitive)) {
                l.setListIndex(i);
                l.setSelected(i, true);
            }
    }
};
}  // namespace

TEST_F(SenzaRete, InputChecksComeBeforeClearingTheTable) {
    Record r;
    r[kNome] = "Ditta";
    f->tab.AggiungiRecord(r);
    struct Caso {
        const char* cosa;
        QStringList regioni, province;
        const char* messaggio;
    };
    const Caso casi[] = {
        {"", {"Molise"}, {}, "Occorre indicare una tipologia merceologica..."},
        {"Bar", {}, {}, "Occorre selezionare almeno una regione..."},
        {"Bar", {"Molise"}, {}, "Occorre selezionare almeno una provincia..."},
    };
    for (const Caso& c : casi) {
        for (Lista* l : {&f->c.lstRegioni, &f->c.lstProv})
            for (int i = 0; i < l->count(); ++i) l->setSelected(i, false);
        f->c.txtCosa.setText(c.cosa);
        Scegli(f->c.lstRegioni, c.regioni);
        prova.dialoghi.mostrati.clear();
        f->ric.cmdCarica_Click();
        ASSERT_EQ(prova.dialoghi.mostrati.size(), 1) << c.messaggio;
        EXPECT_EQ(prova.dialoghi.mostrati[0].testo, c.messaggio);
        EXPECT_EQ(prova.dialoghi.mostrati[0].titolo, "Errore!");
        EXPECT_EQ(f->tab.nRecord, 1) << "nothing asked, nothing cleared";
        EXPECT_FALSE(QFile::exists(prova.percorso("Geomerce.ini")));
    }
    // Answering No to the question keeps the table and starts nothing.
    f->c.txtCosa.setText("Bar");
    Scegli(f->c.lstRegioni, {"Molise"});
    Scegli(f->c.lstProv, {"Isernia"});
    Scegli(f->c.lstComuni, {"Agnone"});
    prova.dialoghi.risposte = {false};
    prova.dialoghi.mostrati.clear();
    f->ric.cmdCarica_Click();
    ASSERT_EQ(prova.dialoghi.mostrati.size(), 1);
    EXPECT_EQ(prova.dialoghi.mostrati[0].titolo, "Import dati da file");
    EXPECT_EQ(f->tab.nRecord, 1);
    EXPECT_FALSE(QFile::exists(prova.percorso("Geomerce.ini")));
}

TEST_F(SenzaRete, StepsCountedForTheProgressDisplay) {
    struct Caso {
        QStringList regioni, province, comuni;
        long passi;
        const char* descrizione;
    };
    const Caso casi[] = {
        {{"Molise", "Umbria"}, {}, {}, 4, "two regions: all their provinces"},
        {{"Molise"}, {"Isernia", "Campobasso"}, {}, 2, "two provinces, one step each"},
        {{"Molise"}, {"Isernia"}, {"Agnone", "Carovilli", "Pescolanciano"}, 4, "a province and three municipalities"},
        {{"Valle d'Aosta"}, {"Aosta"}, {"Aosta", "Arnad", "Bard"}, 4, "the only province, worked at region level"},
    };
    const IndirizziServizi servizi = f->amb.servizi;
    for (const Caso& c : casi) {
        test::FormDiProva altra;
        Form& g = altra.avvia();
        g.amb.servizi = servizi;
        g.web.orologio = std::make_shared<test::OrologioFinto>();
        g.c.chkCoord.setValue(false);
        g.c.txtCosa.setText("Bar");
        Scegli(g.c.lstRegioni, c.regioni);
        Scegli(g.c.lstProv, c.province);
        if (c.province.isEmpty())
            for (int i = 0; i < g.c.lstProv.count(); ++i) g.c.lstProv.setSelected(i, true);
        Scegli(g.c.lstComuni, c.comuni);
        if (c.comuni.isEmpty())
            for (int i = 0; i < g.c.lstComuni.count(); ++i) g.c.lstComuni.setSelected(i, true);
        g.ric.cmdCarica_Click();
        EXPECT_EQ(g.stato.TotalePassi, c.passi) << c.descrizione;
        // Nothing listens at the services' address: no run calls itself complete.
        EXPECT_NE(altra.dialoghi.mostrati.last().testo, "Elaborazione terminata") << c.descrizione;
        EXPECT_FALSE(g.ric.resoconto.completo()) << c.descrizione;
        EXPECT_TRUE(g.c.cmdCarica.enabled()) << c.descrizione;
        EXPECT_EQ(LeggiPrimaRiga(altra.percorso("Geomerce.ini")), "Bar") << c.descrizione;
    }
}

namespace {
// A directory that answers every request with the same page, counting the requests.
struct SitoFisso {
    httplib::Server server;
    std::thread filo;
    std::atomic<int> richieste{0};
    int porta = 0;
    explicit SitoFisso(std::string pagina) {
        server.Get(".*", [this, pagina](const httplib::Request&, httplib::Response& r) {
            ++richieste;
            r.set_content(pagina, "text/html");
        });
        porta = server.bind_to_any_port("127.0.0.1");
        filo = std::thread([this] { server.listen_after_bind(); });
    }
    ~SitoFisso() {
        server.stop();
        filo.join();
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(porta); }
};
}  // namespace

TEST(Riparazioni, RepeatedRepairsEndInsteadOfLooping) {
    const std::string riga =
        "<tr class=\"riga-elenco-localita\"><td class=\"nome-della-localita\"><a href=\"/pg/cgi/pgsearch.cgi?qs=Bar&pr=CH&dv=Atessa\">"
        "Atessa</a></td><td class=\"provincia\">Chieti</td><td class=\"regione\">Abruzzi</td></tr>";
    struct Caso {
        const char* descrizione;
        std::string pagina;
        const char* comune;
    };
    const Caso casi[] = {
        {"a place list whose chosen place is the same list again",
         "<p>risultati contenenti Bar</p><table><tr><th>Regione</th></tr>" + riga + "</table>pagina <b>1</b> di <b>1</b>",
         "Atessa"},
        {"a name that is never recognised, word after word", "<p>la localita non è stata riconosciuta</p>",
         "Castel Frentano"},
    };
    for (const Caso& c : casi) {
        SitoFisso sito(c.pagina);
        test::FormDiProva prova;
        Form& f = prova.avvia();
        f.amb.servizi.gialle = f.amb.servizi.bianche = f.amb.servizi.geocoder = sito.base();
        f.c.chkCoord.setValue(false);
        f.c.chkRicerca[1]->setValue(false);
        f.c.txtCosa.setText("Bar");
        for (auto [lista, nome] : {std::pair{&f.c.lstRegioni, "Abruzzi"}, {&f.c.lstProv, "Chieti"}, {&f.c.lstComuni, c.comune}})
            for (int i = 0; i < lista->count(); ++i)
                if (Uguale(lista->item(i), QString::fromUtf8(nome))) {
                    lista->setListIndex(i);
                    lista->setSelected(i, true);
                }
        f.ric.cmdCarica_Click();
        EXPECT_EQ(prova.dialoghi.mostrati.last().testo, "Elaborazione terminata") << c.descrizione;
        EXPECT_LT(sito.richieste.load(), 12) << c.descrizione;
    }
}

TEST_F(Corsa, TimerSaveDuringARunImportsBackToTheTableItHeld) {
    sim = std::make_unique<test::Simulatore>(QStringList{"--latenza", "5"});
    f->amb.servizi.gialle = f->amb.servizi.bianche = f->amb.servizi.geocoder = sim->base();
    const QString file = f->amb.sCartellaScaricati + "Bar.txt";
    const QString copia = prova.percorso("autosalvataggio.txt");
    QSet<QString> tenuti;
    // The tenth minute of the clock falls in the middle of the run, once some records are in.
    QTimer orologio;
    orologio.setInterval(5);
    QObject::connect(&orologio, &QTimer::timeout, [&] {
        if (f->tab.nRecord < 20) return;
        orologio.stop();
        f->av.MinutiDaSalvataggio = 9;
        f->av.tmrClock_Timer();
        for (long r = 1; r <= f->tab.nRecord; ++r)
            tenuti.insert(f->tab.mfgTab.text(int(r), kNome) + u'|' + f->tab.mfgTab.text(int(r), kTelefono));
        // The region-end save writes the same name later on.
        QFile::copy(file, copia);
    });
    f->c.chkOutput[0]->setValue(true);
    f->c.chkOutput[2]->setValue(false);
    orologio.start();
    Avvia("Bar", "Friuli Venezia Giulia", {"Trieste"});
    EXPECT_EQ(UltimoMessaggio(), "Elaborazione terminata");
    ASSERT_FALSE(tenuti.isEmpty());
    // The user's choice of outputs is what it was before the save.
    EXPECT_TRUE(f->c.chkOutput[0]->value());
    EXPECT_FALSE(f->c.chkOutput[2]->value());

    test::FormDiProva altra;
    Form& g = altra.avvia();
    g.c.txtDupl.setText("0");
    QString errore;
    ASSERT_TRUE(g.imp.ImportaTabella(copia, QString(), &errore)) << errore.toStdString();
    QSet<QString> letti;
    for (long r = 1; r <= g.tab.nRecord; ++r)
        letti.insert(g.tab.mfgTab.text(int(r), kNome) + u'|' + g.tab.mfgTab.text(int(r), kTelefono));
    EXPECT_EQ(letti, tenuti);
}
