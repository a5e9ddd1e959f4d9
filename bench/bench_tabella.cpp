// Record table at its full size: appending, sorting and compacting 40000 records.
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
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
        for (long i = 0; i < n; ++i)
            t.AggiungiRecord({QStringLiteral("Nome %1").arg((i * 7919) % n), QStringLiteral("Via Roma %1").arg(i),
                              QStringLiteral("00100"), QStringLiteral("Roma"), QStringLiteral("RM"),
                              QStringLiteral("06 %1").arg(i), QStringLiteral("41.90000"), QStringLiteral("12.50000")});
    }
};
}  // namespace

static void BM_Aggiungi40000(benchmark::State& s) {
    for (auto _ : s) {
        Banco b;
        b.riempi(40000);
        benchmark::DoNotOptimize(b.t.nRecord);
    }
}
BENCHMARK(BM_Aggiungi40000)->Unit(benchmark::kMillisecond);

static void BM_OrdinaEdElimina40000(benchmark::State& s) {
    Banco b;
    b.riempi(40000);
    for (auto _ : s) {
        b.t.Ordina(0, 5);
        for (int r = 1; r < 40000; r += 3) b.t.mfgTab.setText(r, 0, QString());
        b.t.EliminaRigheVuoteTabella();
        s.PauseTiming();
        b.t.Svuota();
        b.riempi(40000);
        s.ResumeTiming();
    }
}
BENCHMARK(BM_OrdinaEdElimina40000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
