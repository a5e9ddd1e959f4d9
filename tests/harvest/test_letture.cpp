// The page readers on hand-written pages: written from the markers only, with other spacing and
// attributes than the built-in service uses.
#include <gtest/gtest.h>

#include "harvest/letture.h"
#include "support/ambiente_test.h"

using namespace gm::harvest;

namespace {
const QString B = QString(kBarra);

QString Gialla(const QString& nome, const QString& riga, const QString& tel, const QString& mappa = QString()) {
    return "<li class='x'><b>" + nome + "</b><span>" + riga + "</span><em>Tel.: " + tel + "</em>" + mappa + "</li>";
}

struct Letto {
    QString campi[8];
    bool preso = false;
};
QVector<Letto> TuttiGialle(QString W, const QString& sigla, long livello = 2) {
    QVector<Letto> v;
    Annuncio a;
    int giri = 0;
    while (AnnuncioGialle(W, sigla, livello, a) && ++giri < 1000) {
        if (a.fine) break;
        if (!a.preso) continue;
        Letto l;
        for (int k = 0; k < 8; ++k) l.campi[k] = a.campi[k];
        l.preso = a.preso;
        v << l;
    }
    return v;
}
}  // namespace

TEST(Contatore, ReadsCurrentAndTotalBehindTheirTags) {
    struct Caso {
        const char* pagina;
        long corrente, pagine;
    };
    const Caso casi[] = {
        {"<p>Pagina <b>1</b> di <b>7</b></p>", 1, 7},
        {"<td>pagina<span class=\"n\">3</span>di<span>12</span></td>", 3, 12},
        {"<html>nessun risultato</html>", 0, 0},
        {"pagina <b>2</b> senza totale", 2, 0},
        {"pagina <b></b> di <b>", 0, 0},
        {"pagina <b>1</b> di <b>99999999999999</b>", 1, 1000000000},
    };
    for (const Caso& c : casi) {
        const Contatore n = LeggiContatore(c.pagina);
        EXPECT_EQ(n.corrente, c.corrente) << c.pagina;
        EXPECT_EQ(n.pagine, c.pagine) << c.pagina;
    }
}

TEST(Paginazione, YellowTemplateAndWhiteTail) {
    const QString gialla = "<a href=\"/pg/cgi/pgsearch.cgi?qs=Bar&be=00&x=1\" title=\"1\">1</a>"
                           "<a class=\"p\" title=\"2\" href=\"/pg/cgi/pgsearch.cgi?qs=Bar&dv=RM&be=10&x=37\">2</a>";
    EXPECT_EQ(ModelloPagineGialle(gialla, "http://g"), "http://g/pg/cgi/pgsearch.cgi?qs=Bar&dv=RM&be=*&x=37");
    EXPECT_EQ(ModelloPagineGialle("<a title=\"3\" href=\"/pg/cgi/x?be=20\">", "http://g"), "");
    EXPECT_EQ(ModelloPagineGialle("<a title=\"2\" href=\"/pg/cgi/x?q=1\">", "http://g"), "");

    const QString bianca = "<div id=\"paginazione\"><a href=\"/execute.cgi?be=10&qs=Bar&dv=RM&nc=\">2</a></div>";
    EXPECT_EQ(CodaPagineBianche(bianca), "&qs=Bar&dv=RM&nc=");
    EXPECT_EQ(CodaPagineBianche("<div>paginazione</div>"), "");
}

TEST(ElencoLuoghi, EntriesTextsAndTheChoice) {
    // Links far enough apart that the texts between them are read; the counter comes last.
    const QString riga = "<tr class=\"riga-dell-elenco\"><td class=\"cella-del-nome\"><a href=\"%1\">%2</a></td>"
                         "<td class=\"cella\">%3</td><td class=\"cella\">%4</td></tr>";
    const QString pagina = "<h2>3 risultati contenenti Bar</h2><table><tr><th>Regione</th></tr>" +
                           riga.arg("/pg/cgi/pgsearch.cgi?qs=Bar&pr=BG&dv=Castro", "Castro", "Bergamo", "Lombardia") +
                           riga.arg("/pg/cgi/pgsearch.cgi?qs=Bar&pr=LE&dv=Castro", "Castro", "Lecce", "Puglia") +
                           riga.arg("/pg/cgi/pgsearch.cgi?qs=Bar&pr=BA&dv=Bari", "Bari", "Bari", "Puglia") +
                           "</table><p>pagina <b>1</b> di <b>2</b> <a href=\"/pg/cgi/pgsearch.cgi?qs=Bar&be=10&dv=Castro\">2</a></p>";
    long pagine = 0;
    EXPECT_EQ(ModelloElencoLuoghi(pagina, "http://g", pagine), "http://g/pg/cgi/pgsearch.cgi?qs=Bar&be=*&dv=Castro");
    EXPECT_EQ(pagine, 2);

    QStringList voci;
    RaccogliLuoghi(pagina, voci);
    ASSERT_GE(voci.size(), 3);
    EXPECT_EQ(voci[1], B + "1" + B + "/pg/cgi/pgsearch.cgi?qs=Bar&pr=LE&dv=Castro" + B + "2" + B + "Lecce" + B + "3" + B + "Puglia");

    struct Caso {
        const char *regione, *provincia, *sigla, *comune, *atteso;
    };
    const Caso casi[] = {
        {"Puglia", "Lecce", "LE", "Castro", "/pg/cgi/pgsearch.cgi?qs=Bar&pr=LE&dv=Castro"},
        {"Lombardia", "Bergamo", "BG", "Castro", "/pg/cgi/pgsearch.cgi?qs=Bar&pr=BG&dv=Castro"},
        // "qs=Bar" must not pass for the code BA: only Bari's own entry is chosen.
        {"Puglia", "Bari", "BA", "", "/pg/cgi/pgsearch.cgi?qs=Bar&pr=BA&dv=Bari"},
        {"Sicilia", "Palermo", "PA", "Castro", ""},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(ScegliLuogo(voci, c.regione, c.provincia, c.sigla, c.comune), c.atteso) << c.provincia;

    // No more than 200 entries, however many links follow each other.
    QString tanti = "<th>Regione</th>";
    for (int i = 0; i < 500; ++i) tanti += "<a href=\"/l" + QString::number(i) + "\">x</a>";
    QStringList molte;
    RaccogliLuoghi(tanti + "pagina", molte);
    EXPECT_EQ(molte.size(), kMaxLuoghi);
}

TEST(AnnunciGialle, FieldsOfTheListings) {
    struct Caso {
        const char* descrizione;
        QString riga, tel;
        const char *indirizzo, *cap, *citta, *pr, *telefono;
    };
    const Caso casi[] = {
        {"house number after the comma comes first", "00184 Roma (RM) - Via Milano, 12", "06 1234567",
         "12, Via Milano", "00184", "Roma ", "RM", "06 1234567"},
        {"dashes in the street become blanks", "00100 Roma (RM) - Via Tor-Vergata", "06-123-4567", "Via Tor Vergata",
         "00100", "Roma ", "RM", "06 123 4567"},
        {"a third group is cut", "00100 Roma (RM) - Piazza Navona", "06 123 4567", "Piazza Navona", "00100", "Roma ",
         "RM", "06 123"},
        {"two numbers keep the first", "00100 Roma (RM) - Corso", "0612 345678, 0612 999999", "Corso", "00100",
         "Roma ", "RM", "0612 345678"},
        {"a town line without a postal code", "Roma (RM)", "06 1", "", "", "", "", "06 1"},
    };
    for (const Caso& c : casi) {
        const QVector<Letto> v = TuttiGialle(Gialla("Bar Sport", c.riga, c.tel), "RM");
        ASSERT_EQ(v.size(), 1) << c.descrizione;
        EXPECT_EQ(v[0].campi[0], "Bar Sport") << c.descrizione;
        EXPECT_EQ(v[0].campi[1], c.indirizzo) << c.descrizione;
        EXPECT_EQ(v[0].campi[2], c.cap) << c.descrizione;
        EXPECT_EQ(v[0].campi[3], c.citta) << c.descrizione;
        EXPECT_EQ(v[0].campi[4], c.pr) << c.descrizione;
        EXPECT_EQ(v[0].campi[5], c.telefono) << c.descrizione;
    }
}

TEST(AnnunciGialle, PageShapes) {
    const QString due = Gialla("Uno", "00100 Roma (RM) - Via A, 1", "06 1") + Gialla("Due", "00100 Roma (RM) - Via B, 2", "06 2");
    EXPECT_EQ(TuttiGialle(due, "RM").size(), 2);
    EXPECT_TRUE(TuttiGialle(due, "MI").isEmpty()) << "another province's anchor";
    EXPECT_TRUE(TuttiGialle(due, "RM", 1).isEmpty()) << "region level takes nothing";
    // The suggestions block ends the page.
    const QString vedi = Gialla("Uno", "00100 Roma (RM) - Via A, 1", "06 1") +
                         "<div class=\"s\">Cerca in provincia (RM) - Vedi altro</div>" + Gialla("Tre", "00100 Roma (RM) - Via C", "06 3");
    EXPECT_EQ(TuttiGialle(vedi, "RM").size(), 1);
    // An anchor with no ">" after it: the loop moves past it instead of finding it again.
    EXPECT_LE(TuttiGialle("class=x (RM) (RM) (RM)", "RM").size(), 3);
    // A cut-off listing yields what it holds and no more.
    const QString tronca = due.left(due.size() - 25);
    EXPECT_EQ(TuttiGialle(tronca, "RM").size(), 2);
}

TEST(AnnunciGialle, MapLinkOfTheListingOnly) {
    const QString conMappa = Gialla("Uno", "00100 Roma (RM) - Via A, 1", "06 1",
                                    "<a href=\"/pg/cgi/mappe/build_map.cgi?cl=AB12&cb=7&z=1\">mappa</a>");
    QString W = conMappa + Gialla("Due", "00100 Roma (RM) - Via B, 2", "06 2");
    Annuncio a;
    ASSERT_TRUE(AnnuncioGialle(W, "RM", 2, a));
    EXPECT_EQ(MappaAnnuncioGialle(W, "RM"), "cl=AB12&cb=7");
    ASSERT_TRUE(AnnuncioGialle(W, "RM", 2, a));
    EXPECT_EQ(MappaAnnuncioGialle(W, "RM"), "") << "no link before the next listing";
}

TEST(AnnunciBianche, FieldsTelephoneAndMap) {
    const QString pagina =
        "<table><tr><td class=\"dati\"><div><h4>ROSSI MARIO</h4><p>00184 Roma (RM) - Via Nazionale, 10</p>"
        "<p>Tel fisso: 06 7654321</p></div><a class=\"mappa\" title=\"m\" href=\"/execute.cgi?m=1\">Mappa</a></td></tr>"
        "<tr><td class=\"dati\"><div><h4>BIANCHI</h4><p>sede legale</p><p>00184 Roma (RM)</p></div></td></tr></table>";
    QString W = pagina;
    Annuncio a;
    ASSERT_TRUE(AnnuncioBianche(W, "RM", 2, a));
    ASSERT_TRUE(a.preso);
    EXPECT_EQ(a.campi[0], "ROSSI MARIO");
    EXPECT_EQ(a.campi[1], "Via Nazionale, 10") << "no swap in the white pages";
    EXPECT_EQ(a.campi[2], "00184");
    EXPECT_EQ(a.campi[4], "RM");
    EXPECT_EQ(a.campi[5], "06 7654321") << "the label is not part of the number";
    EXPECT_EQ(MappaAnnuncioBianche(W), "/execute.cgi?m=1");
    // The town line is not the second piece: name only, still taken.
    ASSERT_TRUE(AnnuncioBianche(W, "RM", 2, a));
    EXPECT_TRUE(a.preso);
    EXPECT_EQ(a.campi[0], "BIANCHI");
    EXPECT_TRUE(a.campi[2].isEmpty());
    EXPECT_EQ(MappaAnnuncioBianche(W), "");
    EXPECT_FALSE(AnnuncioBianche(W, "RM", 2, a));
}
