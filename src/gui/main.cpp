#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPixmap>
#include <QThread>
#include <QTimer>

#include <cstdio>

#include "app/form.h"
#include "gui/finestra.h"
#include "net/servizi.h"

namespace {
// What the window shows in a screenshot of the guide (hidden options, see scripts/screenshot).
struct Scena {
    QString file;
    QString stato;      // finestra, istruzioni, selezione, ricerca, manuale, parole, abbinamento
    QString regioni, province, comuni;  // ";"-separated names, or "*" for the "Tutte"/"Tutti" button
    QString tabella;    // a saved table: imported first (manuale, parole) or offered for import (abbinamento)
    int attesa = 0;     // ricerca: milliseconds of running search before the picture
};

void Attendi(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
}

// Selects the named entries of a list as clicks would (each selection runs the list's handler);
// "*" presses the list's select-all button instead.
void Seleziona(gm::Lista& lista, gm::Pulsante& tutte, const QString& nomi) {
    if (nomi.isEmpty()) return;
    if (nomi == QStringLiteral("*")) {
        tutte.click();
        return;
    }
    for (const QString& nome : nomi.split(u';', Qt::SkipEmptyParts))
        for (int i = 0; i < lista.count(); ++i)
            if (lista.item(i).compare(nome.trimmed(), Qt::CaseInsensitive) == 0) {
                lista.setListIndex(i);
                lista.setSelected(i, true);
                break;
            }
}

bool Salva(gm::Finestra& finestra, const QString& file) { return finestra.grab().save(file); }

// Brings the window into the wanted state, lets it paint and writes its picture.
int Fotografa(gm::Form& form, gm::Finestra& finestra, const Scena& s) {
    gm::Controlli& c = form.c;
    finestra.show();
    Attendi(300);
    Seleziona(c.lstRegioni, *c.cmdSelez[0], s.regioni);
    Seleziona(c.lstProv, *c.cmdSelez[2], s.province);
    Seleziona(c.lstComuni, *c.cmdSelez[4], s.comuni);
    if (s.stato == QStringLiteral("istruzioni")) {
        form.frmFrame_Click(0);
    } else if (s.stato == QStringLiteral("manuale")) {
        QString errore;
        if (!form.imp.ImportaTabella(s.tabella, QString(), &errore)) {
            std::fprintf(stderr, "%s\n", qPrintable(errore));
            return 1;
        }
        c.cmdImporta[2]->click();
    } else if (s.stato == QStringLiteral("parole")) {
        QString errore;
        if (!form.imp.ImportaTabella(s.tabella, QString(), &errore)) {
            std::fprintf(stderr, "%s\n", qPrintable(errore));
            return 1;
        }
        c.chkOutput[0]->setValue(true);
        c.cmdSalva.click();
    } else if (s.stato == QStringLiteral("abbinamento")) {
        const QFileInfo tabella(s.tabella);
        c.cmdImporta[0]->click();
        c.DirList.setPath(tabella.absolutePath());
        for (int i = 0; i < c.lstFile.count(); ++i)
            if (c.lstFile.item(i) == tabella.fileName()) {
                c.lstFile.setListIndex(i);
                c.lstFile.setSelected(i, true);
            }
    } else if (s.stato == QStringLiteral("ricerca")) {
        // The search runs inside the click, yielding to the event loop; the picture is taken
        // from a timer during one of those yields, then the run is stopped.
        bool scattata = false, fatto = false;
        QTimer::singleShot(s.attesa, &finestra, [&] {
            if (scattata) return;
            scattata = true;
            fatto = Salva(finestra, s.file);
            c.cmdFine.click();
        });
        c.cmdCarica.click();
        if (!scattata) {  // the run ended before the picture was due
            scattata = true;
            fatto = Salva(finestra, s.file);
        }
        return fatto ? 0 : 1;
    }
    Attendi(500);
    return Salva(finestra, s.file) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Geomerce"));
    QCommandLineParser opzioni;
    opzioni.addHelpOption();
    QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Cartella di lavoro."), QStringLiteral("DIR"));
    opzioni.addOption(dir);
    QCommandLineOption urlGialle(QStringLiteral("url-gialle"), QStringLiteral("Indirizzo delle pagine gialle."), QStringLiteral("URL"));
    QCommandLineOption urlBianche(QStringLiteral("url-bianche"), QStringLiteral("Indirizzo delle pagine bianche."), QStringLiteral("URL"));
    QCommandLineOption urlGeocoder(QStringLiteral("url-geocoder"), QStringLiteral("Indirizzo del geocodificatore."), QStringLiteral("URL"));
    opzioni.addOptions({urlGialle, urlBianche, urlGeocoder});
    auto nascosta = [&](const char* nome, const char* valore = nullptr) {
        QCommandLineOption o(QString::fromLatin1(nome), QString(), valore ? QString::fromLatin1(valore) : QString());
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        opzioni.addOption(o);
        return o;
    };
    const auto foto = nascosta("screenshot", "FILE");
    const auto istruzioni = nascosta("istruzioni");
    const auto stato = nascosta("stato", "STATO");
    const auto regioni = nascosta("regioni", "NOMI");
    const auto province = nascosta("province", "NOMI");
    const auto comuni = nascosta("comuni", "NOMI");
    const auto tabella = nascosta("tabella", "FILE");
    const auto attesa = nascosta("attesa", "MS");
    opzioni.process(app);

    // A screenshot never waits for a click on a message box.
    gm::DialoghiFinestra dialoghiFinestra;
    gm::DialoghiRegistrati dialoghiFoto;
    const bool fotografa = opzioni.isSet(foto);
    gm::Form form(fotografa ? static_cast<gm::Dialoghi&>(dialoghiFoto) : dialoghiFinestra);
    // An emergency save during start-up ends the program before the window exists.
    bool terminato = false;
    form.av.terminaProgramma = [&terminato] { terminato = true; };
    form.Form_Load(opzioni.value(dir));
    if (terminato) return 1;
    // The options win over the environment, as on the command line of geomerce-cli.
    if (opzioni.isSet(urlGialle)) form.amb.servizi.gialle = gm::NormalizzaBase(opzioni.value(urlGialle));
    if (opzioni.isSet(urlBianche)) form.amb.servizi.bianche = gm::NormalizzaBase(opzioni.value(urlBianche));
    if (opzioni.isSet(urlGeocoder)) form.amb.servizi.geocoder = gm::NormalizzaBase(opzioni.value(urlGeocoder));
    gm::Finestra finestra(form);
    if (fotografa) {
        Scena s;
        s.file = opzioni.value(foto);
        s.stato = opzioni.isSet(istruzioni) ? QStringLiteral("istruzioni") : opzioni.value(stato);
        s.regioni = opzioni.value(regioni);
        s.province = opzioni.value(province);
        s.comuni = opzioni.value(comuni);
        s.tabella = opzioni.value(tabella);
        s.attesa = opzioni.value(attesa).isEmpty() ? 4000 : opzioni.value(attesa).toInt();
        return Fotografa(form, finestra, s);
    }
    finestra.show();
    return app.exec();
}
