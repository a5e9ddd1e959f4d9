// Small text routines shared by every parser and by the table code. Positions are 1-based and
// 0 means "not found"; comparisons ignore letter case, as everywhere in the program.
#pragma once

#include <QString>

namespace gm {

long Maggiore(long a, long b);
// Leading run of digits and points of x (empty when the run does not end within 100 characters).
QString PrelevastringaNumerica(const QString& x);
// Capitalises word by word; a is left in upper case, as its callers expect.
QString PrimoMaiuscolo(QString& a);
inline QString PrimoMaiuscoloDi(QString a) { return PrimoMaiuscolo(a); }

// Case-insensitive search of t in s from position start (1-based); 0 when absent.
int InStr(const QString& s, const QString& t, int start = 1);
// Substring from position start (1-based), len characters (all when negative).
QString Mid(const QString& s, int start, int len = -1);
QString Left(const QString& s, int n);
QString Right(const QString& s, int n);
// Case-insensitive replacement of every occurrence.
QString Sostituisci(const QString& s, const QString& da, const QString& a);
// Case-insensitive equality.
bool Uguale(const QString& a, const QString& b);
// Numeric value of the leading decimal number (point as separator); 0 for none.
double Val(const QString& s);

}  // namespace gm
