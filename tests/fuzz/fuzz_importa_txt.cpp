// Importing a text table of any bytes into a started form: the table stays within its limits.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/dialoghi.h"
#include "app/form.h"

namespace {
struct Banco {
    QTemporaryDir cartella;
    gm::DialoghiRegistrati dialoghi;
    std::unique_ptr<gm::Form> form;
};
Banco* banco = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    banco = new Banco;
    banco->form = std::make_unique<gm::Form>(banco->dialoghi);
    banco->form->av.cedi = [] {};
    banco->form->Form_Load(banco->cartella.path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    gm::Form& f = *banco->form;
    const QString percorso = banco->cartella.path() + QStringLiteral("/Prova-fuzz.txt");
    {
        QFile file(percorso);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(dati), qint64(n));
    }
    f.c.optIntegr[0]->setValue(true);
    QString errore;
    (void)f.imp.ImportaTabella(percorso, QString(), &errore);
    if (f.tab.nRecord < 0 || f.tab.nRecord > 40000 || f.tab.mfgTab.columnCount() < 8) __builtin_trap();
    banco->dialoghi.mostrati.clear();
    return 0;
}
