// geomerce-cli: the core driven from the command line.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace gm {

// Runs one command (arguments without the program name); returns the exit status:
// 0 success, 2 bad options or input, 1 stopped or failed.
int EseguiCli(const QStringList& argomenti, QTextStream& out, QTextStream& err);

// The commands; argomenti without the command word.
int EseguiSearch(const QStringList& argomenti, QTextStream& out, QTextStream& err);
int EseguiConvert(const QStringList& argomenti, QTextStream& out, QTextStream& err);
int EseguiTerritorio(QTextStream& out);

}  // namespace gm
