// geomerce-xls: reads one workbook for LeggiXls in a process of its own, so that a damaged file
// can only bring down this program. Arguments: FILE MAX_ROWS MAX_COLUMNS; the encoded sheet goes
// to standard output.
#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

#include "io/xls.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const QByteArray dati = gm::FoglioXlsCodificato(QFile::decodeName(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
    const char* p = dati.constData();
    qsizetype resto = dati.size();
    while (resto > 0) {
        const ssize_t scritti = write(STDOUT_FILENO, p, size_t(resto));
        if (scritti < 0 && errno == EINTR) continue;
        if (scritti <= 0) return 3;
        p += scritti;
        resto -= scritti;
    }
    return 0;
}
