// Fetching ahead against the built-in directory service: with several requests at once a run finds
// the records of the one-at-a-time run, in the same order, writes the same file and asks the same
// pages; a Stop leaves nothing in flight.
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

#include "net/pagina_web.h"
#include "support/ambiente_test.h"
#include "support/orologio_finto.h"
#include "support/simulatore.h"

using namespace gm;

namespace {

struct Area {
    const char* nome;
    QString cosa, regione, provincia;
    QStringList comuni;
    bool coordinate = true;
    bool bianche = true;
};

// What one run left: the table, the saved text file (without its resume header, which tells the
// time) and the requests the service saw.
struct Esito {
    QStringList righe;
    QList<QByteArray> file;
    QStringList richieste;
    bool completo = false;
    QString messaggio;
};

void Scegli(Lista& l, const QStringList& nomi) {
    for (int i = 0; i < l.count(); ++i)
        if (nomi.isEmpty() || nomi.contains(l.item(i), Qt::CaseInsensitive)) {
            l.setListIndex(i);
            l.setSelected(i, true);
        }
}

QStringList Righe(const Form& f) {
    QStringList r;
    for (long i = 1; i <= f.tab.nRecord; ++i) {
        QStringList celle;
        for (int k = 0; k < kColonne; ++k) celle << f.tab.mfgTab.text(int(i), k);
        r << celle.join(u'\t');
    }
    return r;
}

QStringList Leggi(const QString& percorso) {
    QFile file(percorso);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// One run of the area with n requests at once, on a service of its own (guasti: its fault options).
Esito Corsa(const Area& a, int n, const QStringList& guasti = {}, const std::function<void(Form&)>& durante = {}) {
    QTemporaryDir log;
    test::Simulatore sim(QStringList{"--log", log.filePath("r.log")} + guasti);
    EXPECT_TRUE(sim.avviato());
    test::FormDiProva prova;
    Form& f = prova.avvia();
    f.amb.servizi.gialle = f.amb.servizi.bianche = f.amb.servizi.geocoder = sim.base();
    f.web.orologio = std::make_shared<test::OrologioFinto>();
    f.c.chkCoord.setValue(a.coordinate);
    f.c.chkRicerca[1]->setValue(a.bianche);
    f.c.txtConnessioni.setText(QString::number(n));
    f.c.txtCosa.setText(a.cosa);
    Scegli(f.c.lstRegioni, {a.regione});
    Scegli(f.c.lstProv, a.provincia.isEmpty() ? QStringList{} : QStringList{a.provincia});
    Scegli(f.c.lstComuni, a.comuni);
    Esito e;
    if (durante) durante(f);
    f.c.cmdCarica.click();
    e.righe = Righe(f);
    QFile testo(f.amb.sCartellaScaricati + a.cosa + ".txt");
    if (testo.open(QIODevice::ReadOnly))
        for (const QByteArray& riga : testo.readAll().split('\n'))
            if (!riga.startsWith(';')) e.file << riga;
    EXPECT_EQ(f.web.anticipo.inVolo(), 0);
    e.richieste = Leggi(log.filePath("r.log"));
    std::sort(e.richieste.begin(), e.richieste.end());
    e.completo = f.ric.resoconto.completo();
    e.messaggio = prova.dialoghi.mostrati.isEmpty() ? QString() : prova.dialoghi.mostrati.last().testo;
    return e;
}

const Area kAree[] = {
    {"tre comuni, coordinate", "Farmacie", "Molise", "Isernia", {"Venafro", "Frosolone", "Carovilli"}},
    {"una provincia, coordinate", "Supermercato", "Molise", "Isernia", {}},
    // Past the page cap: municipalities, then postal codes, every page of each query.
    {"oltre il tetto, senza coordinate", "Bar", "Friuli Venezia Giulia", "Trieste", {}, false, false},
};

}  // namespace

TEST(Anticipo, SameRecordsFileAndRequestsAsOneAtATime) {
    for (const Area& a : kAree) {
        SCOPED_TRACE(a.nome);
        const Esito uno = Corsa(a, 1);
        ASSERT_GT(uno.righe.size(), 5);
        ASSERT_EQ(uno.messaggio, "Elaborazione terminata");
        for (int n : {4, 8}) {
            SCOPED_TRACE(n);
            const Esito molti = Corsa(a, n);
            EXPECT_EQ(molti.righe, uno.righe);
            EXPECT_EQ(molti.file, uno.file);
            // Nothing asked that the one-at-a-time run did not ask, nothing asked twice more.
            EXPECT_EQ(molti.richieste, uno.richieste);
            EXPECT_EQ(molti.messaggio, "Elaborazione terminata");
        }
    }
}

// Faults met by pages fetched ahead are retried by the walk as by one request at a time: every
// record comes, in its place.
TEST(Anticipo, FaultsInFlightCostNoRecord) {
    const Area& a = kAree[0];
    const Esito pulito = Corsa(a, 1);
    const Esito guasto = Corsa(a, 4, {"--guasti", "0.3", "--tipi-guasti", "vuota,500,troncata,interrotta"});
    EXPECT_EQ(guasto.righe, pulito.righe);
    EXPECT_TRUE(guasto.completo);
    EXPECT_EQ(guasto.messaggio, "Elaborazione terminata");
}

// A Stop with requests in flight: they are all cancelled at once (Corsa checks that none is left),
// none is reported as missing, and the table holds what the one-at-a-time run finds up to the
// same record.
TEST(Anticipo, StopCancelsWhatIsInFlight) {
    const Area& a = kAree[1];
    QElapsedTimer t;
    const Esito fermato = Corsa(a, 4, {"--latenza", "100"}, [&](Form& f) {
        QTimer::singleShot(1500, [&f] {
            EXPECT_GT(f.web.anticipo.inVolo(), 1);
            f.av.bStop = true;
        });
        t.start();
    });
    EXPECT_LT(t.elapsed(), 4000);
    EXPECT_TRUE(fermato.completo);
    const int quanti = int(fermato.righe.size());
    ASSERT_GT(quanti, 1);
    // One at a time, stopped as the same record comes in.
    const Esito uno = Corsa(a, 1, {}, [quanti](Form& f) {
        QObject::connect(&f.c.txtRec, &CasellaTesto::change, [&f, quanti] {
            if (f.tab.nRecord >= quanti) f.av.bStop = true;
        });
    });
    ASSERT_EQ(uno.righe.size(), quanti);
    // The stopped tables are sorted for their save: rows are matched by telephone. The record
    // being looked up at the Stop may lack its position in one of them; every other is whole.
    auto perTelefono = [](const QStringList& righe) {
        QMap<QString, QString> m;
        for (const QString& r : righe) m.insert(r.section(u'\t', kTelefono, kTelefono), r);
        return m;
    };
    const auto anticipata = perTelefono(fermato.righe), unaAllaVolta = perTelefono(uno.righe);
    ASSERT_EQ(anticipata.keys(), unaAllaVolta.keys());
    int senzaPosizione = 0;
    for (const QString& t : anticipata.keys()) {
        if (anticipata[t] == unaAllaVolta[t]) continue;
        ++senzaPosizione;
        EXPECT_EQ(anticipata[t].section(u'\t', 0, kTelefono), unaAllaVolta[t].section(u'\t', 0, kTelefono));
        EXPECT_TRUE(anticipata[t].endsWith("\t\t") || unaAllaVolta[t].endsWith("\t\t")) << t.toStdString();
    }
    EXPECT_LE(senzaPosizione, 1);
}
