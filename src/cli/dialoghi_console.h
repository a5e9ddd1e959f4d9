// Message boxes on the command line: messages go to standard error, questions are answered from
// the options (Yes unless a rule says otherwise).
#pragma once

#include <QMap>
#include <QTextStream>

#include "app/dialoghi.h"

namespace gm {

class DialoghiConsole : public Dialoghi {
public:
    explicit DialoghiConsole(QTextStream& err) : err(err) {}
    // Answer for questions whose text contains the key (case-insensitive); otherwise predefinita.
    QMap<QString, bool> risposte;
    bool predefinita = true;
    // The critical messages shown, for the exit status.
    QStringList errori;

    void messaggio(const QString& testo, const QString& titolo, Icona icona) override;
    bool domanda(const QString& testo, const QString& titolo, Icona icona) override;

private:
    QTextStream& err;
};

}  // namespace gm
