#include "osm/sorgente.h"

#include <QFileInfo>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "geo/territorio.h"
#include "harvest/stato.h"
#include "net/testo.h"
#include "osm/estratto.h"
#include "table/tabella.h"

namespace gm::osm {

namespace {
const QString kTutte = QStringLiteral("<Tutte>");
const QString kTutti = QStringLiteral("<Tutti>");
bool TuttiSelezionati(const Lista& l) { return l.count() > 0 && l.selectedCount() == l.count(); }
}  // namespace

QString TestoAttribuzione() { return QStringLiteral("Dati %1, licenza %2").arg(kAttribuzione, kLicenza); }

SorgenteOsm::SorgenteOsm(Nucleo& n) : n(n) {
    client.base = n.amb.servizi.overpass;
    client.fermato = [&n] { return n.av.bStop; };
    client.avviso = [&n](const QString& testo) { n.c.lblTent.setCaption(testo); };
}

void SorgenteOsm::collega() {
    QObject::connect(&n.c.chkOsm, &CasellaControllo::click, [this] { MostraAttribuzione(); });
    MostraAttribuzione();
}

void SorgenteOsm::MostraAttribuzione() {
    n.c.lblOsm.setCaption(kAttribuzione + QStringLiteral(" (ODbL)"));
    n.c.lblOsm.setVisible(n.c.chkOsm.value() || !n.tab.attribuzioni.isEmpty());
}

void SorgenteOsm::RiferisciMancanti() {
    if (areeMancanti.isEmpty()) return;
    n.d.messaggio(QStringLiteral("Aree non ricevute da OpenStreetMap (i loro punti mancano dalla tabella):\r\n") +
                      areeMancanti.join(QStringLiteral("\r\n")),
                  QStringLiteral("Dati mancanti"), Icona::Esclamazione);
}

bool SorgenteOsm::ControllaFonte() {
    m_filtri.clear();
    areeMancanti.clear();
    recordAggiunti = 0;
    if (!n.c.chkOsm.value()) return true;
    const QString titolo = QStringLiteral("Errore!");
    const QString file = n.c.txtFileOsm.text().trimmed();
    if (!file.isEmpty()) {
        if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable()) {
            n.d.messaggio(QStringLiteral("Il file di estratto OpenStreetMap\r\n%1\r\nnon esiste o non è leggibile.").arg(file),
                          titolo, Icona::Critica);
            return false;
        }
    }
    if (!filtriUtente.isEmpty()) {
        m_filtri = filtriUtente;
        return true;
    }
    const Preset* p = m_catalogo.trova(n.c.txtCosa.text());
    if (!p) {
        n.d.messaggio(m_catalogo.messaggioNessuno(n.c.txtCosa.text()), titolo, Icona::Critica);
        return false;
    }
    m_filtri = {p->tag};
    return true;
}

QVector<AreaOsm> SorgenteOsm::AreeSelezionate() const {
    const Controlli& c = n.c;
    const int r = int(n.stato.nRegione);
    QVector<AreaOsm> aree;
    if (r < 1 || r > n.terr.numeroRegioni()) return aree;
    if (TuttiSelezionati(c.lstProv) || Uguale(c.lstProv.item(0), kTutte)) {
        aree.append({AreaOsm::Regione, r, 0, 0});
        return aree;
    }
    auto indice = [](int quanti, const QString& nome, auto di) {
        for (int i = 1; i <= quanti; ++i)
            if (Uguale(di(i), nome)) return i;
        return 0;
    };
    for (int j = 0; j < c.lstProv.count(); ++j) {
        if (!c.lstProv.selected(j)) continue;
        const int p = indice(n.terr.numeroProvince(r), c.lstProv.item(j), [&](int i) { return n.terr.nomeProvincia(r, i); });
        if (p == 0) continue;
        if (TuttiSelezionati(c.lstComuni) || Uguale(c.lstComuni.item(0), kTutti)) {
            aree.append({AreaOsm::Provincia, r, p, 0});
            continue;
        }
        for (int k = 0; k < c.lstComuni.count(); ++k) {
            if (!c.lstComuni.selected(k)) continue;
            const int m = indice(n.terr.numeroComuni(r, p), c.lstComuni.item(k),
                                 [&](int i) { return n.terr.nomeComune(r, p, i); });
            if (m != 0) aree.append({AreaOsm::Comune, r, p, m});
        }
    }
    return aree;
}

void SorgenteOsm::EstraiRegione() {
    if (!n.c.chkOsm.value() || m_filtri.isEmpty()) return;
    const QString file = n.c.txtFileOsm.text().trimmed();
    if (!file.isEmpty()) {
        const QVector<AreaOsm> aree = AreeSelezionate();
        if (!aree.isEmpty()) EstraiDaFile(file, aree);
        return;
    }
    for (const AreaOsm& a : AreeSelezionate()) {
        if (n.av.bStop || n.tab.bTabellaPiena) return;
        EstraiArea(a);
    }
}

bool SorgenteOsm::EstraiArea(const AreaOsm& a) {
    Avanzamento& av = n.av;
    const QString nomeArea = a.descrizione(n.terr);
    av.DescrizioneFase = QStringLiteral("OpenStreetMap ") + n.stato.sCosa + u' ' + nomeArea;
    av.AggiornaPercentuale(n.stato.TotalePassi, n.stato.PassiEseguiti);
    av.EvidenziaOrigine(0, 0);
    EsitoArea esito;
    QString errore;
    bool ok = false;
    {
        const QString query = QueryOverpass(n.terr, a, m_filtri);
        if (query.isEmpty()) {
            errore = QStringLiteral("area senza codice ISO 3166-2");
        } else {
            client.base = n.amb.servizi.overpass;
            n.c.lblTent.setCaption(QStringLiteral("*"));
            const ClientOverpass::Esito e = client.interroga(query, TimeoutOverpass(a.livello));
            n.c.lblTent.setCaption(QString());
            RispostaOverpass risposta;
            if (!e.ok)
                errore = e.errore;
            else if (LeggiRisposta(e.corpo, risposta, errore))
                ok = true;
            if (ok) esito = RecordDaRisposta(n.terr, a, risposta);
        }
    }
    if (av.bStop) return false;
    if (!ok) {
        areeMancanti << QStringLiteral("OpenStreetMap, ") + nomeArea + QStringLiteral(": ") + errore;
        return false;
    }
    Accoda(esito);
    return true;
}

bool SorgenteOsm::EstraiDaFile(const QString& file, const QVector<AreaOsm>& aree) {
    Avanzamento& av = n.av;
    av.DescrizioneFase = QStringLiteral("OpenStreetMap ") + n.stato.sCosa + QStringLiteral(" dal file: Regione ") +
                         n.terr.nomeRegione(aree.front().r);
    av.AggiornaPercentuale(n.stato.TotalePassi, n.stato.PassiEseguiti);
    n.c.lblTent.setCaption(QStringLiteral("*"));
    const LetturaEstratto l = LeggiEstratto(n.terr, file, aree, m_filtri, [this] {
        n.av.Cedi();
        return n.av.bStop;
    });
    n.c.lblTent.setCaption(QString());
    if (av.bStop) return false;
    if (!l.errore.isEmpty()) {
        areeMancanti << QStringLiteral("OpenStreetMap, Regione ") + n.terr.nomeRegione(aree.front().r) +
                            QStringLiteral(": ") + l.errore;
        return false;
    }
    Accoda(l.esito);
    return true;
}

void SorgenteOsm::Accoda(const EsitoArea& esito) {
    if (!esito.record.isEmpty() && !n.tab.attribuzioni.contains(TestoAttribuzione()))
        n.tab.attribuzioni << TestoAttribuzione();
    for (const Record& rec : esito.record) {
        if (n.tab.bTabellaPiena) break;  // not a row beyond the table's limit
        n.tab.AggiungiRecord(rec);
        ++recordAggiunti;
    }
    MostraAttribuzione();
    n.av.Cedi();
}

}  // namespace gm::osm
