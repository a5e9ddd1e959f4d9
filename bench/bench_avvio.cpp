// Start-up to a shown window (offscreen). Target: under 300 ms.
#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "app/form.h"
#include "gui/finestra.h"

static void BM_AvvioFinestra(benchmark::State& s) {
    QTemporaryDir cartella;
    for (auto _ : s) {
        gm::DialoghiRegistrati d;
        gm::Form form(d);
        form.Form_Load(cartella.path());
        gm::Finestra f(form);
        f.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(f.isVisible());
    }
}
BENCHMARK(BM_AvvioFinestra)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
