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
#include "io/ov2.h"
#include "io/xls.h"
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
QString Salvataggio::PercorsoOv2Nazionale(const QString& base) const {
    return n.amb.sCartellaScaricati + "Nazionali/" + base + ".ov2";
}
QString Salvataggio::PercorsoOv2Regionale(const QString& regione, const QString& base) const {
    QString cartella = regione;
    cartella.remove(u' ');
    return n.amb.sCartellaScaricati + cartella + u'/' + base + ".ov2";
}
QString Salvataggio::PercorsoParole() const { return n.amb.percorso(QString::fromLatin1(kFileParole)); }

void Salvataggio::chkOutput_Click(int) {
    n.c.cmdSalva.setEnabled(false);
    for (CasellaControllo* k : n.c.chkOutput)
        if (k->value()) n.c.cmdSalva.setEnabled(true);
}

void Salvataggio::ChiudiTabellaExcel() { m_cartella.clear(); }

void Salvataggio::SalvaRigaOV2(long riga) {
    if (!m_ov2) return;
    m_ov2->append(RecordOV2(n.tab.record(riga), n.c.txtCosa.text(), n.c.cmbCancella.text()));
}

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

bool Salvataggio::Scrivi(const QString& percorso, const QByteArray& dati, QString& elenco, int& conteggio,
                         QStringList& errori) {
    QString perche;
    if (!CartellaPronta(percorso) || !ScriviFileAtomico(percorso, dati, &perche)) {
        errori << QStringLiteral("Impossibile scrivere ") + QDir::toNativeSeparators(percorso) +
                      (perche.isEmpty() ? QString() : QStringLiteral(": ") + perche);
        return false;
    }
    fileScritti << percorso;
    return true;
}

bool Salvataggio::PassoOv2Nazionale(const QString& base, QString& elenco, int& conteggio, QStringList& errori) {
    Griglia& g = n.tab.mfgTab;
    n.av.DescrizioneFase = QStringLiteral("Creazione file ") + n.c.txtCosa.text() + ".ov2";
    n.av.InizioFase = Avanzamento::CalcolaSecondi();
    QByteArray file;
    m_ov2 = &file;
    const int righe = g.rows();
    for (int i = 1; i <= righe - 1; ++i) {
        n.av.AggiornaPercentuale(righe - 1, i);
        if (g.text(i, kNome).isEmpty()) continue;
        n.c.txtProv.setText(g.text(i, kPr));
        n.c.txtComune.setText(g.text(i, kCitta));
        if (n.av.bStop) {
            m_ov2 = nullptr;
            return false;
        }
        SalvaRigaOV2(i);
    }
    m_ov2 = nullptr;
    const QString percorso = PercorsoOv2Nazionale(base);
    if (Scrivi(percorso, file, elenco, conteggio, errori)) {
        ++conteggio;
        elenco += QDir::toNativeSeparators(percorso) + kCrLf;
    }
    return true;
}

bool Salvataggio::PassoOv2Regionale(const QString& base, QString& elenco, int& conteggio, QStringList& errori) {
    Griglia& g = n.tab.mfgTab;
    const QString categoria = n.c.txtCosa.text();
    n.av.DescrizioneFase = QStringLiteral("Creazione file Regionali: ") + categoria + ".ov2";
    // Records by province code, in table order, so each region is one pass over its provinces.
    QHash<QString, QVector<long>> perProvincia;
    for (long i = 1; i <= n.tab.nRecord && i < g.rows(); ++i)
        if (!g.text(int(i), kNome).isEmpty()) perProvincia[g.text(int(i), kPr).toUpper()].append(i);

    int regionali = 0;
    for (int r = 1; r <= Territorio::kMaxRegioni; ++r) {
        n.av.DescrizioneFase = QStringLiteral("Creazione file ") + n.terr.nomeRegione(r) + u'-' + categoria;
        n.av.AggiornaPercentuale(Territorio::kMaxRegioni, r);
        QByteArray file;
        bool aperto = false;
        for (int p = 1; p <= n.terr.numeroProvince(r); ++p) {
            const QString sigla = n.terr.siglaProvincia(r, p).toUpper();
            if (sigla.isEmpty()) continue;
            const auto it = perProvincia.constFind(sigla);
            if (it == perProvincia.constEnd()) continue;
            for (long i : it.value()) {
                aperto = true;
                if (n.av.bStop) return false;
                n.c.txtProv.setText(g.text(int(i), kPr));
                n.c.txtComune.setText(g.text(int(i), kCitta));
                m_ov2 = &file;
                SalvaRigaOV2(i);
                m_ov2 = nullptr;
            }
        }
        if (aperto && Scrivi(PercorsoOv2Regionale(n.terr.nomeRegione(r), base), file, elenco, conteggio, errori))
            ++regionali;
    }
    if (regionali > 0) {
        ++conteggio;
        elenco += QStringLiteral("N. ") + QString::number(regionali) + QStringLiteral(" file regionali: ") +
                  QDir::toNativeSeparators(n.amb.sCartellaScaricati + base + ".ov2") + kCrLf + kCrLf;
    }
    return true;
}

bool Salvataggio::PassoXls(const QString& base, QString& elenco, int& conteggio, QStringList& errori) {
    ChiudiTabellaExcel();
    Griglia& g = n.tab.mfgTab;
    n.av.DescrizioneFase = QStringLiteral("Creazione file ") + n.c.txtCosa.text() + ".xls";
    n.av.InizioFase = Avanzamento::CalcolaSecondi();
    const int righe = g.rows();
    m_cartella.reserve(righe);
    for (int i = 0; i <= righe - 1; ++i) {
        n.av.AggiornaPercentuale(righe - 1, i);
        if (g.text(i, kNome).isEmpty()) continue;
        n.c.txtProv.setText(g.text(i, kPr));
        n.c.txtComune.setText(g.text(i, kCitta));
        if (n.av.bStop) return false;  // the workbook stays unsaved, the old file untouched
        m_cartella.append(QStringList(g.riga(i).begin(), g.riga(i).end()));
    }
    QString perche;
    const QByteArray dati = CartellaXls(m_cartella, &perche);
    ChiudiTabellaExcel();
    const QString percorso = PercorsoXls(base);
    if (dati.isEmpty()) {
        errori << QStringLiteral("Impossibile scrivere ") + QDir::toNativeSeparators(percorso) + ": " + perche;
        return true;
    }
    if (Scrivi(percorso, dati, elenco, conteggio, errori)) {
        ++conteggio;
        elenco += QDir::toNativeSeparators(percorso) + kCrLf;
    }
    return true;
}

bool Salvataggio::PassoTxt(const QString& base, const QStringList& intestazione, QString& elenco, int& conteggio,
                           QStringList& errori) {
    Griglia& g = n.tab.mfgTab;
    n.av.DescrizioneFase = QStringLiteral("Creazione file ") + n.c.txtCosa.text() + ".txt";
    QByteArray uscita;
    uscita.reserve(g.rows() * 80);
    for (const QString& l : intestazione) uscita += CodificaWin1252(u';' + l + kCrLf);
    bool prima = true;
    QString riga;
    const int righe = g.rows();
    for (int i = 0; i <= righe - 1; ++i) {
        n.av.AggiornaPercentuale(righe - 1, i);
        if (g.text(i, kNome).isEmpty()) continue;
        if (n.av.bStop) return false;
        n.c.txtProv.setText(g.text(i, kPr));
        n.c.txtComune.setText(g.text(i, kCitta));
        riga.clear();
        if (prima) riga += u';';
        prima = false;
        for (const QString& cella : g.riga(i)) riga += cella + u'\t';
        riga += kCrLf;
        uscita += CodificaWin1252(riga);
    }
    const QString percorso = PercorsoTxt(base);
    if (Scrivi(percorso, uscita, elenco, conteggio, errori)) {
        ++conteggio;
        elenco += QDir::toNativeSeparators(percorso) + kCrLf;
    }
    return true;
}

void Salvataggio::SalvaFile(int Modo) {
    Controlli& c = n.c;
    Avanzamento& av = n.av;
    c.BloccaFrame(false);
    QString base = NomeBase();
    c.tmrClock.stop();
    fileScritti.clear();
    erroriScrittura.clear();
    salvataggioInterrotto = false;

    std::array<QString, 11> ripresa;
    std::array<bool, 3> usciteUtente{};
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
        for (int i = 0; i < 3; ++i) usciteUtente[i] = c.chkOutput[i]->value();
        c.chkOutput[0]->setValue(false);
        c.chkOutput[1]->setValue(false);
        c.chkOutput[2]->setValue(true);
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

    bool completo = true;
    if (scrivi && c.chkOutput[0]->value()) {
        RiscriviParole(Modo);
        if (c.chkArea[0]->value()) completo = PassoOv2Nazionale(base, elenco, conteggio, errori);
        if (completo && c.chkArea[1]->value()) completo = PassoOv2Regionale(base, elenco, conteggio, errori);
    }
    if (scrivi && completo && c.chkOutput[1]->value()) completo = PassoXls(base, elenco, conteggio, errori);
    if (scrivi && completo && c.chkOutput[2]->value())
        completo = PassoTxt(base, intestazione, elenco, conteggio, errori);
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
        if (haRecord && c.chkArea[0]->value())
            testo += kCrLf + kCrLf +
                     QStringLiteral("I file .OV2 non sono ottimizzati; provvedere con RemakeOv2 (da %1)")
                         .arg(QLatin1String(kSitoRemakeOv2));
        if (haRecord && !tolti.isEmpty())
            testo += kCrLf + kCrLf + QStringLiteral("Record eliminati: ") + tolti.join(QStringLiteral(", ")) + u'.';
        if (av.bStop) testo += kCrLf + kCrLf + QStringLiteral("Operazione interrotta!");
        av.IndicaOccupato(false);
        c.BloccaFrame(true);
        n.d.messaggio(testo, kTitoloProgramma, haRecord ? Icona::Informazione : Icona::Esclamazione);
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
    for (int i = 0; i < 3; ++i) c.chkOutput[i]->setValue(usciteUtente[i]);
    c.tmrClock.start();
    if (stopInAttesa) av.bStop = true;
}

}  // namespace gm
