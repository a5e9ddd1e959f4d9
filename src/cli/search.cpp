#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QTimer>

#include <csignal>
#include <unistd.h>

#include "app/form.h"
#include "cli/comandi_cli.h"
#include "cli/dialoghi_console.h"
#include "cli/opzioni.h"
#include "net/testo.h"

namespace gm {

namespace {

volatile std::sig_atomic_t g_interrotto = 0;
void Interrompi(int) { g_interrotto = 1; }

int Errore(QTextStream& err, const QString& testo) {
    err << "search: " << testo << '\n';
    err.flush();
    return 2;
}

// Selects the named entries of a list (names compared ignoring case); false naming the first
// unknown one.
bool Seleziona(Lista& l, const QString& nomi, QString& sconosciuto) {
    QList<int> scelte;
    for (const QString& nome : nomi.split(u';', Qt::SkipEmptyParts)) {
        int trovata = -1;
        for (int i = 0; i < l.count() && trovata < 0; ++i)
            if (Uguale(l.item(i), nome.trimmed())) trovata = i;
        if (trovata < 0) {
            sconosciuto = nome.trimmed();
            return false;
        }
        scelte << trovata;
    }
    for (int i = 0; i < l.count(); ++i)
        if (l.selected(i)) l.setSelected(i, false);
    for (int i : scelte) {
        l.setListIndex(i);
        l.setSelected(i, true);
    }
    return true;
}

// A list with entries but no selection means "all of them", as with the "Tutte"/"Tutti" buttons.
void TuttiSeNessuno(Lista& l) {
    if (l.count() == 0 || l.selectedCount() > 0) return;
    for (int i = 0; i < l.count(); ++i) {
        l.setListIndex(i);
        l.setSelected(i, true);
    }
}

}  // namespace

int EseguiSearch(const QStringList& argomentiDati, QTextStream& out, QTextStream& err) {
    QMap<QString, QString> opz;
    QString errore;
    // --osm-tag may be given several times: each one is a choice of its own.
    QStringList argomenti;
    QVector<osm::Filtro> filtriOsm;
    for (int i = 0; i < argomentiDati.size(); ++i) {
        if (argomentiDati[i] != u"--osm-tag") {
            argomenti << argomentiDati[i];
            continue;
        }
        if (i + 1 >= argomentiDati.size()) return Errore(err, QStringLiteral("manca il valore di --osm-tag"));
        osm::Filtro f;
        if (!osm::LeggiFiltro(argomentiDati[++i], f, errore)) return Errore(err, errore);
        filtriOsm << f;
    }
    if (!LeggiOpzioni(argomenti,
                      {"cosa", "regioni", "province", "comuni", "output", "ambito", "tolleranza", "parole", "integra",
                       "dir", "url-gialle", "url-bianche", "url-geocoder", "memoria-giorni", "url-overpass", "osm-file",
                       "connessioni"},
                      {"gialle", "no-gialle", "bianche", "no-bianche", "coordinate", "no-coordinate", "quiet",
                       "senza-memoria", "ov2-semplice", "osm", "no-osm"},
                      opz,
                      errore))
        return Errore(err, errore);
    if (opz.value("regioni").trimmed().isEmpty()) return Errore(err, QStringLiteral("occorre --regioni \"R1;R2\""));

    // The caller's relative path, before the work folder becomes current.
    const QString integra = opz.contains("integra") ? QFileInfo(opz.value("integra")).absoluteFilePath() : QString();
    const QString fileOsm = opz.contains("osm-file") ? QFileInfo(opz.value("osm-file")).absoluteFilePath() : QString();

    DialoghiConsole dialoghi(err);
    Form f(dialoghi);
    f.Form_Load(opz.value("dir"));
    bool terminato = false;
    f.av.terminaProgramma = [&terminato] { terminato = true; };
    if (opz.contains("url-gialle")) f.amb.servizi.gialle = NormalizzaBase(opz.value("url-gialle"));
    if (opz.contains("url-bianche")) f.amb.servizi.bianche = NormalizzaBase(opz.value("url-bianche"));
    if (opz.contains("url-geocoder")) f.amb.servizi.geocoder = NormalizzaBase(opz.value("url-geocoder"));
    if (opz.contains("url-overpass")) f.amb.servizi.overpass = NormalizzaBase(opz.value("url-overpass"));
    // OpenStreetMap: off unless asked for; an extract file or tags given ask for it.
    f.c.chkOsm.setValue((opz.contains("osm") || !fileOsm.isEmpty() || !filtriOsm.isEmpty()) && !opz.contains("no-osm"));
    f.c.txtFileOsm.setText(fileOsm);
    f.osm.filtriUtente = filtriOsm;
    if (!ImpostaUscite(opz, f, errore)) return Errore(err, errore);

    if (opz.contains("integra")) {
        f.c.optIntegr[0]->setValue(true);
        if (!f.imp.ImportaTabella(integra, QString(), &errore))
            return Errore(err, QDir::toNativeSeparators(opz.value("integra")) + QStringLiteral(": ") + errore);
        if (terminato) return 1;
        f.c.optIntegr[1]->setValue(true);
    }

    // The category as the box would take it: its key filter drops what it refuses.
    f.c.txtCosa.setText(QString());
    for (QChar ch : opz.value("cosa")) f.c.txtCosa.digita(ch);
    if (opz.contains("gialle") || opz.contains("no-gialle")) f.c.chkRicerca[0]->setValue(!opz.contains("no-gialle"));
    if (opz.contains("bianche") || opz.contains("no-bianche"))
        f.c.chkRicerca[1]->setValue(!opz.contains("no-bianche"));
    if (opz.contains("coordinate") || opz.contains("no-coordinate"))
        f.c.chkCoord.setValue(!opz.contains("no-coordinate"));
    if (opz.contains("senza-memoria")) f.c.chkMemoria.setValue(false);
    if (opz.contains("memoria-giorni")) {
        bool ok = false;
        const int giorni = opz.value("memoria-giorni").trimmed().toInt(&ok);
        if (!ok || giorni < 0) return Errore(err, QStringLiteral("giorni di memoria non validi: ") + opz.value("memoria-giorni"));
        f.coord.memoria.giorniValidita = giorni;
    }

    if (opz.contains("connessioni")) {
        bool ok = false;
        const int k = opz.value("connessioni").trimmed().toInt(&ok);
        if (!ok || k < 1 || k > Controlli::kConnessioniMassime)
            return Errore(err, QStringLiteral("connessioni non valide (da 1 a %1): ").arg(Controlli::kConnessioniMassime) +
                                   opz.value("connessioni"));
        f.c.txtConnessioni.setText(QString::number(k));
    }

    QString sconosciuto;
    if (!Seleziona(f.c.lstRegioni, opz.value("regioni"), sconosciuto))
        return Errore(err, QStringLiteral("regione sconosciuta: ") + sconosciuto);
    if (opz.contains("province")) {
        if (f.c.lstRegioni.selectedCount() != 1) return Errore(err, QStringLiteral("--province vuole una sola regione"));
        if (!Seleziona(f.c.lstProv, opz.value("province"), sconosciuto))
            return Errore(err, QStringLiteral("provincia sconosciuta: ") + sconosciuto);
    }
    TuttiSeNessuno(f.c.lstProv);
    if (opz.contains("comuni")) {
        if (f.c.lstProv.selectedCount() != 1 || Uguale(f.c.lstProv.item(0), QStringLiteral("<Tutte>")))
            return Errore(err, QStringLiteral("--comuni vuole una sola provincia"));
        if (!Seleziona(f.c.lstComuni, opz.value("comuni"), sconosciuto))
            return Errore(err, QStringLiteral("comune sconosciuto: ") + sconosciuto);
    }
    TuttiSeNessuno(f.c.lstComuni);

    // Progress: the progress label's text, redrawn in place on a terminal.
    const bool quiet = opz.contains("quiet");
    const bool terminale = isatty(STDERR_FILENO);
    QString ultimo;
    QElapsedTimer orologio;
    orologio.start();
    QObject::connect(&f.c.txtPerc, &CasellaTesto::change, [&] {
        if (quiet) return;
        const QString fase = f.c.txtPerc.text().isEmpty() ? f.c.txt100.text() : f.c.txtPerc.text();
        const QString riga = f.c.lblPerc.caption() + u' ' + fase;
        if (riga == ultimo || (terminale && orologio.elapsed() < 100)) return;
        orologio.restart();
        ultimo = riga;
        err << (terminale ? "\r\033[K" : "") << riga << (terminale ? "" : "\n");
        err.flush();
    });
    // Ctrl-C asks the run to stop at its next check, as the Stop button does.
    g_interrotto = 0;
    auto precedente = std::signal(SIGINT, Interrompi);
    QTimer sentinella;
    QObject::connect(&sentinella, &QTimer::timeout, [&] {
        if (g_interrotto) f.av.bStop = true;
    });
    sentinella.start(100);

    dialoghi.errori.clear();
    f.ric.cmdCarica_Click();
    f.osm.RiferisciMancanti();
    sentinella.stop();
    std::signal(SIGINT, precedente);
    if (terminale && !quiet) err << '\n';
    // Positions taken from the memory were asked of no service.
    if (!quiet && (f.coord.memoria.riprese > 0 || f.coord.memoria.registrate > 0)) {
        err << "Memoria delle coordinate: " << f.coord.memoria.riprese << " posizioni riprese senza richieste, "
            << f.coord.memoria.registrate << " registrate\n";
        err.flush();
    }
    const bool interrotta = g_interrotto != 0;
    const Resoconto resoconto = f.ric.resoconto;
    if (!dialoghi.errori.isEmpty() && f.tab.nRecord == 0 && resoconto.completo()) return 2;

    if (f.tab.nRecord > 0 && !terminato) SalvaComeUtente(f, dialoghi, opz);
    QStringList scritti;
    for (const QString& p : f.salva.fileScritti)
        if (!scritti.contains(p)) scritti << p;
    for (const QString& p : scritti) out << QDir::toNativeSeparators(p) << '\n';
    out.flush();
    // What never arrived, one area a line, after the files: the run is not complete.
    if (!resoconto.servizioMorto.isEmpty()) err << "search: " << resoconto.servizioMorto << '\n';
    if (resoconto.totale() > 0) {
        err << "search: " << resoconto.conteggio() << ":\n";
        for (const QString& r : resoconto.righe()) err << "search:   " << r << '\n';
    }
    err.flush();
    if (!resoconto.completo()) return 1;
    // A save whose eliminations left no record wrote nothing: no success.
    if (f.salva.bTuttiEliminati) return 1;
    if (terminato || interrotta || f.salva.salvataggioInterrotto || !f.salva.erroriScrittura.isEmpty() ||
        !f.osm.areeMancanti.isEmpty())
        return 1;
    return 0;
}

}  // namespace gm
