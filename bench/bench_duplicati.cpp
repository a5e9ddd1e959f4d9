// Both duplicate eliminations on 40000 records of which a fifth are duplicates, beside gpsbabel's
// position filter on the same points. Targets: each elimination under 100 ms, and faster than
// the gpsbabel filter.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "app/form.h"

namespace {
constexpr long kRecord = 40000;

struct Banco {
    QTemporaryDir dir;
    gm::DialoghiRegistrati d;
    gm::Form f{d};
    Banco() {
        f.av.cedi = [] {};
        f.Form_Load(dir.path());
        f.c.txtDupl.setText(QStringLiteral("5"));
    }
    // Every fifth record repeats an earlier one: the same telephone, or the same address a metre
    // away.
    void riempi() {
        f.tab.Svuota();
        for (long i = 0; i < kRecord; ++i) {
            const long k = i % 5 == 4 ? i - 3 : i;
            const double lat = 41.0 + double(k % 20011) * 0.0001 + (k != i ? 0.00001 : 0.0);
            const double lon = 12.0 + double((k * 7919) % 20011) * 0.0001;
            f.tab.AggiungiRecord({QStringLiteral("Bar %1").arg(k), QStringLiteral("Via Roma %1").arg(k),
                                  QStringLiteral("00100"), QStringLiteral("Roma"), QStringLiteral("RM"),
                                  QStringLiteral("06 %1").arg(k % 3 ? k : i),
                                  QString::number(lat, 'f', 5), QString::number(lon, 'f', 5)});
        }
    }
};

Banco& Condiviso() {
    static Banco b;
    return b;
}

void BM_DoppiPalesi40000(benchmark::State& s) {
    Banco& b = Condiviso();
    for (auto _ : s) {
        s.PauseTiming();
        b.riempi();
        s.ResumeTiming();
        b.f.dup.EliminaRigheDoppiePalesi();
    }
    s.counters["rimasti"] = double(b.f.tab.nRecord);
}
BENCHMARK(BM_DoppiPalesi40000)->Unit(benchmark::kMillisecond);

void BM_DoppiVicini40000(benchmark::State& s) {
    Banco& b = Condiviso();
    for (auto _ : s) {
        s.PauseTiming();
        b.riempi();
        s.ResumeTiming();
        b.f.dup.EliminaDuplicati(0);
    }
    s.counters["rimasti"] = double(b.f.tab.nRecord);
}
BENCHMARK(BM_DoppiVicini40000)->Unit(benchmark::kMillisecond);

// The same points through gpsbabel's position filter (5 m), CSV in and out.
void BM_GpsbabelFiltroPosizione(benchmark::State& s) {
    Banco& b = Condiviso();
    b.riempi();
    const QString dentro = b.dir.path() + QStringLiteral("/punti.csv");
    const QString fuori = b.dir.path() + QStringLiteral("/filtrati.csv");
    {
        QFile f(dentro);
        if (!f.open(QIODevice::WriteOnly)) s.SkipWithError("cannot write points");
        f.write("lat,lon,name\n");
        for (int i = 1; i <= b.f.tab.nRecord; ++i)
            f.write((b.f.tab.mfgTab.text(i, gm::kLatitudine) + u',' + b.f.tab.mfgTab.text(i, gm::kLongitudine) +
                     QStringLiteral(",p%1\n").arg(i))
                        .toLatin1());
    }
    for (auto _ : s) {
        QProcess p;
        p.start(QStringLiteral("gpsbabel"), {QStringLiteral("-i"), QStringLiteral("unicsv"), QStringLiteral("-f"), dentro,
                                             QStringLiteral("-x"), QStringLiteral("position,distance=5m"),
                                             QStringLiteral("-o"), QStringLiteral("unicsv"), QStringLiteral("-F"), fuori});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) s.SkipWithError("gpsbabel failed");
    }
}
BENCHMARK(BM_GpsbabelFiltroPosizione)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
