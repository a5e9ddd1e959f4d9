// The work folder and the files kept in it, and the service addresses of this process.
#pragma once

#include <QString>

#include "net/servizi.h"

namespace gm {

struct Ambiente {
    QString cartellaProgramma;   // the work folder, without trailing separator
    QString sCartellaScaricati;  // cartellaProgramma + "/Filescaricati/"
    QString sFilePagina;         // cartellaProgramma + "/mk" + six digits + ".html"
    IndirizziServizi servizi = IndirizziServizi::predefiniti();

    // --dir when given, else GEOMERCE_HOME, else the executable's folder when writable,
    // else the per-user application data folder.
    static QString ScegliCartella(const QString& opzioneDir);
    // The same choice with the executable's folder given (empty: the real one).
    static QString ScegliCartella(const QString& opzioneDir, const QString& cartellaEseguibile);
    // Full path of a file in the work folder.
    QString percorso(const QString& nome) const { return cartellaProgramma + u'/' + nome; }
};

}  // namespace gm
