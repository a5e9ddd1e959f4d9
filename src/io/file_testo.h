// Files at the program's boundary: Windows-1252 text and atomic replacement.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace gm {

// Windows-1252 encoding; characters outside it become "?".
QByteArray CodificaWin1252(const QString& s);
// One UTF-16 unit of it.
char CarattereWin1252(char16_t u);
QString DecodificaWin1252(const QByteArray& b);

// Writes the whole file to a temporary file beside it and renames it into place, so that a failure
// never leaves a half-written file where a good one stood. Returns false (and leaves the old file)
// on any error; *errore gets the reason.
bool ScriviFileAtomico(const QString& percorso, const QByteArray& contenuto, QString* errore = nullptr);

// The same replacement by rename, without forcing the data to disk: for scratch files that are
// read back and deleted at once (the page file), where a sync per page would cost more than the
// download.
bool ScriviFileProvvisorio(const QString& percorso, const QByteArray& contenuto);
// Decodes a text table as the editor that saved it meant it: UTF-16 with its byte-order mark,
// UTF-8 with or without one, else Windows-1252. The choice is made once for the file: a file with
// UTF-8 letters is UTF-8, and a stray Windows-1252 byte in it (a line pasted from an old file) is
// read as that code page's character rather than spoiling the rest. False, with an Italian reason,
// for what is no text (NUL bytes, a workbook).
bool DecodificaTesto(const QByteArray& dati, QString& testo, QString* errore);
// The lines of a text, split at CR LF, LF or CR in any mix; a final line end adds no empty line.
QStringList RigheTesto(const QString& testo);

// First line of a Windows-1252 text file (without its line end); empty when missing or empty.
QString LeggiPrimaRiga(const QString& percorso);

}  // namespace gm
