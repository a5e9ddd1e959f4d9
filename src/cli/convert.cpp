#include <QDir>
#include <QFileInfo>
#include <QMap>

#include "app/form.h"
#include "cli/comandi_cli.h"
#include "cli/dialoghi_console.h"
#include "cli/opzioni.h"
#include "net/testo.h"

namespace gm {

namespace {
int Errore(QTextStream& err, const QString& testo) {
    err << "convert: " << testo << '\n';
    err.flush();
    return 2;
}
}  // namespace

// convert --input FILE --cosa CATEGORY [--colonne MAP] [--output txt,xls,ov2,gpx,kml] [--ambito unico,regionale]
//         [--tolleranza METRES] [--parole "WORDS"] [--dir DIR] [--ov2-semplice]
int EseguiConvert(const QStringList& argomenti, QTextStream& out, QTextStream& err) {
    QMap<QString, QString> opz;
    QString errore;
    if (!LeggiOpzioni(argomenti, {"input", "cosa", "colonne", "output", "ambito", "tolleranza", "parole", "dir"}, {"ov2-semplice"},
                      opz, errore))
        return Errore(err, errore);
    if (opz.value("input").isEmpty()) return Errore(err, QStringLiteral("occorre --input FILE"));
    if (opz.value("cosa").trimmed().isEmpty())
        return Errore(err, QStringLiteral("Occorre indicare un nome valido in 'cosa cercare'!"));

    // The caller's relative path, before the work folder becomes current.
    const QString input = QFileInfo(opz.value("input")).absoluteFilePath();
    DialoghiConsole dialoghi(err);
    Form f(dialoghi);
    f.Form_Load(opz.value("dir"));
    bool terminato = false;
    f.av.terminaProgramma = [&terminato] { terminato = true; };

    f.c.optIntegr[0]->setValue(true);
    if (!f.imp.ImportaTabella(input, opz.value("colonne"), &errore))
        return Errore(err, QDir::toNativeSeparators(opz.value("input")) + QStringLiteral(": ") + errore);
    if (terminato) return 1;

    f.c.txtCosa.setText(opz.value("cosa").trimmed());
    if (!ImpostaUscite(opz, f, errore)) return Errore(err, errore);
    if (!SalvaComeUtente(f, dialoghi, opz)) return 2;
    for (const QString& p : f.salva.fileScritti) out << QDir::toNativeSeparators(p) << '\n';
    out.flush();
    // A save whose eliminations left no record wrote nothing: no success.
    if (f.salva.bTuttiEliminati) return 1;
    if (terminato || f.salva.salvataggioInterrotto || !f.salva.erroriScrittura.isEmpty()) return 1;
    return 0;
}

}  // namespace gm
