#include "io/salvataggio.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QTime>

#include <array>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "geo/territorio.h"
#include "harvest/stato.h"
#include "io/file_testo.h"
#include "io/formati.h"
#include "io/icona.h"
#include "net/testo.h"
#include "table/duplicati.h"
#include "table/tabella.h"

namespace gm {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
constexpr qint64 kMaxFileParole = 1024 * 1024;

bool CartellaPronta(const QString& percorsoFile) {
    const QString cartella = QFileInfo(percorsoFile).absolutePath();
    return QDir().mkpath(cartella);
}
}  // namespace

Salvataggio::Salvataggio(Nucleo& n, Duplicati& dup) : n(n), dup(dup) {}

void Salvataggio::collega() {
    QObject::connect(&n.c.cmdSalva, &Pulsante::clicked, [this] { cmdSalva_Click(); });
    for (int i = 0; i < int(n.c.chkOutput.size()); ++i)
        QObject::connect(n.c.chkOutput[i], &CasellaControllo::click, [this, i] { chkOutput_Click(i); });
}

QString Salvataggio::NomeBase() const {
    QString base = n.c.txtCosa.text();
    base.replace(u' ', u'-');
    // A separator would put the file outside its folder.
    base.replace(u'/', u'-');
    base.replace(u'\\', u'-');
    return base;
}

QString Salvataggio::PercorsoTxt(const QString& base) const { return n.amb.sCartellaScaricati + base + ".txt"; }
QString Salvataggio::PercorsoXls(const QString& base) const { return n.amb.sCartellaScaricati + base + ".xls"; }
QString Salvataggio::PercorsoOv2Nazionale(const QString& base) const { return PercorsoNazionale(base, "ov2"); }
QString Salvataggio::PercorsoOv2Regionale(const QString& regione, const QString& base) const {
    return PercorsoRegionale(regione, base, "ov2");
}
QString Salvataggio::PercorsoNazionale(const QString& base, const QString& estensione) const {
    return n.amb.sCartellaScaricati + "Nazionali/" + base + u'.' + estensione;
}
QString Salvataggio::PercorsoRegionale(const QString& regione, const QString& base, const QString& estensione) const {
    QString cartella = regione;
    cartella.remove(u' ');
    return n.amb.sCartellaScaricati + cartella + u'/' + base + u'.' + estensione;
}
QString Salvataggio::PercorsoParole() const { return n.amb.percorso(QString::fromLatin1(kFileParole)); }

void Salvataggio::chkOutput_Click(int) {
    n.c.cmdSalva.setEnabled(false);
    for (CasellaControllo* k : n.c.chkOutput)
        if (k->value()) n.c.cmdSalva.setEnabled(true);
}

// The workbook is made in memory and written whole, so no Excel instance is ever left open.
void Salvataggio::ChiudiTabellaExcel() {}

QStringList Salvataggio::LeggiParole() const {
    QFile f(PercorsoParole());
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray dati = f.read(kMaxFileParole);
    QStringList voci;
    for (QByteArray riga : dati.split('\n')) {
        while (riga.endsWith('\r')) riga.chop(1);
        if (!riga.isEmpty()) voci << DecodificaWin1252(riga);
    }
    return voci;
}

void Salvataggio::cmdSalva_Click() {
    if (n.c.txtCosa.text().isEmpty()) {
        n.d.messaggio(QStringLiteral("Occorre indicare un nome valido in 'cosa cercare'!"), QStringLiteral("Errore"),
                      Icona::Critica);
        return;
    }
    if (n.tab.mfgTab.text(1, kNome).isEmpty()) {
        n.d.messaggio(QStringLiteral("Tabella vuota!"), QStringLiteral("Errore"), Icona::Critica);
        return;
    }
    n.c.BloccaFrame(false);
    m_doppiPrima = dup.eliminati.doppi;
    m_incompletiPrima = dup.eliminati.incompleti;
    if (!n.c.chkOutput[0]->value()) {
        SalvaFile(1);
    } else {
        n.c.frmframe[6]->setVisible(true);
        n.c.frmframe[6]->setEnabled(true);
        n.c.frmframe[10]->setEnabled(true);
        const QString file = PercorsoParole();
        if (!QFileInfo::exists(file)) ScriviFileAtomico(file, {});
        n.c.cmbCancella.voci = LeggiParole();
        bParoleCaricate = true;
        const QString categoria = n.c.txtCosa.text();
        QString voce;
        for (const QString& v : n.c.cmbCancella.voci)
            if (Uguale(Left(v, int(categoria.size())), categoria)) voce = v;
        n.c.cmbCancella.setText(voce.isEmpty() ? categoria : voce);
        n.c.lblNomefile.setCaption(QStringLiteral("Nome file: ") + NomeBase() + ".ov2");
        n.av.Cedi();
    }
    n.c.BloccaFrame(true);
}

void Salvataggio::SalvaConParole() {
    n.c.frmframe[6]->setVisible(false);
    dup.EliminaDuplicati(0);
    if (!n.av.bStop) SalvaFile(1);
}

void Salvataggio::RinunciaParole() {
    n.c.frmframe[6]->setVisible(false);
    n.c.BloccaFrame(true);
}

void Salvataggio::RiscriviParole(int modo) {
    const QString testo = n.c.cmbCancella.text();
    // Without a load in this process the combo holds no other entries: keep those of the file.
    const QStringList voci = bParoleCaricate ? n.c.cmbCancella.voci : LeggiParole();
    if (!bParoleCaricate && (modo == 0 || testo.isEmpty())) return;
    QString uscita;
    if (!testo.isEmpty()) uscita += testo + kCrLf;
    for (const QString& v : voci)
        if (!Uguale(v, testo)) uscita += v + kCrLf;
    if (uscita.isEmpty() && QFileInfo(PercorsoParole()).size() > 0) return;
    ScriviFileAtomico(PercorsoParole(), CodificaWin1252(uscita));
}

bool Salvataggio::Scrivi(const QString& percorso, const QByteArray& dati, QStringList& errori) {
    QString perche;
    if (!CartellaPronta(percorso) || !ScriviFileAtomico(percorso, dati, &perche)) {
        errori << QStringLiteral("Impossibile scrivere ") + QDir::toNativeSeparators(percorso) +
                      (perche.isEmpty() ? QString() : QStringLiteral(": ") + perche);
        return false;
    }
    fileScritti << percorso;
    return true;
}

bool Salvataggio::Raccogli(const QVector<int>& indici, bool perRiga, QVector<Record>& righe) {
    Griglia& g = n.tab.mfgTab;
    const int totale = g.rows() - 1;
    righe.clear();
    righe.reserve(indici.size());
    for (qsizetype k = 0; k < indici.size(); ++k) {
        const int i = indici[k];
        // The bar cannot show a row's worth of 40000; every 64th row and the last one move it.
        if (perRiga && (k % 64 == 0 || k == indici.size() - 1)) n.av.AggiornaPercentuale(totale, i);
        n.c.txtProv.setText(g.text(i, kPr));
        n.c.txtComune.setText(g.text(i, kCitta));
        if (n.av.bStop) return false;
        righe.append(n.tab.record(i));
    }
    return true;
}

bool Salvataggio::ScriviFormato(const FormatoUscita& f, const ContestoUscita& ctx, const QVector<Record>& righe,
                                const QString& percorso, QStringList& errori) {
    QByteArray dati;
    QString perche;
    if (!f.scrivi(righe, ctx, dati, perche)) {
        errori << QStringLiteral("Impossibile scrivere ") + QDir::toNativeSeparators(percorso) + ": " + perche;
        return false;
    }
    if (!Scrivi(percorso, dati, errori)) return false;
    if (f.conIcona()) Scrivi(QFileInfo(percorso).path() + u'/' + QFileInfo(percorso).completeBaseName() + ".bmp",
                             m_icona, errori);
    return true;
}

namespace {
// Grid rows from da on that hold a record (a name).
QVector<int> RigheConNome(const Griglia& g, int da) {
    QVector<int> righe;
    righe.reserve(g.rows());
    for (int i = da; i < g.rows(); ++i)
        if (!g.text(i, kNome).isEmpty()) righe.append(i);
    return righe;
}
}  // namespace

bool Salvataggio::PassoNazionale(const FormatoUscita& f, const ContestoUscita& ctx, const QString& base,
                                 QString& elenco, int& conteggio, QStringList& errori) {
    n.av.DescrizioneFase = QStringLiteral("Creazione file ") + ctx.categoria + u'.' + f.estensione();
    n.av.InizioFase = Avanzamento::CalcolaSecondi();
    QVector<Record> righe;
    if (!Raccogli(RigheConNome(n.tab.mfgTab, 1), true, righe)) return false;
    const QString percorso = PercorsoNazionale(base, f.estensione());
    if (ScriviFormato(f, ctx, righe, percorso, errori)) {
        ++conteggio;
        elenco += QDir::toNativeSeparators(percorso) + kCrLf;
    }
    return true;
}

bool Salvataggio::PassoRegionale(const FormatoUscita& f, const ContestoUscita& ctx, const QString& base,
                                 QString& elenco, int& conteggio, QStringList& errori) {
    Griglia& g = n.tab.mfgTab;
    n.av.DescrizioneFase = QStringLiteral("Creazione file Regionali: ") + ctx.categoria + u'.' + f.estensione();
    // Records by province code, in table order, so each region is one pass over its provinces.
    QHash<QString, QVector<int>> perProvincia;
    for (long i = 1; i <= n.tab.nRecord && i < g.rows(); ++i)
        if (!g.text(int(i), kNome).isEmpty()) perProvincia[g.text(int(i), kPr).toUpper()].append(int(i));

    QStringList scritti;
    QVector<Record> righe;
    for (int r = 1; r <= Territorio::kMaxRegioni; ++r) {
        n.av.DescrizioneFase = QStringLiteral("Creazione file ") + n.terr.nomeRegione(r) + u'-' + ctx.categoria;
        n.av.AggiornaPercentuale(Territorio::kMaxRegioni, r);
        QVector<int> indici;
        for (int p = 1; p <= n.terr.numeroProvince(r); ++p) {
            const QString sigla = n.terr.siglaProvincia(r, p).toUpper();
            if (!sigla.isEmpty()) indici += perProvincia.value(sigla);
        }
        if (indici.isEmpty()) continue;  // a region without records gets neither folder nor file
        if (!Raccogli(indici, false, righe)) return false;
        const QString percorso = PercorsoRegionale(n.terr.nomeRegione(r), base, f.estensione());
        if (ScriviFormato(f, ctx, righe, percorso, errori)) scritti << QDir::toNativeSeparators(percorso);
    }
    if (!scritti.isEmpty()) {
        ++conteggio;
        elenco += QStringLiteral("N. ") + QString::number(scritti.size()) + QStringLiteral(" file regionali:") + kCrLf +
                  scritti.join(kCrLf) + kCrLf + kCrLf;
    }
    return true;
}

bool Salvataggio::PassoTabella(const FormatoUscita& f, const ContestoUscita& ctx, const QString& base,
                               QString& elenco, int& conteggio, QStringList& errori) {
    n.av.DescrizioneFase = QStringLiteral("Creazione file ") + ctx.categoria + u'.' + f.estensione();
    n.av.InizioFase = Avanzamento::CalcolaSecondi();
    QVector<Record> righe;
    // The title row comes first; the old file stays as it was when a stop ends the pass.
    if (!Raccogli(RigheConNome(n.tab.mfgTab, 0), true, righe)) return false;
    const QString percorso = n.amb.sCartellaScaricati + base + u'.' + f.estensione();
    if (ScriviFormato(f, ctx, righe, percorso, errori)) {
        ++conteggio;
        elenco += QDir::toNativeSeparators(percorso) + kCrLf;
    }
    return true;
}

void Salvataggio::SalvaFile(int Modo) {
    Controlli& c = n.c;
    Avanzamento& av = n.av;
    // The timer's save leaves the window as it found it: locked and busy only if it already was.
    const bool daTimer = Modo == 2;
    std::array<bool, 20> pannelliAbilitati{};
    for (int i = 0; i < 20; ++i) pannelliAbilitati[i] = c.frmframe[i]->enabled();
    const bool occupato = c.cmdFine.caption().compare(QStringLiteral("&Stop"), Qt::CaseInsensitive) == 0;
    c.BloccaFrame(false);
    QString base = NomeBase();
    c.tmrClock.stop();
    fileScritti.clear();
    erroriScrittura.clear();
    salvataggioInterrotto = false;

    std::array<QString, 11> ripresa;
    std::array<bool, kFormatiUscita> usciteUtente{};
    QStringList intestazione;
    long nRecordSalvato = 0, inizioSalvato = 0;
    QString faseSalvata;
    const bool autosalvataggio = Modo >= 2 && Modo <= 4;
    if (autosalvataggio) {
        ripresa = {c.txtRegione.text(),  c.txtProv.text(),  c.txtComune.text(),
                   c.txtRec.text(),      c.txtPag[0]->text(), c.txtPag[1]->text(),
                   c.txtPerc.text(),     QString::number(c.txtPerc.larghezza),
                   c.txt100.text(),      QString::number(c.txt100.larghezza),
                   c.lblPerc.caption()};
        QStringList righe(ripresa.begin(), ripresa.end());
        // A region or a run with pages that never arrived is not finished: the resume repeats it.
        const long mancanti = Modo == 3 ? n.stato.nPagineMancantiRegione : n.stato.nPagineMancanti;
        const QString senza = mancanti == 1 ? QStringLiteral(" (1 pagina non scaricata)")
                                            : QStringLiteral(" (%1 pagine non scaricate)").arg(mancanti);
        if (Modo == 3)
            righe[0] = (mancanti > 0 ? QStringLiteral("Regione incompleta: ") + ripresa[0] + senza
                                     : QStringLiteral("Fine Regione: ") + ripresa[0]);
        // Between regions (the coordinate pass after the last one) no region stands in the panel:
        // the header of the last region still tells where to resume.
        if (Modo == 2 && ripresa[0].isEmpty() && m_ripresa.first == base) righe = m_ripresa.second;
        if (Modo != 4 && !righe[0].isEmpty()) m_ripresa = {base, righe};
        if (Modo == 4) {
            righe = QStringList{mancanti > 0 ? QStringLiteral("Ricerca incompleta") + senza
                                             : QStringLiteral("Ricerca completata")};
            base += QStringLiteral("-End");
        }
        const QLocale locale;
        righe << locale.toString(QDate::currentDate(), QLocale::ShortFormat) + QStringLiteral(" - ") +
                     locale.toString(QTime::currentTime(), QLocale::ShortFormat);
        intestazione = righe;
        Modo = 2;
        nRecordSalvato = n.tab.nRecord;
        inizioSalvato = av.InizioFase;
        faseSalvata = av.DescrizioneFase;
        for (int i = 0; i < kFormatiUscita; ++i) {
            usciteUtente[i] = c.chkOutput[i]->value();
            c.chkOutput[i]->setValue(i == 2);
        }
    } else {
        if (m_doppiPrima < 0) {
            m_doppiPrima = dup.eliminati.doppi;
            m_incompletiPrima = dup.eliminati.incompleti;
        }
        if (Val(c.txtDupl.text()) > 0) {
            dup.EliminaDuplicati(0);
            c.BloccaFrame(false);
        }
        n.tab.Ordina(3, 5);
    }

    QString elenco;
    QStringList errori;
    av.IndicaOccupato(true);
    // A Stop pressed just before an autosave is still owed to the run that was asked to stop.
    const bool stopInAttesa = autosalvataggio && av.bStop;
    av.bStop = false;
    int conteggio = 0;

    bool haRecord = false;
    for (int i = 1; i < n.tab.mfgTab.rows() && !haRecord; ++i) haRecord = !n.tab.mfgTab.text(i, kNome).isEmpty();
    // An emergency or user save of an empty table would only replace good files with empty ones.
    const bool scrivi = haRecord || Modo >= 2;
    const long doppi = dup.eliminati.doppi - std::max(0L, m_doppiPrima);
    const long incompleti = dup.eliminati.incompleti - std::max(0L, m_incompletiPrima);
    m_doppiPrima = m_incompletiPrima = -1;
    if (Modo == 1) bTuttiEliminati = !haRecord;

    const auto& formati = FormatiUscita();
    // The licence of some sources asks for their notice wherever the data goes.
    const ContestoUscita ctx{c.txtCosa.text(), c.cmbCancella.text(), intestazione + n.tab.attribuzioni,
                             c.chkOv2Semplice.value(), n.tab.attribuzioni};
    m_avvisi.clear();
    if (scrivi && c.chkOutput[0]->value()) {
        RiscriviParole(Modo);
        QString avviso;
        m_icona = IconaCategoria(ctx.categoria, n.amb.cartellaProgramma, &avviso);
        if (!avviso.isEmpty()) m_avvisi << avviso;
    }
    bool completo = true;
    // Navigator files, the national ones first, then those of each region; then the table files.
    for (int area = 0; area < 2; ++area)
        for (int i = 0; i < kFormatiUscita && scrivi && completo; ++i)
            if (formati[i]->perRegione() && c.chkOutput[i]->value() && c.chkArea[area]->value())
                completo = area == 0 ? PassoNazionale(*formati[i], ctx, base, elenco, conteggio, errori)
                                     : PassoRegionale(*formati[i], ctx, base, elenco, conteggio, errori);
    for (int i = 0; i < kFormatiUscita && scrivi && completo; ++i)
        if (!formati[i]->perRegione() && c.chkOutput[i]->value())
            completo = PassoTabella(*formati[i], ctx, base, elenco, conteggio, errori);
    salvataggioInterrotto = !completo;
    erroriScrittura = errori;

    if (Modo == 0) {
        n.d.messaggio(QStringLiteral("Elaborazione interrotta per errore software!") + kCrLf + kCrLf +
                          QStringLiteral("L'elaborazione è stata salvata."),
                      QStringLiteral("Errore!!!"), Icona::Critica);
        if (av.terminaProgramma) av.terminaProgramma();
        return;
    }
    if (Modo == 1) {
        av.AggiornaPercentuale(0, 0);
        if (av.bStop)
            n.d.messaggio(QStringLiteral("Salvataggio interrotto..."), QStringLiteral("Interruzione"), Icona::Critica);
        QString testo;
        QStringList tolti;
        if (doppi > 0) tolti << QString::number(doppi) + (doppi == 1 ? QStringLiteral(" doppio") : QStringLiteral(" doppi"));
        if (incompleti > 0)
            tolti << QString::number(incompleti) +
                         (incompleti == 1 ? QStringLiteral(" incompleto") : QStringLiteral(" incompleti")) +
                         QStringLiteral(" (senza CAP, città e provincia)");
        if (!haRecord)
            testo = tolti.isEmpty() ? QStringLiteral("Nessun file salvato: la tabella è vuota.")
                                    : QStringLiteral("Nessun file salvato: l'eliminazione dei duplicati ha tolto tutti i "
                                                     "record (") +
                                          tolti.join(QStringLiteral(", ")) + QStringLiteral(").");
        else if (conteggio == 0 && errori.isEmpty())
            testo = QStringLiteral("Nessuna tipologia selezionata!");
        else if (conteggio == 1)
            testo = QStringLiteral("Il file") + kCrLf + kCrLf + elenco + kCrLf + QStringLiteral("è stato salvato!");
        else if (conteggio > 1)
            testo = QStringLiteral("I file") + kCrLf + kCrLf + elenco + kCrLf + QStringLiteral("sono stati salvati!");
        if (!errori.isEmpty()) {
            if (!testo.isEmpty()) testo += kCrLf + kCrLf;
            testo += errori.join(kCrLf);
        }
        if (!m_avvisi.isEmpty()) testo += kCrLf + kCrLf + m_avvisi.join(kCrLf);
        // Only the plain layout still wants the outside optimiser.
        if (haRecord && c.chkOutput[0]->value() && c.chkOv2Semplice.value() &&
            (c.chkArea[0]->value() || c.chkArea[1]->value()))
            testo += kCrLf + kCrLf +
                     QStringLiteral("I file .OV2 non sono ottimizzati; provvedere con RemakeOv2 (da %1)")
                         .arg(QLatin1String(kSitoRemakeOv2));
        if (haRecord && !tolti.isEmpty())
            testo += kCrLf + kCrLf + QStringLiteral("Record eliminati: ") + tolti.join(QStringLiteral(", ")) + u'.';
        if (av.bStop) testo += kCrLf + kCrLf + QStringLiteral("Operazione interrotta!");
        av.IndicaOccupato(false);
        c.BloccaFrame(true);
        n.d.messaggio(testo, kTitoloProgramma, haRecord ? Icona::Informazione : Icona::Esclamazione);
        if (completo && errori.isEmpty() && conteggio > 0 && dopoSalvataggioUtente) dopoSalvataggioUtente();
        av.bStop = false;
        return;
    }
    // Autosave: the run goes on from where it stood.
    n.tab.nRecord = nRecordSalvato;
    av.InizioFase = inizioSalvato;
    av.DescrizioneFase = faseSalvata;
    c.txtRegione.setText(ripresa[0]);
    c.txtProv.setText(ripresa[1]);
    c.txtComune.setText(ripresa[2]);
    c.txtRec.setText(ripresa[3]);
    c.txtPag[0]->setText(ripresa[4]);
    c.txtPag[1]->setText(ripresa[5]);
    c.txtPerc.setText(ripresa[6]);
    c.txtPerc.larghezza = Val(ripresa[7]);
    c.txt100.setText(ripresa[8]);
    c.txt100.larghezza = Val(ripresa[9]);
    c.lblPerc.setCaption(ripresa[10]);
    // The autosave writes TXT only; the user's own choice of outputs comes back afterwards, so
    // that the next "&Salva" writes what the user asked for.
    for (int i = 0; i < kFormatiUscita; ++i) c.chkOutput[i]->setValue(usciteUtente[i]);
    c.tmrClock.start();
    if (stopInAttesa) av.bStop = true;
    if (daTimer) {
        for (int i = 0; i < 20; ++i) c.frmframe[i]->setEnabled(pannelliAbilitati[i]);
        av.IndicaOccupato(occupato && !av.bStop);
    }
}

}  // namespace gm
