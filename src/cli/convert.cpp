#include <QDir>
#include <QMap>

#include "app/form.h"
#include "cli/comandi_cli.h"
#include "cli/dialoghi_console.h"
#include "net/testo.h"

namespace gm {

namespace {
int Errore(QTextStream& err, const QString& testo) {
    err << "convert: " << testo << '\n';
    err.flush();
    return 2;
}
}  // namespace

// convert --input FILE --cosa CATEGORY [--colonne MAP] [--output txt,xls,ov2] [--ambito unico,regionale]
//         [--tolleranza METRES] [--parole "WORDS"] [--dir DIR]
int EseguiConvert(const QStringList& argomenti, QTextStream& out, QTextStream& err) {
    static const QStringList noti = {"input", "cosa", "colonne", "output", "ambito", "tolleranza", "parole", "dir"};
    QMap<QString, QString> opz;
    for (int i = 0; i < argomenti.size(); ++i) {
        const QString& a = argomenti[i];
        if (!a.startsWith(QStringLiteral("--")) || !noti.contains(a.mid(2)))
            return Errore(err, QStringLiteral("opzione sconosciuta: ") + a);
        if (i + 1 >= argomenti.size()) return Errore(err, QStringLiteral("manca il valore di ") + a);
        opz[a.mid(2)] = argomenti[++i];
    }
    if (opz.value("input").isEmpty()) return Errore(err, QStringLiteral("occorre --input FILE"));
    if (opz.value("cosa").trimmed().isEmpty())
        return Errore(err, QStringLiteral("Occorre indicare un nome valido in 'cosa cercare'!"));

    std::array<bool, 3> uscite{false, false, false};  // ov2, xls, txt
    for (const QString& u : opz.value("output", "txt").split(u',', Qt::SkipEmptyParts)) {
        const QString v = u.trimmed().toLower();
        if (v == "ov2") uscite[0] = true;
        else if (v == "xls") uscite[1] = true;
        else if (v == "txt") uscite[2] = true;
        else return Errore(err, QStringLiteral("formato di uscita sconosciuto: ") + u);
    }
    bool unico = false, regionale = false;
    for (const QString& u : opz.value("ambito", "unico").split(u',', Qt::SkipEmptyParts)) {
        const QString v = u.trimmed().toLower();
        if (v == "unico") unico = true;
        else if (v == "regionale") regionale = true;
        else return Errore(err, QStringLiteral("ambito sconosciuto: ") + u);
    }
    const QString tolleranza = opz.value("tolleranza", "1").trimmed();
    bool numero = false;
    const double metri = tolleranza.toDouble(&numero);
    if (!numero || metri < 0) return Errore(err, QStringLiteral("tolleranza non valida: ") + tolleranza);

    DialoghiConsole dialoghi(err);
    Form f(dialoghi);
    f.Form_Load(opz.value("dir"));
    bool terminato = false;
    f.av.terminaProgramma = [&terminato] { terminato = true; };

    f.c.optIntegr[0]->setValue(true);
    QString errore;
    if (!f.imp.ImportaTabella(opz.value("input"), opz.value("colonne"), &errore))
        return Errore(err, QDir::toNativeSeparators(opz.value("input")) + QStringLiteral(": ") + errore);
    if (terminato) return 1;

    f.c.txtCosa.setText(opz.value("cosa").trimmed());
    for (int i = 0; i < 3; ++i) f.c.chkOutput[i]->setValue(uscite[i]);
    f.c.chkArea[0]->setValue(unico);
    f.c.chkArea[1]->setValue(regionale);
    f.c.txtDupl.setText(tolleranza);

    dialoghi.errori.clear();
    f.salva.cmdSalva_Click();
    if (!dialoghi.errori.isEmpty()) return 2;
    if (f.c.frmframe[6]->visible()) {  // the word-list panel: the user's words, then "&Salva"
        if (opz.contains("parole")) f.c.cmbCancella.setText(opz.value("parole"));
        f.salva.SalvaConParole();
    }
    for (const QString& p : f.salva.fileScritti) out << QDir::toNativeSeparators(p) << '\n';
    out.flush();
    if (terminato || f.salva.salvataggioInterrotto || !f.salva.erroriScrittura.isEmpty()) return 1;
    return 0;
}

}  // namespace gm
