// Area table and record table at full size. Targets: area-table parse under 5 ms, each sort of
// 40000 records under 50 ms, compaction of 40000 rows (half empty) under 20 ms.
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "geo/territorio.h"
#include "table/tabella.h"

namespace {
struct Banco {
    gm::Controlli c;
    gm::DialoghiRegistrati d;
    gm::Avanzamento av{c, d};
    gm::TabellaRecord t{c, av};
    Banco() {
        av.cedi = [] {};
        t.ImpostaGriglie();
    }
    void riempi(long n) {
        t.Svuota();
        for (long i = 0; i < n; ++i) {
            const long k = (i * 7919) % n;
            t.AggiungiRecord({QStringLiteral("%1 Nome %2").arg(k % 2 ? "bar" : "Bar").arg(k),
                              QStringLiteral("Via Roma %1").arg(i), QStringLiteral("00100"),
                              QStringLiteral("Roma"), QStringLiteral("RM"), QStringLiteral("06 %1").arg(k),
                              QStringLiteral("41.90000"), QStringLiteral("12.50000")});
        }
    }
};
}  // namespace

static void BM_AnalisiTerritorio(benchmark::State& s) {
    const QStringList testo = gm::Territorio::TestoIncorporato();
    for (auto _ : s) {
        gm::Territorio t;
        t.Analizza(testo);
        benchmark::DoNotOptimize(t.numeroRegioni());
    }
}
BENCHMARK(BM_AnalisiTerritorio)->Unit(benchmark::kMillisecond);

static void BM_Aggiungi40000(benchmark::State& s) {
    Banco b;
    for (auto _ : s) {
        b.riempi(40000);
        benchmark::DoNotOptimize(b.t.nRecord);
    }
}
BENCHMARK(BM_Aggiungi40000)->Unit(benchmark::kMillisecond);

// Sort of 40000 shuffled records by the name column with kind 5, 6 or 7.
static void BM_Ordina40000(benchmark::State& s) {
    Banco b;
    for (auto _ : s) {
        s.PauseTiming();
        b.riempi(40000);
        s.ResumeTiming();
        b.t.Ordina(0, s.range(0));
    }
}
BENCHMARK(BM_Ordina40000)->Arg(5)->Arg(6)->Arg(7)->Unit(benchmark::kMillisecond);

// Compaction of 40000 rows of which every other one is empty (the closing re-sort included).
static void BM_Compatta40000(benchmark::State& s) {
    Banco b;
    for (auto _ : s) {
        s.PauseTiming();
        b.riempi(40000);
        b.t.Ordina(0, 7);
        for (int r = 1; r <= 40000; r += 2) b.t.mfgTab.setText(r, 0, QString());
        s.ResumeTiming();
        b.t.EliminaRigheVuoteTabella();
    }
}
BENCHMARK(BM_Compatta40000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
