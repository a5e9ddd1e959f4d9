#include <QApplication>
#include <QCommandLineParser>

#include "app/form.h"
#include "gui/finestra.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Geomerce"));
    QCommandLineParser opzioni;
    opzioni.addHelpOption();
    QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Cartella di lavoro."), QStringLiteral("DIR"));
    opzioni.addOption(dir);
    opzioni.process(app);

    gm::DialoghiFinestra dialoghi;
    gm::Form form(dialoghi);
    form.Form_Load(opzioni.value(dir));
    gm::Finestra finestra(form);
    finestra.show();
    return app.exec();
}
