#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>

#include "app/form.h"
#include "gui/finestra.h"

namespace {
// Shows the window, lets it paint, writes its picture to a file: the screenshots of the guide.
int Fotografa(gm::Form& form, gm::Finestra& finestra, const QString& file, bool istruzioni) {
    if (istruzioni) form.frmFrame_Click(0);
    finestra.show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 500) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return finestra.grab().save(file) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Geomerce"));
    QCommandLineParser opzioni;
    opzioni.addHelpOption();
    QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Cartella di lavoro."), QStringLiteral("DIR"));
    QCommandLineOption foto(QStringLiteral("screenshot"), QString(), QStringLiteral("FILE"));
    foto.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption istruzioni(QStringLiteral("istruzioni"));
    istruzioni.setFlags(QCommandLineOption::HiddenFromHelp);
    opzioni.addOption(dir);
    opzioni.addOption(foto);
    opzioni.addOption(istruzioni);
    opzioni.process(app);

    gm::DialoghiFinestra dialoghi;
    gm::Form form(dialoghi);
    // An emergency save during start-up ends the program before the window exists.
    bool terminato = false;
    form.av.terminaProgramma = [&terminato] { terminato = true; };
    form.Form_Load(opzioni.value(dir));
    if (terminato) return 1;
    gm::Finestra finestra(form);
    if (opzioni.isSet(foto)) return Fotografa(form, finestra, opzioni.value(foto), opzioni.isSet(istruzioni));
    finestra.show();
    return app.exec();
}
