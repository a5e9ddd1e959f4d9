#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "cli/comandi_cli.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Geomerce"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList argomenti = app.arguments();
    argomenti.removeFirst();
    const int stato = gm::EseguiCli(argomenti, out, err);
    out.flush();
    err.flush();
    return stato;
}
