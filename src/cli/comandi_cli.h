// geomerce-cli: the core driven from the command line.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace gm {

// Runs one command (arguments without the program name); returns the exit status.
int EseguiCli(const QStringList& argomenti, QTextStream& out, QTextStream& err);

}  // namespace gm
