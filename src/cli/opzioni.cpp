#include "cli/opzioni.h"

#include "app/form.h"
#include "cli/dialoghi_console.h"
#include "io/formati.h"

namespace gm {

bool LeggiOpzioni(const QStringList& argomenti, const QStringList& conValore, const QStringList& interruttori,
                  QMap<QString, QString>& opz, QString& errore) {
    for (int i = 0; i < argomenti.size(); ++i) {
        const QString& a = argomenti[i];
        const QString nome = a.startsWith(QStringLiteral("--")) ? a.mid(2) : QString();
        if (interruttori.contains(nome)) {
            opz[nome] = QStringLiteral("1");
            continue;
        }
        if (!conValore.contains(nome)) {
            errore = QStringLiteral("opzione sconosciuta: ") + a;
            return false;
        }
        if (i + 1 >= argomenti.size()) {
            errore = QStringLiteral("manca il valore di ") + a;
            return false;
        }
        opz[nome] = argomenti[++i];
    }
    return true;
}

bool ImpostaUscite(const QMap<QString, QString>& opz, Form& f, QString& errore) {
    std::array<bool, kFormatiUscita> uscite{};  // by the index of chkOutput
    for (const QString& u : opz.value("output", "txt").split(u',', Qt::SkipEmptyParts)) {
        const int i = IndiceFormato(u);
        if (i < 0) {
            errore = QStringLiteral("formato di uscita sconosciuto: ") + u;
            return false;
        }
        uscite[i] = true;
    }
    bool unico = false, regionale = false;
    for (const QString& u : opz.value("ambito", "unico").split(u',', Qt::SkipEmptyParts)) {
        const QString v = u.trimmed().toLower();
        if (v == "unico") unico = true;
        else if (v == "regionale") regionale = true;
        else {
            errore = QStringLiteral("ambito sconosciuto: ") + u;
            return false;
        }
    }
    const QString tolleranza = opz.value("tolleranza", "1").trimmed();
    bool numero = false;
    const double metri = tolleranza.toDouble(&numero);
    if (!numero || metri < 0) {
        errore = QStringLiteral("tolleranza non valida: ") + tolleranza;
        return false;
    }
    for (int i = 0; i < kFormatiUscita; ++i) f.c.chkOutput[i]->setValue(uscite[i]);
    f.c.chkOv2Semplice.setValue(opz.contains("ov2-semplice"));
    f.c.chkArea[0]->setValue(unico);
    f.c.chkArea[1]->setValue(regionale);
    f.c.txtDupl.setText(tolleranza);
    return true;
}

bool SalvaComeUtente(Form& f, DialoghiConsole& dialoghi, const QMap<QString, QString>& opz) {
    dialoghi.errori.clear();
    f.salva.cmdSalva_Click();
    if (!dialoghi.errori.isEmpty()) return false;
    if (f.c.frmframe[6]->visible()) {  // the word-list panel: the user's words, then "&Salva"
        if (opz.contains("parole")) f.c.cmbCancella.setText(opz.value("parole"));
        f.salva.SalvaConParole();
    }
    return true;
}

}  // namespace gm
