// geomerce-sim: the built-in stand-in for the yellow pages, the white pages and the geocoder.
#include <QString>

#include <cstdio>
#include <cstring>

#include "sim/servizio.h"

namespace {
void Uso() {
    std::fputs("uso: geomerce-sim [--port N] [--seed S] [--latenza MS] [--guasti QUOTA] [--tipi-guasti TIPI] [--log FILE]\n"
               "  --port 0 sceglie una porta libera e la stampa come prima riga: PORT <n>\n"
               "  --guasti 0..1: quota di richieste con un guasto (pagina vuota, errore 500, risposta lenta,\n"
               "                 pagina troncata, connessione interrotta)\n"
               "  --tipi-guasti vuota,500,lenta,troncata,interrotta: solo questi guasti\n",
               stderr);
}
}  // namespace

int main(int argc, char** argv) {
    gm::sim::Opzioni o;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const bool valore = i + 1 < argc;
        bool ok = true;
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            Uso();
            return 0;
        } else if (!std::strcmp(a, "--port") && valore) {
            o.porta = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            ok = ok && o.porta >= 0 && o.porta < 65536;
        } else if (!std::strcmp(a, "--seed") && valore) {
            o.seme = QString::fromLocal8Bit(argv[++i]).toULongLong(&ok);
        } else if (!std::strcmp(a, "--latenza") && valore) {
            o.latenzaMs = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            ok = ok && o.latenzaMs >= 0;
        } else if (!std::strcmp(a, "--guasti") && valore) {
            o.guasti = QString::fromLocal8Bit(argv[++i]).toDouble(&ok);
            ok = ok && o.guasti >= 0 && o.guasti <= 1;
        } else if (!std::strcmp(a, "--tipi-guasti") && valore) {
            ok = gm::sim::LeggiTipiGuasti(QString::fromLocal8Bit(argv[++i]), o.tipiGuasti);
        } else if (!std::strcmp(a, "--log") && valore) {
            o.fileLog = QString::fromLocal8Bit(argv[++i]);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "geomerce-sim: opzione non valida: %s\n", a);
            Uso();
            return 2;
        }
    }
    gm::sim::Servizio s(o);
    const int porta = s.avvia();
    if (porta <= 0) {
        std::fprintf(stderr, "geomerce-sim: impossibile aprire la porta %d su 127.0.0.1\n", o.porta);
        return 1;
    }
    std::printf("PORT %d\n", porta);
    std::fflush(stdout);
    s.servi();
    return 0;
}
