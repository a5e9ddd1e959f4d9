#include "cli/comandi_cli.h"

namespace gm {

int EseguiConvert(const QStringList&, QTextStream&, QTextStream& err) {
    err << "convert: non ancora disponibile\n";
    return 2;
}

}  // namespace gm
