#include "support/ambiente_test.h"

#include <QFile>

namespace gm::test {

FormDiProva::FormDiProva() {
    form = std::make_unique<Form>(dialoghi);
    form->av.cedi = [] {};  // no event loop turns unless a test asks for them
}

Form& FormDiProva::avvia() {
    form->Form_Load(cartella.path());
    return *form;
}

void FormDiProva::scrivi(const QString& nome, const QByteArray& contenuto) const {
    QFile f(percorso(nome));
    f.open(QIODevice::WriteOnly);
    f.write(contenuto);
}

QString Programma(const QString& nome) { return QStringLiteral(GEOMERCE_BIN_DIR "/") + nome; }

}  // namespace gm::test
