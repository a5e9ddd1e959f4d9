#include "app/controlli.h"

#include <algorithm>

namespace gm {

void Controllo::setEnabled(bool e) {
    if (m_enabled == e) return;
    m_enabled = e;
    emit statoCambiato();
}

void Controllo::setVisible(bool v) {
    if (m_visible == v) return;
    m_visible = v;
    emit statoCambiato();
}

void Lista::clear() {
    const bool avevaSelezione = selectedCount() > 0;
    m_voci.clear();
    m_sel.clear();
    m_listIndex = -1;
    m_top = 0;
    emit vociCambiate();
    if (avevaSelezione) emit selezioneCambiata();
}

void Lista::addItem(const QString& testo) {
    m_voci.append(testo);
    m_sel.append(false);
    emit vociCambiate();
}

void Lista::setItem(int i, const QString& testo) {
    if (i < 0 || i >= count() || m_voci[i] == testo) return;
    m_voci[i] = testo;
    emit voceCambiata(i);
}

void Lista::setSelected(int i, bool s) {
    if (i < 0 || i >= count()) return;
    m_listIndex = i;
    if (m_sel[i] == s) return;
    m_sel[i] = s;
    emit selezioneCambiata();
}

int Lista::selectedCount() const {
    int n = 0;
    for (bool s : m_sel) n += s ? 1 : 0;
    return n;
}

void Lista::setTopIndex(int i) {
    if (i < 0) i = 0;
    if (m_top == i) return;
    m_top = i;
    emit topCambiato(i);
}

void CasellaTesto::setText(const QString& t) {
    if (m_testo == t) return;
    m_testo = t;
    emit change();
}

int CasellaTesto::keyPress(int ascii) {
    if (filtroTasti) filtroTasti(ascii);
    return ascii;
}

void CasellaTesto::digita(QChar c) {
    const int k = keyPress(c.unicode());
    if (k == 8) {
        if (!m_testo.isEmpty()) setText(m_testo.left(m_testo.size() - 1));
    } else if (k > 31) {
        setText(m_testo + QChar(k));
    }
}

void Etichetta::setCaption(const QString& c) {
    if (m_caption == c) return;
    m_caption = c;
    emit change();
}

void Etichetta::setForeColor(const Colore& c) {
    if (m_fore == c) return;
    m_fore = c;
    emit aspettoCambiato();
}

void Etichetta::setBackColor(const Colore& c) {
    if (m_back == c) return;
    m_back = c;
    emit aspettoCambiato();
}

void Etichetta::setOpaque(bool o) {
    if (m_opaque == o) return;
    m_opaque = o;
    emit aspettoCambiato();
}

void Pulsante::setCaption(const QString& c) {
    if (m_caption == c) return;
    m_caption = c;
    emit captionCambiata();
}

void CasellaControllo::setValue(bool v) {
    if (m_value == v) return;
    m_value = v;
    emit click();
}

void Opzione::setValue(bool v) {
    if (m_value == v) return;
    m_value = v;
    if (v) {
        for (Opzione* o : gruppo)
            if (o != this) o->setValue(false);
    }
    emit click();
}

void Combo::setText(const QString& t) {
    if (m_testo == t) return;
    m_testo = t;
    emit change();
}

void SceltaFile::setPath(const QString& p) {
    if (m_path == p) return;
    m_path = p;
    emit change();
}

Temporizzatore::Temporizzatore() {
    connect(&m_timer, &QTimer::timeout, this, &Temporizzatore::timeout);
}

void Temporizzatore::start() {
    m_attivo = true;
    m_trascorsi = 0;
    if (!m_manuale) m_timer.start();
}

void Temporizzatore::stop() {
    m_attivo = false;
    m_timer.stop();
}

void Temporizzatore::setInterval(int ms) {
    m_intervallo = ms;
    m_timer.setInterval(ms);
}

void Temporizzatore::usaOrologioManuale() {
    m_manuale = true;
    m_timer.stop();
}

void Temporizzatore::avanza(qint64 ms) {
    if (!m_manuale || m_intervallo <= 0) return;
    while (m_attivo && ms > 0) {
        const qint64 passo = std::min(ms, m_intervallo - m_trascorsi);
        ms -= passo;
        m_trascorsi += passo;
        if (m_trascorsi >= m_intervallo) {
            m_trascorsi = 0;
            emit timeout();
        }
    }
}

namespace {
template <typename T, std::size_t N>
void crea(std::array<T*, N>& a, const char* nome, QObject* owner) {
    for (std::size_t i = 0; i < N; ++i) {
        a[i] = new T(QStringLiteral("%1(%2)").arg(QLatin1String(nome)).arg(i), owner);
    }
}
}  // namespace

Controlli::Controlli() {
    QObject* o = &m_proprietario;
    crea(frmframe, "frmframe", o);
    crea(chkRicerca, "chkRicerca", o);
    crea(lblOrigine, "lblOrigine", o);
    crea(optIntegr, "optIntegr", o);
    crea(cmdImporta, "cmdImporta", o);
    crea(Label7, "Label7", o);
    crea(chkOutput, "chkOutput", o);
    crea(chkArea, "chkArea", o);
    crea(cmdSelez, "cmdSelez", o);
    crea(txtPag, "txtPag", o);
    crea(lblLocalita, "lblLocalita", o);
    crea(cmdImp, "cmdImp", o);
    crea(txtIntest, "txtIntest", o);
    crea(txtManuale, "txtManuale", o);
    crea(optScelta, "optScelta", o);
    crea(cmdScelta, "cmdScelta", o);

    for (Opzione* x : optIntegr) x->gruppo = {optIntegr[0], optIntegr[1]};
    for (Opzione* x : optScelta) x->gruppo = {optScelta[0], optScelta[1], optScelta[2]};

    static const char* const didascalie[20] = {
        "Ric&erca:", "Regioni:", "Comuni:", "Estrazione dati:", "Menù", "Voce merceologica:", "", "",
        "File output:", "Abbinamento tabella da importare:",
        "Parole da cancellare nel Nome/Ragione sociale per il file OV2:", "", "Record trovati:", "", "",
        "Scelta operativa", "File dati (.txt .csv .xls .xlsx .ods):", "Province:",
        "Area elaborazione corrente:", "Inserimento record manuale:"};
    for (int i = 0; i < 20; ++i) frmframe[i]->caption = QString::fromUtf8(didascalie[i]);
    // Pop-up panels are hidden until their command shows them. Panels nested in a pop-up (10 in 6,
    // 15 in 14, 16 in 13) stay visible themselves and appear with their container; panel 12 frames
    // the record table.
    for (int i : {6, 9, 11, 13, 14, 19}) frmframe[i]->setVisible(false);

    frmBase.setCaption(QStringLiteral("Geomerce"));

    chkCoord.caption = QStringLiteral("Calcola le Coordinate");
    chkCoord.setValue(true);
    chkMemoria.caption = QStringLiteral("Usa la memoria delle coordinate");
    chkMemoria.setValue(true);
    txtConnessioni.setText(QString::number(kConnessioniPredefinite));
    chkRicerca[0]->caption = QStringLiteral("&Gialle");
    chkRicerca[1]->caption = QStringLiteral("&Bianche");
    chkRicerca[0]->setValue(true);
    chkRicerca[1]->setValue(true);
    chkOsm.caption = QStringLiteral("O&penStreetMap");
    cmdDupl.setCaption(QStringLiteral("Elimina &Duplicati"));
    txtDupl.setText(QStringLiteral("1"));
    optIntegr[1]->caption = QStringLiteral("&Si");
    optIntegr[0]->caption = QStringLiteral("&No");
    optIntegr[0]->setValue(true);

    cmdSalva.setCaption(QStringLiteral("&Salva"));
    cmdCarica.setCaption(QStringLiteral("&Ricerca PDI"));
    static const char* const importa[5] = {"Importa &Tabella", "Ricerca &Coordinate", "Ins. &Manuale",
                                           "A&zzera Tabella", "C&erca"};
    for (int i = 0; i < 5; ++i) cmdImporta[i]->setCaption(QString::fromUtf8(importa[i]));

    chkOutput[2]->caption = QStringLiteral("&txt Testo");
    chkOutput[1]->caption = QStringLiteral("&xls Excel");
    chkOutput[0]->caption = QStringLiteral("&ov2 (Tomtom)");
    chkOutput[3]->caption = QStringLiteral("gpx (Garmin e altri)");
    chkOutput[4]->caption = QStringLiteral("kml (Google Earth)");
    chkOv2Semplice.caption = QStringLiteral("ov2 semplice (senza indice)");
    chkOutput[2]->setValue(true);
    chkArea[0]->caption = QStringLiteral("&Unico");
    chkArea[1]->caption = QStringLiteral("&Regionale");
    chkArea[0]->setValue(true);

    static const char* const selez[6] = {"&Tutte", "&Reset", "&Tutte", "&Reset", "&Tutti", "&Reset"};
    for (int i = 0; i < 6; ++i) cmdSelez[i]->setCaption(QString::fromUtf8(selez[i]));

    // Directory markers: ">" beside the check boxes, "*" in the progress strip; yellow for the
    // yellow pages, white for the white pages.
    static const char* const origine[4] = {">", ">", "*", "*"};
    for (int i = 0; i < 4; ++i) {
        lblOrigine[i]->setCaption(QString::fromLatin1(origine[i]));
        lblOrigine[i]->setForeColor(i == 0 || i == 3 ? kGiallo : kBianco);
    }
    lblTent.setBackColor(kBianco);
    txtPerc.backColor = kBlu;
    txtPerc.foreColor = kBianco;

    lblLocalita[0]->setCaption(QStringLiteral("Comune:"));
    lblLocalita[1]->setCaption(QStringLiteral("Comune:"));

    static const char* const imp[7] = {"&Esegui", "&Rinuncia", "&Chiudi", "&Inserisci", "Re&set",
                                       "&Salva", "&Rinuncia"};
    for (int i = 0; i < 7; ++i) cmdImp[i]->setCaption(QString::fromUtf8(imp[i]));
    cmdRinuncia.setCaption(QStringLiteral("&Rinuncia"));

    optScelta[0]->caption = QStringLiteral("&Cancella la riga");
    optScelta[1]->caption = QStringLiteral("&Modifica i dati");
    optScelta[2]->caption = QStringLiteral("&Ricalcola le coordinate");
    cmdScelta[0]->setCaption(QStringLiteral("&Ok"));
    cmdScelta[1]->setCaption(QStringLiteral("&Chiudi"));

    cmdFine.setCaption(QStringLiteral("&Fine Lavoro"));
    lblFine.setBackColor(kRosso);
    lblFine.setOpaque(true);
    tmrClock.setInterval(60000);
    txtIstruzioni.setVisible(false);
    Label3.setCaption(QStringLiteral("Geomerce: Punti di interesse TomTom fai da te!"));
}

int Controlli::Connessioni() {
    const QString t = txtConnessioni.text().trimmed();
    bool ok = false;
    const int letto = t.toInt(&ok);
    const int v = t.isEmpty() || !ok ? kConnessioniPredefinite : std::clamp(letto, 1, kConnessioniMassime);
    if (txtConnessioni.text() != QString::number(v)) txtConnessioni.setText(QString::number(v));
    return v;
}

void Controlli::BloccaFrame(bool modo) {
    for (Pannello* p : frmframe) p->setEnabled(modo);
}

}  // namespace gm
