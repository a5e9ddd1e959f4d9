// Page throughput against the built-in directory service. Targets: the page fetcher within 1.5x
// of a bare QNetworkAccessManager GET of the same pages; the service at least 2000 pages/s on
// one core, in process and over HTTP.
//
// The service is started as a child process (geomerce-sim next to this program, or the path in
// GEOMERCE_SIM) with no latency and no faults.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <cstdio>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "io/file_testo.h"
#include "net/pagina_web.h"
#include "sim/processo.h"
#include "sim/servizio.h"

namespace {

gm::sim::Processo* gSim = nullptr;
int gPorta = 0;

bool AvviaSimulatore() {
    QString programma = qEnvironmentVariable("GEOMERCE_SIM");
    if (programma.isEmpty()) programma = QCoreApplication::applicationDirPath() + QStringLiteral("/geomerce-sim");
    gSim = new gm::sim::Processo(programma, {"--seed", "1"});
    gPorta = gSim->porta();
    return gSim->avviato();
}

void FermaSimulatore() { delete gSim; }

// Twenty yellow result pages of a province and twenty white ones: what a search run asks most.
QStringList Percorsi() {
    QStringList v;
    for (int k = 0; k < 20; ++k) {
        v << QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=0&qs=Farmacie&dv=RM&be=%1").arg(k * 10);
        v << QStringLiteral("/execute.cgi?be=%1&btt=1&tl=2&tr=101&tc=&cb=&tq=2&qs=Farmacie&qsn=&dv=MI&ind=&nc=").arg(k * 10);
    }
    return v;
}

QStringList Url() {
    QStringList v;
    for (const QString& p : Percorsi()) v << QStringLiteral("http://127.0.0.1:%1").arg(gPorta) + p;
    return v;
}

struct Fetcher {
    QTemporaryDir cartella;
    gm::Controlli c;
    gm::DialoghiRegistrati d;
    gm::Avanzamento av{c, d};
    gm::Ambiente amb;
    gm::PaginaWeb web{c, av, amb};
    Fetcher() {
        amb.cartellaProgramma = cartella.path();
        amb.sFilePagina = cartella.filePath(QStringLiteral("mk000001.html"));
    }
};

// Arg 1: the normal route through the page file; arg 0: no page file, so only the direct GET.
void BM_PaginaWeb(benchmark::State& s) {
    Fetcher f;
    if (s.range(0) == 0) f.amb.sFilePagina.clear();
    const QStringList url = Url();
    qsizetype i = 0;
    int64_t caratteri = 0;
    for (auto _ : s) {
        f.web.EstrazionePaginadaInternet(url[i++ % url.size()]);
        if (f.web.sTestoPagina.isEmpty()) s.SkipWithError("empty page");
        caratteri += f.web.sTestoPagina.size();
    }
    s.SetItemsProcessed(s.iterations());
    s.SetBytesProcessed(caratteri);
}
BENCHMARK(BM_PaginaWeb)->Arg(1)->Arg(0)->ArgName("file")->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();

// The page file round trip of the fetcher's first route alone, for one 6 KB page: written as
// it does (arg 1, atomic save, which syncs to disk) or with a plain write (arg 0).
void BM_FilePagina(benchmark::State& s) {
    QTemporaryDir cartella;
    const QString nome = cartella.filePath(QStringLiteral("mk000001.html"));
    const QByteArray pagina(6200, 'x');
    for (auto _ : s) {
        if (s.range(0)) {
            gm::ScriviFileAtomico(nome, pagina);
        } else {
            QFile f(nome);
            f.open(QIODevice::WriteOnly);
            f.write(pagina);
        }
        QFile f(nome);
        f.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(f.readAll().size());
        f.close();
        f.remove();
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK(BM_FilePagina)->Arg(1)->Arg(0)->ArgName("atomico")->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same pages by a plain GET of one manager, the body read whole and left undecoded.
void BM_QNetworkAccessManagerGet(benchmark::State& s) {
    QNetworkAccessManager nam;
    nam.setCache(nullptr);
    const QStringList url = Url();
    qsizetype i = 0;
    int64_t byte = 0;
    for (auto _ : s) {
        QNetworkReply* r = nam.get(QNetworkRequest(QUrl(url[i++ % url.size()])));
        QEventLoop loop;
        QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!r->isFinished()) loop.exec();
        const QByteArray corpo = r->readAll();
        if (r->error() != QNetworkReply::NoError || corpo.isEmpty()) s.SkipWithError("request failed");
        byte += corpo.size();
        r->deleteLater();
    }
    s.SetItemsProcessed(s.iterations());
    s.SetBytesProcessed(byte);
}
BENCHMARK(BM_QNetworkAccessManagerGet)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();

// The service's own work for a province result page, cache warm, with and without the encoding
// into the page's charset that every HTTP answer pays.
void BM_RispondiPaginaProvincia(benchmark::State& s) {
    gm::sim::Opzioni o;
    o.porta = 0;
    gm::sim::Servizio srv(o);
    const bool codifica = s.range(0) != 0;
    QList<std::pair<QString, QString>> p{{"btt", "1"}, {"ts", "1"}, {"l", "1"}, {"cb", "0"},
                                         {"qs", "Farmacie"}, {"dv", "RM"}, {"be", "0"}};
    srv.rispondi(QStringLiteral("/pg/cgi/pgsearch.cgi"), p);
    int k = 0;
    int64_t byte = 0;
    for (auto _ : s) {
        p.last().second = QString::number((k++ % 20) * 10);
        const auto r = srv.rispondi(QStringLiteral("/pg/cgi/pgsearch.cgi"), p);
        if (codifica) {
            QStringEncoder enc(r.charset.constData());
            const QByteArray b = enc.encode(r.testo);
            byte += b.size();
        } else {
            byte += r.testo.size();
        }
        benchmark::DoNotOptimize(r.testo.constData());
    }
    s.SetItemsProcessed(s.iterations());
    s.SetBytesProcessed(byte);
}
BENCHMARK(BM_RispondiPaginaProvincia)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The first page of a category never asked before: the whole province is generated.
void BM_RispondiProvinciaNuovaCategoria(benchmark::State& s) {
    gm::sim::Opzioni o;
    o.porta = 0;
    gm::sim::Servizio srv(o);
    int k = 0;
    for (auto _ : s) {
        const QList<std::pair<QString, QString>> p{{"qs", QStringLiteral("Categoria %1").arg(k++)}, {"dv", "RM"}};
        benchmark::DoNotOptimize(srv.rispondi(QStringLiteral("/pg/cgi/pgsearch.cgi"), p).testo.constData());
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK(BM_RispondiProvinciaNuovaCategoria)->Unit(benchmark::kMillisecond);

// Over HTTP from one client on one kept-alive connection: the service serves one request at a
// time, so this is its throughput on one core (plus the client's share of the machine).
void BM_HttpGeomerceSim(benchmark::State& s) {
    httplib::Client cli("127.0.0.1", gPorta);
    cli.set_keep_alive(s.range(0) != 0);
    std::vector<std::string> percorsi;
    for (const QString& p : Percorsi()) percorsi.push_back(p.toStdString());
    size_t i = 0;
    int64_t byte = 0;
    for (auto _ : s) {
        const auto res = cli.Get(percorsi[i++ % percorsi.size()].c_str());
        if (!res || res->status != 200) {
            s.SkipWithError("request failed");
            break;
        }
        byte += int64_t(res->body.size());
    }
    s.SetItemsProcessed(s.iterations());
    s.SetBytesProcessed(byte);
}
BENCHMARK(BM_HttpGeomerceSim)->Arg(1)->Arg(0)->ArgName("keepalive")->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!AvviaSimulatore()) {
        std::fprintf(stderr, "bench_sim: geomerce-sim did not start\n");
        FermaSimulatore();
        return 1;
    }
    // Every page once, so the timed runs meet a warm service.
    {
        httplib::Client cli("127.0.0.1", gPorta);
        for (const QString& p : Percorsi()) cli.Get(p.toStdString().c_str());
    }
    benchmark::RunSpecifiedBenchmarks();
    FermaSimulatore();
    return 0;
}
