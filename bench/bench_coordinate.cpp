// Coordinate lookup: name comparison and location scoring per call, and the pass over the table
// with an in-process answer page (no network), counting requests per record.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "app/dialoghi.h"
#include "app/form.h"
#include "coords/indirizzi.h"
#include "coords/risposte.h"

using namespace gm;

namespace {
struct Banco {
    QTemporaryDir cartella;
    DialoghiRegistrati d;
    Form form{d};
    long richieste = 0;
    Banco() {
        form.av.cedi = [] {};
        form.Form_Load(cartella.path());
        form.amb.servizi = {"http://g", "http://b", "http://m"};
        form.coord.scarica = [this](const QString& url) {
            ++richieste;
            // Single-location geocoder answer; the directories have nothing.
            form.web.sTestoPagina =
                url.contains("places.cgi")
                    ? QStringLiteral("<title>Map of X</title>Map Information<dd>Via Roma 10, 00184 Roma, Italy</dd>"
                                     "Latitude <a href=\"/m?lat=41.9012&lon=12.4963&s=1\">")
                    : QString();
        };
    }
    void riempi(long n, bool conCoordinate) {
        form.tab.Svuota();
        for (long i = 0; i < n; ++i)
            form.tab.AggiungiRecord({QStringLiteral("Bar %1").arg(i), QStringLiteral("Via Roma %1").arg(i % 200 + 1),
                                     "00184", "Roma", "Rm", "", conCoordinate ? "41.90000" : "",
                                     conCoordinate ? "12.50000" : ""});
    }
};
}  // namespace

static void BM_ConfrontaTesti(benchmark::State& s) {
    const QString a = "Castrocaro Terme E Terra Del Sole", b = "Terra del Sole - Castrocaro Terme";
    for (auto _ : s) benchmark::DoNotOptimize(coords::ConfrontaTesti(a, b));
}
BENCHMARK(BM_ConfrontaTesti);

static void BM_ValutaIndirizzo(benchmark::State& s) {
    Banco b;
    coords::IndiceAree aree(b.form.terr);
    coords::Candidato c;
    for (auto _ : s) {
        QString t = "Via Roma 10, 00184 Roma, Lazio, Italy";
        coords::ValutaLuogo(aree, c, t, "Via Roma 12", "00184", "Rm");
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_ValutaIndirizzo);

static void BM_PunteggioCandidato(benchmark::State& s) {
    coords::Candidato c;
    c[1] = "Via Roma 10", c[2] = "00184", c[4] = "Roma", c[5] = "RM";
    for (auto _ : s) benchmark::DoNotOptimize(coords::PunteggioCandidato(c, "Via Roma 12", "00184", "Roma", "Rm"));
}
BENCHMARK(BM_PunteggioCandidato);

static void BM_Passata2000SenzaCoordinate(benchmark::State& s) {
    Banco b;
    for (auto _ : s) {
        s.PauseTiming();
        b.riempi(2000, false);
        b.richieste = 0;
        s.ResumeTiming();
        b.form.coord.CompletaCoordinateMancanti(0);
    }
    s.counters["richieste/record"] = double(b.richieste) / 2000;
    s.counters["record/s"] = benchmark::Counter(2000.0 * s.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Passata2000SenzaCoordinate)->Unit(benchmark::kMillisecond);

static void BM_Passata40000GiaComplete(benchmark::State& s) {
    Banco b;
    for (auto _ : s) {
        s.PauseTiming();
        b.riempi(40000, true);
        b.richieste = 0;
        s.ResumeTiming();
        b.form.coord.CompletaCoordinateMancanti(0);
    }
    s.counters["richieste"] = double(b.richieste);
}
BENCHMARK(BM_Passata40000GiaComplete)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
