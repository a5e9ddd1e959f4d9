// An OpenStreetMap extract of one million generated nodes in one region (Molise: a grid of
// municipality boundaries, one node in fifty a named pharmacy, ten thousand outlined buildings)
// read and filtered for one category over the whole region. The reading runs in a child process
// so that its peak memory is its own. Target: under 30 s and under 1 GB.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <osmium/io/any_input.hpp>
#include <osmium/io/any_output.hpp>

#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "geo/territorio.h"
#include "osm/estratto.h"

namespace {

constexpr int kNodi = 1000000;
constexpr int kLato = 10;  // a grid of 10 x 10 municipalities


int Molise() {
    for (int r = 1; r <= gm::Territorio::Incorporato().numeroRegioni(); ++r)
        if (gm::Territorio::Incorporato().nomeRegione(r) == u"Molise") return r;
    return 0;
}

// Writes the extract as OSM XML (boundary squares named after Molise's municipalities, then the
// nodes and outlines) and turns it into PBF with libosmium, as an extract is distributed.
void Genera(const std::string& file) {
    const int r = Molise();
    const std::string xml = file + ".osm";
    std::FILE* f = std::fopen(xml.c_str(), "w");
    std::fputs("<?xml version='1.0' encoding='UTF-8'?>\n<osm version='0.6' generator='bench'>\n", f);
    const double lat0 = 41.4, lon0 = 14.0, passo = 0.05;
    long id = 1;
    for (int i = 0; i <= kLato; ++i)
        for (int j = 0; j <= kLato; ++j)
            std::fprintf(f, "<node id='%ld' lat='%.7f' lon='%.7f'/>\n", id++, lat0 + i * passo, lon0 + j * passo);
    const long primo = id;
    for (int k = 0; k < kNodi; ++k) {
        const double lat = lat0 + (k % 9973) * (kLato * passo / 9973.0);
        const double lon = lon0 + ((k * 7919L) % 10007) * (kLato * passo / 10007.0);
        if (k % 50 == 0)
            std::fprintf(f,
                         "<node id='%ld' lat='%.7f' lon='%.7f'><tag k='amenity' v='pharmacy'/>"
                         "<tag k='name' v='Farmacia %d'/><tag k='phone' v='+39 0874 %d'/></node>\n",
                         id++, lat, lon, k, k);
        else
            std::fprintf(f, "<node id='%ld' lat='%.7f' lon='%.7f'/>\n", id++, lat, lon);
    }
    auto angolo = [](int i, int j) { return long(1 + i * (kLato + 1) + j); };
    long via = 1;
    for (int i = 0; i < kLato; ++i)
        for (int j = 0; j < kLato; ++j)
            std::fprintf(f, "<way id='%ld'><nd ref='%ld'/><nd ref='%ld'/><nd ref='%ld'/><nd ref='%ld'/><nd ref='%ld'/></way>\n",
                         via++, angolo(i, j), angolo(i, j + 1), angolo(i + 1, j + 1), angolo(i + 1, j), angolo(i, j));
    for (int k = 0; k < 10000; ++k) {
        const long n = primo + k * 97L;
        std::fprintf(f,
                     "<way id='%ld'><nd ref='%ld'/><nd ref='%ld'/><nd ref='%ld'/><nd ref='%ld'/>"
                     "<tag k='amenity' v='%s'/><tag k='name' v='Edificio'/></way>\n",
                     via++, n, n + 1, n + 2, n, k % 10 == 0 ? "pharmacy" : "school");
    }
    int p = 1, c = 1;
    for (int q = 0; q < kLato * kLato; ++q) {
        if (c > gm::Territorio::Incorporato().numeroComuni(r, p)) {
            ++p;
            c = 1;
        }
        const QByteArray nome = gm::Territorio::Incorporato().nomeComune(r, p, c++).toHtmlEscaped().replace('\'', "&apos;").toUtf8();
        std::fprintf(f,
                     "<relation id='%d'><member type='way' ref='%d' role='outer'/><tag k='type' v='boundary'/>"
                     "<tag k='boundary' v='administrative'/><tag k='admin_level' v='8'/><tag k='name' v='%s'/>"
                     "</relation>\n",
                     q + 1, q + 1, nome.constData());
    }
    std::fputs("</osm>\n", f);
    std::fclose(f);
    osmium::io::Reader lettore{xml};
    osmium::io::Writer scrittore{file, osmium::io::overwrite::allow};
    while (osmium::memory::Buffer b = lettore.read()) scrittore(std::move(b));
    scrittore.close();
    lettore.close();
    std::remove(xml.c_str());
}

// Runs f in a child process; its exit status and peak resident memory. libosmium keeps a thread
// pool for the life of a process, so neither the writing nor the reading may happen here.
template <class F>
int Figlio(F f, double& piccoMb) {
    const pid_t figlio = fork();
    if (figlio == 0) _exit(f());
    int stato = 0;
    rusage uso{};
    wait4(figlio, &stato, 0, &uso);
    piccoMb = double(uso.ru_maxrss) / 1024.0;
    return WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
}

void BM_EstrattoRegione(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("molise.osm.pbf")).toStdString();
    double picco = 0;
    if (Figlio([&] {
            Genera(file);
            return 0;
        }, picco) != 0) {
        state.SkipWithError("the extract could not be written");
        return;
    }
    const gm::osm::AreaOsm regione{gm::osm::AreaOsm::Regione, Molise(), 0, 0};
    for (auto _ : state) {
        const int esito = Figlio([&] {
            const gm::osm::LetturaEstratto l =
                gm::osm::LeggiEstratto(gm::Territorio::Incorporato(), QString::fromStdString(file), {regione}, {{{"amenity", "pharmacy"}}});
            return l.errore.isEmpty() && l.esito.record.size() > 20000 ? 0 : 1;
        }, picco);
        if (esito != 0) state.SkipWithError("reading failed");
        state.counters["picco_MB"] = picco;
    }
    state.counters["nodi"] = kNodi;
}
BENCHMARK(BM_EstrattoRegione)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
