// Saving 40000 records as TXT, XLS, OV2 (indexed and plain), GPX and KML and importing them back,
// beside gpsbabel reading the same OV2 file.
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "app/form.h"
#include "io/formati.h"

namespace {
constexpr long kRecord = 40000;

struct Banco {
    QTemporaryDir dir;
    gm::DialoghiRegistrati d;
    gm::Form f{d};
    Banco() {
        if (!qEnvironmentVariableIsEmpty("SENZA_EVENTI")) f.av.cedi = [] {};  // else the window's own yield
        f.Form_Load(dir.path());
        f.c.txtCosa.setText(QStringLiteral("Farmacie comunali"));
        f.c.txtDupl.setText(QStringLiteral("0"));
        f.c.cmbCancella.setText(QStringLiteral("Farmacie comunali"));
    }
    void riempi() {
        static const char* const pr[][2] = {{"Milano", "MI"}, {"Roma", "RM"}, {"Bologna", "BO"}, {"Napoli", "NA"}, {"Torino", "TO"}};
        for (long i = 0; i < kRecord; ++i) {
            const auto& p = pr[i % 5];
            f.tab.AggiungiRecord({QStringLiteral("Farmacia %1 di Rossi s.n.c.").arg((i * 7919) % kRecord),
                                  QStringLiteral("Via Garibaldi, %1").arg(i % 300), QStringLiteral("00100"),
                                  QString::fromLatin1(p[0]), QString::fromLatin1(p[1]), QStringLiteral("06 %1").arg(1000000 + i),
                                  QStringLiteral("%1").arg(41.0 + (i % 1000) / 1000.0, 0, 'f', 5),
                                  QStringLiteral("%1").arg(12.0 + (i % 997) / 1000.0, 0, 'f', 5)});
        }
    }
    void uscite(bool ov2, bool xls, bool txt, bool gpx = false, bool kml = false, bool semplice = false) {
        f.c.chkOutput[0]->setValue(ov2);
        f.c.chkOutput[1]->setValue(xls);
        f.c.chkOutput[2]->setValue(txt);
        f.c.chkOutput[3]->setValue(gpx);
        f.c.chkOutput[4]->setValue(kml);
        f.c.chkOv2Semplice.setValue(semplice);
        f.c.chkArea[0]->setValue(true);
        f.c.chkArea[1]->setValue(false);
    }
    QString file(const char* est) const {
        return f.amb.sCartellaScaricati + (QByteArray(est) == "ov2" ? "Nazionali/" : "") + "Farmacie-comunali." + est;
    }
};

Banco& Condiviso() {
    static Banco b;
    static bool pieno = false;
    if (!pieno) {
        b.riempi();
        pieno = true;
    }
    return b;
}

void Salva(benchmark::State& s, bool ov2, bool xls, bool txt, bool gpx = false, bool kml = false,
           bool semplice = false) {
    Banco& b = Condiviso();
    b.uscite(ov2, xls, txt, gpx, kml, semplice);
    for (auto _ : s) {
        b.f.salva.SalvaFile(1);
        benchmark::DoNotOptimize(b.f.salva.fileScritti.size());
    }
    s.counters["record"] = double(b.f.tab.nRecord);
}

void Importa(benchmark::State& s, const char* est) {
    Banco& b = Condiviso();
    b.uscite(false, QByteArray(est) == "xls", QByteArray(est) == "txt");
    b.f.salva.SalvaFile(1);
    const QString percorso = b.file(est);
    Banco altro;
    altro.f.c.optIntegr[0]->setValue(true);
    for (auto _ : s) {
        QString errore;
        if (!altro.f.imp.ImportaTabella(percorso, QString(), &errore)) s.SkipWithError(qPrintable(errore));
        benchmark::DoNotOptimize(altro.f.tab.nRecord);
    }
    s.counters["record"] = double(altro.f.tab.nRecord);
}
}  // namespace

static void BM_SalvaTxt40000(benchmark::State& s) { Salva(s, false, false, true); }
static void BM_SalvaXls40000(benchmark::State& s) { Salva(s, false, true, false); }
static void BM_SalvaOv2_40000(benchmark::State& s) { Salva(s, true, false, false); }
static void BM_SalvaOv2Semplice40000(benchmark::State& s) { Salva(s, true, false, false, false, false, true); }
static void BM_SalvaGpx40000(benchmark::State& s) { Salva(s, false, false, false, true, false); }
static void BM_SalvaKml40000(benchmark::State& s) { Salva(s, false, false, false, false, true); }
static void BM_ImportaTxt40000(benchmark::State& s) { Importa(s, "txt"); }
static void BM_ImportaXls40000(benchmark::State& s) { Importa(s, "xls"); }

// One writer alone on the 40000 rows, without the save around it (sort, progress, disk).
static void BM_SoloScrittura40000(benchmark::State& s, const char* estensione) {
    Banco& b = Condiviso();
    QVector<gm::Record> righe;
    for (long r = 1; r <= b.f.tab.nRecord; ++r) righe.append(b.f.tab.record(r));
    const gm::ContestoUscita c{QStringLiteral("Farmacie comunali"), QStringLiteral("Farmacie comunali"), {}, false};
    const gm::FormatoUscita& f = *gm::FormatiUscita()[gm::IndiceFormato(QLatin1String(estensione))];
    for (auto _ : s) {
        QByteArray dati;
        QString errore;
        f.scrivi(righe, c, dati, errore);
        benchmark::DoNotOptimize(dati.size());
    }
}

// The same OV2 file read by gpsbabel and written out as CSV.
static void BM_GpsbabelOv2InCsv(benchmark::State& s) {
    Banco& b = Condiviso();
    b.uscite(true, false, false);
    b.f.salva.SalvaFile(1);
    const QString ov2 = b.file("ov2");
    // The child's own CPU time, to set beside ours on a busy machine.
    const auto cpuFigli = [] {
        rusage u{};
        getrusage(RUSAGE_CHILDREN, &u);
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    };
    const double prima = cpuFigli();
    for (auto _ : s) {
        QProcess p;
        p.start(QStringLiteral("gpsbabel"), {"-i", "tomtom", "-f", ov2, "-o", "unicsv", "-F", b.dir.filePath("out.csv")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) s.SkipWithError("gpsbabel failed");
    }
    s.counters["gpsbabel_cpu_ms"] = benchmark::Counter((cpuFigli() - prima) / double(s.iterations()));
}

BENCHMARK(BM_SalvaTxt40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SalvaXls40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SalvaOv2_40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SalvaOv2Semplice40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SalvaGpx40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SalvaKml40000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SoloScrittura40000, ov2, "ov2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SoloScrittura40000, gpx, "gpx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SoloScrittura40000, kml, "kml")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GpsbabelOv2InCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportaTxt40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportaXls40000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
