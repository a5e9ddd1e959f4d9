#include "app/form.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTime>

#include "io/file_testo.h"

namespace gm {

Form::Form(Dialoghi& dialoghi) : d(dialoghi) { collega(); }

QString Form::Versione() {
    return QStringLiteral("Geomerce\r\n - Rel. %1.%2.%3")
        .arg(GEOMERCE_VERSION_MAJOR)
        .arg(GEOMERCE_VERSION_MINOR)
        .arg(GEOMERCE_VERSION_PATCH);
}

void Form::collega() {
    av.salvaFile = [this](int modo) { salva.SalvaFile(modo); };
    coord.bCaricaAbilitato = [this] { return com.bCaricaAbilitato; };
    imp.caricaAbilitato = [this] { return com.bCaricaAbilitato; };
    salva.dopoSalvataggioUtente = [this] { salvati.Ricorda(); };
    av.recordNonSalvati = [this] { return salvati.NonSalvati(); };
    av.salvaPrimaDiChiudere = [this] {
        salva.cmdSalva_Click();
        return salvati.NonSalvati() == 0;
    };
    QObject::connect(&c.tmrClock, &Temporizzatore::timeout, [this] { av.tmrClock_Timer(); });
    QObject::connect(&c.lblTent, &Etichetta::change, [this] { av.lblTent_Change(); });
    QObject::connect(&c.cmdFine, &Pulsante::clicked, [this] { av.cmdFine_Click(); });
    for (int i = 0; i < int(c.frmframe.size()); ++i)
        QObject::connect(c.frmframe[i], &Pannello::clicked, [this, i] { frmFrame_Click(i); });

    sel.collega();
    dup.collega();
    salva.collega();
    ric.collega();
    imp.collega();
    man.imposta(com);
    man.collega();
    com.collega();
}

namespace {
// Deletes the page files "mk*.html" left in the folder.
void EliminaFilePagina(const QString& cartella) {
    QDir dir(cartella);
    const QStringList voci = dir.entryList({QStringLiteral("mk*.html"), QStringLiteral("mk*.html.part")}, QDir::Files | QDir::Hidden,
                                           QDir::Name | QDir::IgnoreCase);
    for (const QString& v : voci) dir.remove(v);
}

// The remembered category, as the category box would have accepted it: bounded, and only the
// characters its key filter lets through.
QString CategoriaDaImpostazioni(const QString& riga) {
    static const QString ammessi = QStringLiteral(" abcdefghijklmnopqrstuvwxyz0123456789,");
    QString r;
    for (QChar ch : riga) {
        if (r.size() >= Form::kLunghezzaMassimaCategoria) break;
        if (ammessi.contains(ch.toLower())) r.append(ch);
    }
    return r;
}

// The download folder, whatever the letter case of an existing one.
QString CartellaScaricati(const QString& cartella) {
    QDir dir(cartella);
    for (const QString& v : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (v.compare(QStringLiteral("Filescaricati"), Qt::CaseInsensitive) == 0) return v;
    dir.mkdir(QStringLiteral("Filescaricati"));
    return QStringLiteral("Filescaricati");
}
}  // namespace

void Form::Form_Load(const QString& cartella) {
    try {
        Avvio(cartella);
    } catch (...) {
        salva.SalvaFile(0);
        av.bStop = true;
    }
}

void Form::Avvio(const QString& cartella) {
    c.frmframe[13]->setVisible(false);
    av.AggiornaPercentuale(0, 0);

    amb.cartellaProgramma = Ambiente::ScegliCartella(cartella);
    QDir::setCurrent(amb.cartellaProgramma);
    c.tmrClock.stop();
    terr.CaricaTerritorio(c.lstRegioni);
    c.lblTent.setCaption(QString());

    QRandomGenerator casuale(quint32(QTime::currentTime().msecsSinceStartOfDay() / 1000));
    amb.sCartellaScaricati = amb.cartellaProgramma + u'/' + CartellaScaricati(amb.cartellaProgramma) + u'/';
    const int numero = int(casuale.generateDouble() * 123456);
    amb.sFilePagina = amb.cartellaProgramma + QStringLiteral("/mk") +
                      (QStringLiteral("000000") + QString::number(numero)).right(6) + QStringLiteral(".html");

    tab.ImpostaGriglie();

    c.lblCopyr.setCaption(Versione());
    c.frmBase.setCaption(Versione().replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    c.cmdCarica.setEnabled(false);
    c.lblAvanz.setForeColor(kGiallo);

    EliminaFilePagina(amb.cartellaProgramma);
    av.cartellaPagine = amb.cartellaProgramma;

    const QString ini = amb.percorso(QString::fromLatin1(kFileImpostazioni));
    if (QFileInfo::exists(ini)) {
        const QString categoria = CategoriaDaImpostazioni(LeggiPrimaRiga(ini));
        if (!categoria.isEmpty()) c.txtCosa.setText(categoria);
    }

    av.EvidenziaOrigine(0, 0);
    man.CreaTabellaInputManuale();
    CaricaIstruzioni();
}

void Form::frmFrame_Click(int) {
    c.BloccaFrame(false);
    c.txtIstruzioni.setVisible(true);
}

void Form::txtIstruzioni_Click() {
    c.txtIstruzioni.setVisible(false);
    c.BloccaFrame(true);
}

void Form::CaricaIstruzioni() {
    static const char* const righe[] = {
        "Istruzioni:",
        "(per chiudere questa finestra, clicca in quest'area)",
        "",
        "Riquadro 'Ricerca':",
        "Sono presenti le selezioni e opzioni, nonché i comandi, del programma.",
        "",
        "Riquadri 'Regioni', 'Province' e 'Comuni':",
        "Selezionare la o le Regioni da cui estrarre le informazioni; la selezione singola permette la sottoselezione, altrimenti viene scelto l'intero ambito delle selezioni.",
        "Con i tasti 'Reset' / 'Tutte' / 'Tutti' è possibile azzerare le selezioni o attivarle per tutte le voci della lista.",
        "",
        "Riquadro 'Estrazione dati':",
        "Sono disponibili le selezioni che seguono:",
        "'Integrazione': consente di avviare una nuova ricerca integrando i dati con quelli presenti nella tabella (scelta 'Si') oppure di iniziare una nuova ricerca (scelta 'No').",
        "",
        "'Calcola le coordinate': se spuntato, le coordinate latitudine/longitudine sono reperite nella fase di ricerca; per velocizzare la ricerca - rinunciando alle coordinate - non spuntare questa selezione: è possibile compilare questi dati anche successivamente (v. pulsante 'Ricerca Coordinate').",
        "",
        "'Estrazione dal sito delle Pagine': è possibile selezionare le due fonti principali (Pagine Gialle e Pagine Bianche): una, l'altra o entrambe; il sistema, alla fine della scansione della singola Regione, e alla fine dell'elaborazione, cancella tutti di doppi dati estratti, sia nella forma 'Palesi' (stesso indirizzo e numero telefonico), sia di posizione nel range fissato in 'Tolleranza'.",
        "",
        "Tolleranza': permette di eliminare le doppie coordinate nel raggio fissato nell'impostazione; questo dato influisce sia nel calcolo diretto tramite il pulsante 'Elimina duplicati', sia nel calcolo automatico ad ogni fine Regione ed elaborazione.",
        "",
        "'Voce merceologica': indicare l'attività di cui si intende ricercare le informazioni; è possibile scegliere attività generiche (p.e. Supermercato) oppure specifiche (p.e. Auchan). Per alcune voci è opportuno eseguire più ricerche e sommare i risultati ottenuti per ovviare ad errate classificazioni nei siti delle Pagine Gialle e Bianche (p.e.: per le Officine auto è bene scegliere sia Autofficine che Autoriparazioni).",
        "",
        "'File Output': è possibile salvare le ricerche in tre formati: OV2 per Tomtom, XLS per Excel e formato TXT (ascii). Ogni circa 10 minuti di lavorazione e ad ogni fine Regione, viene salvato in automatico il contenuto della tabella, in formato TXT, con in testa le indicazioni relative al punto raggiunto affinché, in caso di errori, possa essere ripreso dall'ultimo punto salvato.",
        "Il file OV2 può essere salvato sia in un unico file che per singola Regione; infatti possono risultare file molto ampi e pesanti per il navigatore per cui, a volte, è opportuno avere file di dimensioni più contenute.",
        "",
        "A questo scopo, i file creati si trovano nelle seguenti directory (a partire dalla directory dove risiede questo eseguibile):",
        "..\\FilesSaricati: i file con estensione txt e xls;",
        "..\\FileScaricati\\Nazionali: il file Ov2 quando richiesto in unico file;",
        "..\\FileScaricati\\<NomeRegione>: i file Ov2 della singola regione.",
        "",
        "Importante: i file OV2 sono già indicizzati per Tomtom e hanno accanto la loro icona (.bmp); chi li vuole semplici, non indicizzati, spunti 'ov2 semplice' e li tratti con i noti programmi presenti su www.poigps.com. Accanto ai file OV2 si trovano anche i file GPX (Garmin e altri) e KML (Google Earth), se scelti.",
        "",
        "'Menù': ",
        "",
        "Sono presenti i comandi principali:",
        "'Importa tabella': permette di caricare una tabella già scaricata o preparata in proprio (formati TXT e XLS); in fase di caricamento sarà necessario indicare le colonne di riferimento seguendo le istruzioni,",
        "",
        "'Inserimento manuale': è possibile inserire un indirizzo e ricavare le coordinate, oppure un numero di telefono ed avere i dati di riferimento. Se l'utente telefonico non ha dato il consenso, non è possibile ricavare dati.",
        "",
        "'Cerca': permette di cercare dati nella tabella; la scelta è eseguita per 'or' sulle colonne.",
        "",
        "'Azzera tabella': elimina tutti i dati eventualmente presenti nella tabella.",
        "",
        "'Ricerca Pdi': avvia la funzione di ricerca dei dati in rete.",
        "",
        "'Ricerca coordinate': in fase di ricerca dei nominativi, se spuntata l'apposita scelta, vengono rilevate anche le coordinate ma, onde velocizzare questa operazione, in alcune situazioni viene tralasciata questa funzione (dipende dallo stato della linea) per i casi più difficili. Alla fine dell'elaborazione oppure tramite questo pulsante è possibile avviare manualmente questa funzione sui casi non risolti.",
        "",
        "'Salva': salva i dati su file come da selezione in 'File output'.",
        "",
        "'Fine'/'Stop': se il tasto evidenzia 'Fine' consente di uscire dal programma (ritorno a Windows); se evidenzia 'Stop' viene interrotta l'elaborazione in corso (sono possibili brevi attese).",
        "",
        "Operazioni sulla tabella:",
        "",
        "Doppio click con il pulsante sinistro: la tabella viene ordinata con priorità sulla colonna puntata dal mouse.",
        "",
        "Click destro: viene aperta una finestra che offre le seguenti possibilità (oltre :alla prevedibile 'Chiudi' che chiude la finestra).",
        "",
        "'Cancella la riga': elimina dalla tabella la riga corrente evidenziata;",
        "",
        "'Modifica i dati': permette di modificare manualmente i dati della riga corrente ma non le coordinate che sono ricalcolate;",
        "",
        "'Ricalcola le coordinate': ricalcola le coordinate latitudine e longitudine.",
        "",
        "In fondo sono presenti le informazioni inerenti lo stato di avanzamento dell'elaborazione. L'asterisco giallo indica la ricerca sulle Pagine Gialle e quello bianco sulle Pagine Bianche; le freccette verso destra indicano il tempo trascorso dall'ultimo salvataggio (circa 2 per ogni freccetta); l'asterisco a destra su fondo bianco indica se il sistema sta interrogando la rete (rosso) o sta elaborando (verde); se in questa posizione sono presenti due o più asterischi, significa che il sistema ha problemi a reperire l'informazione e sta tentando vie alternative.",
        "",
        "Importante:",
        "Pagine Gialle e Pagine Bianche forniscono informazioni fino a 200 risultati per interrogazione, suddivisi in 20 pagine di 10 risultati ciascuna."
        " In funzione di questo particolare, il sistema tenta la ricerca per singola provincia (quando non sono stati scelti specifici comuni) e, se le pagine risultanti sono 20, tenta la ricerca per ogni singolo comune della provincia."
        " Se ad un singolo comune risultano ancora 20 pagine, la ricerca continua per ogni singolo codice di avviamento postale del comune"
        " per quei comuni che hanno cap multipli. Questa ultima possibilità è fornita solo da Pagine Gialle per cui, indipendentemente"
        " dalla fonte selezionata, la ricerca avviene solo su questa fonte. Se è attiva la ricerca anche su Pagine Gialle, l'estrazione per Pagine Bianche si ferma alla ricerca per comune onde evitare doppio lavoro.",
        "",
    };
    const QString crlf = QStringLiteral("\r\n");
    QString testo = c.lblCopyr.caption() + crlf + crlf;
    for (const char* r : righe) testo += QString::fromUtf8(r) + crlf;
    testo += QStringLiteral("E' consigliabile una connessione ADSL; da escludere un utilizzo con modem tradizionale.");
    c.txtIstruzioni.setText(testo);
    // Placed over the record area (panel 12); the window lays it out there.
}

}  // namespace gm
