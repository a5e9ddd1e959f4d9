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
    QObject::connect(&c.tmrClock, &QTimer::timeout, [this] { av.tmrClock_Timer(); });
    QObject::connect(&c.lblTent, &Etichetta::change, [this] { av.lblTent_Change(); });
    QObject::connect(&c.cmdFine, &Pulsante::clicked, [this] { av.cmdFine_Click(); });
    for (int i = 0; i < int(c.frmframe.size()); ++i)
        QObject::connect(c.frmframe[i], &Pannello::clicked, [this, i] { frmFrame_Click(i); });
    QObject::connect(&c.txtIstruzioni, &Controllo::statoCambiato, [] {});
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
    const QStringList voci = dir.entryList({QStringLiteral("mk*.html")}, QDir::Files | QDir::Hidden,
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

    const QString ini = amb.percorso(QString::fromLatin1(kFileImpostazioni));
    if (QFileInfo::exists(ini)) {
        const QString categoria = CategoriaDaImpostazioni(LeggiPrimaRiga(ini));
        if (!categoria.isEmpty()) c.txtCosa.setText(categoria);
    }

    av.EvidenziaOrigine(0, 0);
    man.CreaTabellaInputManuale();
    CaricaIstruzioni();
}

void Form::frmFrame_Click(int) {}
void Form::txtIstruzioni_Click() {}
void Form::CaricaIstruzioni() {}

}  // namespace gm
