#include "cli/comandi_cli.h"

namespace gm {

int EseguiSearch(const QStringList&, QTextStream&, QTextStream& err) {
    err << "search: non ancora disponibile\n";
    return 2;
}

}  // namespace gm
