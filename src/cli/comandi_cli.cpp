#include "cli/comandi_cli.h"

#include "geo/territorio.h"

namespace gm {

int EseguiTerritorio(QTextStream& out) {
    const Territorio& t = Territorio::Incorporato();
    out << "regione\tprovincia\tsigla\tcomune\tcap\n";
    for (int r = 1; r <= t.numeroRegioni(); ++r)
        for (int p = 1; p <= t.numeroProvince(r); ++p)
            for (int k = 1; k <= t.numeroComuni(r, p); ++k)
                out << t.nomeRegione(r) << '\t' << t.nomeProvincia(r, p) << '\t' << t.siglaProvincia(r, p) << '\t'
                    << t.nomeComune(r, p, k) << '\t' << t.capComune(r, p, k) << '\n';
    return 0;
}

namespace {
void Uso(QTextStream& err) {
    err << "uso: geomerce-cli search --cosa CATEGORIA --regioni \"R1;R2\" [opzioni]\n"
           "     geomerce-cli convert --input FILE --cosa CATEGORIA [opzioni]\n"
           "     geomerce-cli territorio\n";
}
}  // namespace

int EseguiCli(const QStringList& argomenti, QTextStream& out, QTextStream& err) {
    if (argomenti.isEmpty()) {
        Uso(err);
        return 2;
    }
    const QString comando = argomenti.first();
    const QStringList resto = argomenti.mid(1);
    if (comando == QStringLiteral("territorio")) return EseguiTerritorio(out);
    if (comando == QStringLiteral("search")) return EseguiSearch(resto, out, err);
    if (comando == QStringLiteral("convert")) return EseguiConvert(resto, out, err);
    Uso(err);
    return 2;
}

}  // namespace gm
