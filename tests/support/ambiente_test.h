// Helpers shared by the tests: a fresh work folder and a started form over it.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

#include "app/dialoghi.h"
#include "app/form.h"

namespace gm::test {

// A form started in its own temporary work folder, with scripted message boxes.
struct FormDiProva {
    QTemporaryDir cartella;
    DialoghiRegistrati dialoghi;
    std::unique_ptr<Form> form;

    FormDiProva();
    // Starts the form (Form_Load); files may be put in the folder before.
    Form& avvia();
    QString percorso(const QString& nome) const { return cartella.path() + u'/' + nome; }
    void scrivi(const QString& nome, const QByteArray& contenuto) const;
};

// Path of a built program (geomerce-sim, geomerce-cli, geomerce).
QString Programma(const QString& nome);

}  // namespace gm::test

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.left(200).toStdString() << (s.size() > 200 ? "...\"" : "\"");
}
