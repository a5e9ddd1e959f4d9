// Options shared by the commands that save: output formats, OV2 ambit and tolerance.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace gm {

class Form;

// Reads "--name value" pairs and the flags given; false with a message on an unknown option or a
// missing value.
bool LeggiOpzioni(const QStringList& argomenti, const QStringList& conValore, const QStringList& interruttori,
                  QMap<QString, QString>& opz, QString& errore);

// Sets the output check boxes, the OV2 ambit and layout and the tolerance from --output, --ambito,
// --ov2-semplice and --tolleranza; false with a message on a bad value.
bool ImpostaUscite(const QMap<QString, QString>& opz, Form& f, QString& errore);

// The user save ("&Salva" then the word-list panel's "&Salva"); the files written go to out.
// False when a message refused the save.
class DialoghiConsole;
bool SalvaComeUtente(Form& f, DialoghiConsole& dialoghi, const QMap<QString, QString>& opz);

}  // namespace gm
