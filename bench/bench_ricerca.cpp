// The search run against the built-in directory service with no latency. Targets: requests made
// equal to the pages the area needs (no page fetched twice); under 2 ms of program CPU per result
// page; a 10-page province parsed in under 20 ms of CPU; with the coordinate memory, a second run
// over a province asks at most 10% of the first run's coordinate requests.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "app/form.h"
#include "harvest/letture.h"
#include "net/testo.h"
#include "sim/processo.h"
#include "sim/servizio.h"

namespace {

double CpuSecondi() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString ProgrammaSim() {
    const QString p = qEnvironmentVariable("GEOMERCE_SIM");
    return p.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/geomerce-sim") : p;
}

void Seleziona(gm::Lista& l, const QString& nome) {
    for (int i = 0; i < l.count(); ++i)
        if (gm::Uguale(l.item(i), nome)) {
            l.setListIndex(i);
            l.setSelected(i, true);
        }
}
void Tutti(gm::Lista& l) {
    for (int i = 0; i < l.count(); ++i)
        if (!l.selected(i)) {
            l.setListIndex(i);
            l.setSelected(i, true);
        }
}

// One whole region, both directories, coordinates off.
void BM_RicercaRegione(benchmark::State& s) {
    QTemporaryDir log;
    gm::sim::Processo sim(ProgrammaSim(), {"--log", log.filePath("r.log")});
    if (!sim.avviato()) {
        s.SkipWithError("geomerce-sim did not start");
        return;
    }
    double richieste = 0, record = 0, cpu = 0, doppie = 0;
    for (auto _ : s) {
        QFile(log.filePath("r.log")).resize(0);
        QTemporaryDir cartella;
        gm::DialoghiRegistrati d;
        gm::Form f(d);
        f.Form_Load(cartella.path());
        f.amb.servizi.gialle = f.amb.servizi.bianche = f.amb.servizi.geocoder = sim.base();
        f.c.chkCoord.setValue(false);
        f.c.txtCosa.setText(QStringLiteral("Supermercato"));
        Seleziona(f.c.lstRegioni, QStringLiteral("Molise"));
        Tutti(f.c.lstProv);
        Tutti(f.c.lstComuni);
        const double c0 = CpuSecondi();
        f.c.cmdCarica.click();
        cpu += CpuSecondi() - c0;
        record += double(f.tab.nRecord);
        QFile file(log.filePath("r.log"));
        file.open(QIODevice::ReadOnly);
        const QStringList righe = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        const QStringList pagine =
            righe.filter(QStringLiteral("pgsearch.cgi")).filter(QStringLiteral("&ind=&")) + righe.filter(QStringLiteral("tr=101"));
        richieste += double(righe.size());
        doppie += double(pagine.size() - QSet<QString>(pagine.begin(), pagine.end()).size());
    }
    const double n = double(s.iterations());
    s.counters["richieste"] = richieste / n;
    s.counters["pagine_ripetute"] = doppie / n;
    s.counters["record"] = record / n;
    s.counters["record_al_s"] = benchmark::Counter(record, benchmark::Counter::kIsRate);
    s.counters["cpu_ms_per_pagina"] = cpu * 1000.0 / std::max(1.0, richieste);
}
BENCHMARK(BM_RicercaRegione)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// One province as a user runs it (coordinates on) against a service where a share of the requests
// fails (argument: percent), against the same province from a clean service: records kept, pages
// missing, and wall time of each.
struct CorsaProvincia {
    double record = 0, mancanti = 0, secondi = 0;
};
CorsaProvincia ProvinciaConGuasti(const QString& base) {
    QTemporaryDir cartella;
    gm::DialoghiRegistrati d;
    gm::Form f(d);
    f.Form_Load(cartella.path());
    f.amb.servizi.gialle = f.amb.servizi.bianche = f.amb.servizi.geocoder = base;
    f.c.txtCosa.setText(QStringLiteral("Farmacie"));
    Seleziona(f.c.lstRegioni, QStringLiteral("Molise"));
    Seleziona(f.c.lstProv, QStringLiteral("Isernia"));
    Tutti(f.c.lstComuni);
    QElapsedTimer t;
    t.start();
    f.c.cmdCarica.click();
    return {double(f.tab.nRecord), double(f.ric.resoconto.totale()), double(t.elapsed()) / 1000.0};
}

void BM_ProvinciaConGuasti(benchmark::State& s) {
    gm::sim::Processo pulito(ProgrammaSim(), {});
    gm::sim::Processo guasto(ProgrammaSim(), {"--guasti", QString::number(double(s.range(0)) / 100.0)});
    if (!pulito.avviato() || !guasto.avviato()) {
        s.SkipWithError("geomerce-sim did not start");
        return;
    }
    const CorsaProvincia rif = ProvinciaConGuasti(pulito.base());
    CorsaProvincia g;
    for (auto _ : s) g = ProvinciaConGuasti(guasto.base());
    s.counters["record_pulita"] = rif.record;
    s.counters["record"] = g.record;
    s.counters["recuperati_pct"] = rif.record > 0 ? 100.0 * g.record / rif.record : 0;
    s.counters["pagine_mancanti"] = g.mancanti;
    s.counters["s_pulita"] = rif.secondi;
    s.counters["s_con_guasti"] = g.secondi;
}
BENCHMARK(BM_ProvinciaConGuasti)->Arg(30)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// Requests for coordinates in a request log: map pages, reverse lookups, searches by name, the
// geocoder (the walk's own municipality queries carry the category).
int RichiesteCoordinate(const QStringList& righe, const QString& cosa) {
    const QRegularExpression re(QStringLiteral("build_map\\.cgi|execute\\.cgi\\?.*tr=10[678]|places\\.cgi|"
                                               "pgsearch\\.cgi\\?.*cb=0&ind=(?!&nc=&qs=") +
                                QRegularExpression::escape(cosa) + QStringLiteral("&)"));
    return int(righe.filter(re).size());
}

QStringList Righe(const QString& percorso) {
    QFile file(percorso);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// One province, both directories, coordinates on, in the work folder given.
struct Provincia {
    QString cosa = QStringLiteral("Supermercato"), regione = QStringLiteral("Molise"), provincia = QStringLiteral("Isernia");
    long record = 0;
    int connessioni = gm::Controlli::kConnessioniPredefinite;
    QStringList righe;  // the table as the run left it
    void cerca(const QString& cartella, const QString& base, bool memoria) {
        gm::DialoghiRegistrati d;
        gm::Form f(d);
        f.Form_Load(cartella);
        f.amb.servizi.gialle = f.amb.servizi.bianche = f.amb.servizi.geocoder = base;
        f.c.chkCoord.setValue(true);
        f.c.chkMemoria.setValue(memoria);
        f.c.txtConnessioni.setText(QString::number(connessioni));
        f.c.txtCosa.setText(cosa);
        Seleziona(f.c.lstRegioni, regione);
        Seleziona(f.c.lstProv, provincia);
        Tutti(f.c.lstComuni);
        f.c.cmdCarica.click();
        record = f.tab.nRecord;
        righe.clear();
        for (long r = 1; r <= record; ++r) righe << f.tab.mfgTab.riga(int(r)).toList().join(u'\t');
    }
};

// One province with the coordinate memory: a first run into an empty memory, a second one over
// it. Target: the second run asks at most 10% of the first run's coordinate requests.
void BM_RicercaProvinciaMemoria(benchmark::State& s) {
    QTemporaryDir log;
    gm::sim::Processo sim(ProgrammaSim(), {"--log", log.filePath("r.log")});
    if (!sim.avviato()) {
        s.SkipWithError("geomerce-sim did not start");
        return;
    }
    double prima = 0, seconda = 0, record = 0, tempoPrima = 0, tempoSeconda = 0;
    for (auto _ : s) {
        QTemporaryDir cartella;
        Provincia p;
        QElapsedTimer t;
        QFile(log.filePath("r.log")).resize(0);
        t.start();
        p.cerca(cartella.path(), sim.base(), true);
        tempoPrima += double(t.elapsed());
        prima += RichiesteCoordinate(Righe(log.filePath("r.log")), p.cosa);
        QFile(log.filePath("r.log")).resize(0);
        t.restart();
        p.cerca(cartella.path(), sim.base(), true);
        tempoSeconda += double(t.elapsed());
        seconda += RichiesteCoordinate(Righe(log.filePath("r.log")), p.cosa);
        record += double(p.record);
    }
    const double n = double(s.iterations());
    s.counters["record"] = record / n;
    s.counters["coord_prima"] = prima / n;
    s.counters["coord_seconda"] = seconda / n;
    s.counters["quota_seconda"] = seconda / std::max(1.0, prima);
    s.counters["ms_prima"] = tempoPrima / n;
    s.counters["ms_seconda"] = tempoSeconda / n;
}
BENCHMARK(BM_RicercaProvinciaMemoria)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// One province at a simulated latency (first argument, ms) with a number of requests at once
// (second): wall time, requests and records. Target: at 40 ms, 4 at once at least 3 times faster
// than one at a time, with the same records and no more requests. "uguali" is 1 when the table
// equals the one-at-a-time run's at the same latency.
void BM_RicercaProvinciaConnessioni(benchmark::State& s) {
    static QMap<qint64, QStringList> unoAllaVolta;  // by latency
    const qint64 latenza = s.range(0);
    QTemporaryDir log;
    gm::sim::Processo sim(ProgrammaSim(), {"--log", log.filePath("r.log"), "--latenza", QString::number(latenza)});
    if (!sim.avviato()) {
        s.SkipWithError("geomerce-sim did not start");
        return;
    }
    double richieste = 0, coordinate = 0, record = 0, uguali = 1;
    for (auto _ : s) {
        QTemporaryDir cartella;
        Provincia p;
        p.connessioni = int(s.range(1));
        QFile(log.filePath("r.log")).resize(0);
        p.cerca(cartella.path(), sim.base(), false);
        const QStringList righe = Righe(log.filePath("r.log"));
        richieste += double(righe.size());
        coordinate += RichiesteCoordinate(righe, p.cosa);
        record += double(p.record);
        if (p.connessioni == 1) unoAllaVolta[latenza] = p.righe;
        if (unoAllaVolta.contains(latenza) && unoAllaVolta[latenza] != p.righe) uguali = 0;
    }
    const double n = double(s.iterations());
    s.counters["richieste"] = richieste / n;
    s.counters["coord"] = coordinate / n;
    s.counters["record"] = record / n;
    s.counters["uguali"] = uguali;
}
BENCHMARK(BM_RicercaProvinciaConnessioni)
    ->ArgsProduct({{40, 200}, {1, 4, 8}})
    ->ArgNames({"latenza", "connessioni"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// Reading the ten result pages of a province: count, paging template and every listing.
void BM_LetturaProvinciaDieciPagine(benchmark::State& s) {
    gm::sim::Opzioni o;
    gm::sim::Servizio servizio(o);
    QStringList pagine;
    for (int k = 0; k < 10; ++k) {
        QString p = servizio
                        .rispondi(QStringLiteral("/pg/cgi/pgsearch.cgi"),
                                  {{"qs", "Bar"}, {"dv", "RM"}, {"cb", "k"}, {"be", QString::number(k * 10)}})
                        .testo;
        p = gm::Sostituisci(p, QStringLiteral("&amp;"), QStringLiteral("&"));
        p.remove(u'\n');
        pagine << p;
    }
    long annunci = 0;
    for (auto _ : s) {
        (void)gm::harvest::LeggiContatore(pagine[0]);
        (void)gm::harvest::ModelloPagineGialle(pagine[0], QStringLiteral("http://g"));
        for (const QString& p : pagine) {
            QString W = p;
            gm::harvest::Annuncio a;
            while (gm::harvest::AnnuncioGialle(W, QStringLiteral("RM"), 2, a)) {
                if (a.fine) break;
                annunci += a.preso;
                (void)gm::harvest::MappaAnnuncioGialle(W, QStringLiteral("RM"));
            }
        }
    }
    s.counters["annunci"] = double(annunci) / double(s.iterations());
}
BENCHMARK(BM_LetturaProvinciaDieciPagine)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
