#include "cli/dialoghi_console.h"

namespace gm {

namespace {
QString suUnaRiga(QString t) {
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(u'\n', u' ');
    return t.simplified();
}
}  // namespace

void DialoghiConsole::messaggio(const QString& testo, const QString& titolo, Icona icona) {
    if (icona == Icona::Critica) errori << testo;
    err << (titolo.isEmpty() ? kTitoloProgramma : titolo) << ": " << suUnaRiga(testo) << '\n';
    err.flush();
}

bool DialoghiConsole::domanda(const QString& testo, const QString& titolo, Icona) {
    bool r = predefinita;
    for (auto it = risposte.cbegin(); it != risposte.cend(); ++it)
        if (testo.contains(it.key(), Qt::CaseInsensitive)) r = it.value();
    err << (titolo.isEmpty() ? kTitoloProgramma : titolo) << ": " << suUnaRiga(testo) << ' '
        << (r ? "Si" : "No") << '\n';
    err.flush();
    return r;
}

}  // namespace gm
