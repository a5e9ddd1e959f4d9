#include "harvest/ricerca.h"

#include <QDir>

#include "app/ambiente.h"
#include "app/avanzamento.h"
#include "app/controlli.h"
#include "app/dialoghi.h"
#include "coords/coordinate.h"
#include "coords/risposte.h"
#include "geo/selezione.h"
#include "geo/territorio.h"
#include "harvest/letture.h"
#include "harvest/stato.h"
#include "io/file_testo.h"
#include "io/salvataggio.h"
#include "net/anticipo.h"
#include "net/pagina_web.h"
#include "net/servizi.h"
#include "net/testo.h"
#include "table/duplicati.h"
#include "table/tabella.h"

namespace gm {

using harvest::Annuncio;

namespace {
const QString kTutte = QStringLiteral("<Tutte>");
const QString kTutti = QStringLiteral("<Tutti>");
constexpr int kMaxProfondita = 8;

bool TuttiSelezionati(const Lista& l) { return l.count() > 0 && l.selectedCount() == l.count(); }

void Maiuscolo(Lista& l, int i) {
    if (i >= 0 && i < l.count()) l.setItem(i, l.item(i).toUpper());
}
void Normale(Lista& l, int i) {
    if (i >= 0 && i < l.count()) l.setItem(i, PrimoMaiuscoloDi(l.item(i)));
}
// The list back to its single entry "<Tutte>" / "<Tutti>", selected.
void Riporta(Lista& l, const QString& voce) {
    l.clear();
    l.addItem(voce);
    l.setSelected(0, true);
}
// Area-table index of the first entry whose name equals nome, ignoring case; 0 when none.
template <class Nome>
long Indice(int quanti, const QString& nome, Nome di) {
    for (int i = 1; i <= quanti; ++i)
        if (Uguale(di(i), nome)) return i;
    return 0;
}
// Offset text of result page k: "10" for page 2, "20" for page 3.
QString Offset(long k) { return QString::number(k - 1) + u'0'; }

// Puts a value in place for a scope and the previous one back after it.
template <class T>
class Temporaneo {
public:
    Temporaneo(T& v, T nuovo) : m_v(v), m_prima(std::move(v)) { m_v = std::move(nuovo); }
    ~Temporaneo() { m_v = std::move(m_prima); }
    Temporaneo(const Temporaneo&) = delete;
    Temporaneo& operator=(const Temporaneo&) = delete;

private:
    T& m_v;
    T m_prima;
};
}  // namespace

Ricerca::Ricerca(Nucleo& n, SelezioneAree& sel, Coordinate& coord, Duplicati& dup, Salvataggio& salva)
    : n(n), sel(sel), coord(coord), dup(dup), salva(salva) {}

void Ricerca::collega() {
    QObject::connect(&n.c.cmdCarica, &Pulsante::clicked, [this] { cmdCarica_Click(); });
    n.c.txtConnessioni.filtroTasti = [](int& k) {
        if (k > 31 && (k < '0' || k > '9')) k = 0;
    };
}

void Ricerca::Scarica(const QString& url) { n.web.EstrazionePaginadaInternet(url); }

void Ricerca::Registra(const Arrivo& a) {
    if (a.servizioMorto && resoconto.servizioMorto.isEmpty()) {
        const QString origine = Origine(a.url);
        QString indirizzo = origine;
        for (const QString& base : {n.amb.servizi.gialle, n.amb.servizi.bianche, n.amb.servizi.geocoder})
            if (Origine(base) == origine) indirizzo = base;
        resoconto.servizioMorto = MessaggioServizioMorto(NomiServizi(n.amb.servizi, origine), indirizzo);
        // Ends the run as a Stop would: what was found stays, and is saved as after a Stop.
        n.av.bStop = true;
    }
    if (!a.mancante()) return;
    if (m_passataFinale) {
        resoconto.aggiungi(QStringLiteral("coordinate a fine ricerca"), true);
        return;
    }
    resoconto.aggiungi(m_area.isEmpty() ? n.stato.sRegione : m_area, m_inCoordinate);
    if (!m_inCoordinate) {
        ++n.stato.nPagineMancantiRegione;
        ++n.stato.nPagineMancanti;
    }
}

void Ricerca::ErroreGrave() {
    salva.SalvaFile(0);
    n.av.bStop = true;
}

// ---------------------------------------------------------------------------------------------
// Driver

void Ricerca::cmdCarica_Click() {
    auto& c = n.c;
    auto& st = n.stato;
    try {
        QString cosa = c.txtCosa.text();
        c.txtCosa.setText(PrimoMaiuscolo(cosa));

        // The input is checked before the question about clearing the table, so that a run
        // refused for missing input has not already emptied it.
        const QString titolo = QStringLiteral("Errore!");
        const char* errore = nullptr;
        if (c.txtCosa.text().isEmpty())
            errore = "Occorre indicare una tipologia merceologica...";
        else if (c.lstRegioni.selectedCount() == 0)
            errore = "Occorre selezionare almeno una regione...";
        else if (c.lstProv.selectedCount() == 0)
            errore = "Occorre selezionare almeno una provincia...";
        else if (c.lstComuni.selectedCount() == 0)
            errore = "Occorre selezionare almeno un comune...";
        if (errore) {
            n.d.messaggio(QString::fromUtf8(errore), titolo, Icona::Critica);
            return;
        }
        if (controllaAltraFonte && !controllaAltraFonte()) return;

        if (c.optIntegr[0]->value()) {
            n.tab.EliminaRigheVuoteTabella();
            if (n.tab.nRecord != 0) {
                if (!n.d.domanda(QStringLiteral("Attenzione!!!\r\n\r\nI dati presenti in tabella saranno cancellati!\r\n\r\n"
                                                "Vuoi proseguire?"),
                                 QStringLiteral("Import dati da file"), Icona::Domanda))
                    return;
                n.tab.Svuota();
            }
        }
        n.tab.EliminaRigheVuoteTabella();
        st.sCosa = c.txtCosa.text();

        c.frmBase.setCaption(QStringLiteral("Geomerce: ") + c.txtCosa.text());
        ScriviImpostazioni();
        c.BloccaFrame(false);
        n.av.IndicaOccupato(true);
        n.av.bStop = false;
        if (mandaIndietro) mandaIndietro();
        c.tmrClock.start();
        n.tab.bTabellaPiena = false;
        CalcolaTotalePassi();
        st.PassiEseguiti = 0;
        n.av.InizioFase = Avanzamento::CalcolaSecondi();
        n.av.AggiornaPercentuale(st.TotalePassi, st.PassiEseguiti);
        st.sProvinceTutte = Uguale(c.lstProv.item(0), kTutte) ? kTutte : QString();
        st.sComuniTutti = Uguale(c.lstComuni.item(0), kTutti) ? kTutti : QString();
        for (int i = 0; i < c.lstRegioni.count(); ++i) Normale(c.lstRegioni, i);
    } catch (...) {
        ErroreGrave();
        return;
    }

    // Every request of the run reports here; the services start the run alive.
    resoconto = Resoconto{};
    st.nPagineMancantiRegione = st.nPagineMancanti = 0;
    m_area.clear();
    m_inCoordinate = m_passataFinale = false;
    n.web.salute.azzera();
    n.web.anticipo.massimo = n.c.Connessioni();
    Temporaneo<std::function<void(const Arrivo&)>> ascolto(n.web.esitoRichiesta,
                                                           [this](const Arrivo& a) { Registra(a); });
    try {
        Corsa();
    } catch (...) {
        ErroreGrave();
    }
    try {
        FineCorsa();
    } catch (...) {
        ErroreGrave();
        n.c.BloccaFrame(true);
        n.av.IndicaOccupato(false);
    }
    // A service dead for this run may be back for the next lookup the user asks for.
    n.web.salute.azzera();
}

void Ricerca::ScriviImpostazioni() {
    const QString percorso = n.amb.percorso(QStringLiteral("Geomerce.ini"));
    ScriviFileAtomico(percorso, CodificaWin1252(n.stato.sCosa + QStringLiteral("\r\n")));
}

void Ricerca::CalcolaTotalePassi() {
    auto& c = n.c;
    auto& st = n.stato;
    st.TotalePassi = 0;
    for (int i = 0; i < c.lstRegioni.count(); ++i) {
        if (!c.lstRegioni.selected(i)) continue;
        if (Uguale(c.lstProv.item(0), kTutte)) {
            st.TotalePassi += n.terr.numeroProvince(i + 1);
        } else {
            st.TotalePassi += c.lstProv.selectedCount();
            if (!Uguale(c.lstComuni.item(0), kTutti) && !TuttiSelezionati(c.lstComuni))
                st.TotalePassi += c.lstComuni.selectedCount();
        }
    }
}

void Ricerca::Corsa() {
    auto& c = n.c;
    auto& st = n.stato;
    auto& av = n.av;
    for (st.iListaRegioni = 0; st.iListaRegioni < c.lstRegioni.count(); ++st.iListaRegioni) {
        const int i = int(st.iListaRegioni);
        if (av.bStop) return;  // before the capitals: an entry never searched keeps its name
        Maiuscolo(c.lstRegioni, i);
        c.lstRegioni.setTopIndex(int(Maggiore(0, i - 3)));
        if (c.lstRegioni.selected(i)) {
            st.nRegione = Indice(n.terr.numeroRegioni(), c.lstRegioni.item(i),
                                 [&](int r) { return n.terr.nomeRegione(r); });
            st.nProvincia = 0;
            st.nComune = 0;
            st.nPagineMancantiRegione = 0;
            m_area.clear();
            st.sRegione = n.terr.nomeRegione(int(st.nRegione));
            c.txtRegione.setText(st.sRegione);
            st.sLocalita = st.sRegione;
            c.lblLocalita[1]->setCaption(QStringLiteral("Regione:"));
            c.txtProv.setText(QStringLiteral("**"));
            c.txtComune.setText(st.sLocalita);
            if (altraFonteRegione) altraFonteRegione();
            if (av.bStop) return;

            if (TuttiSelezionati(c.lstProv)) {
                av.DescrizioneFase = QStringLiteral("Ricerca ") + st.sCosa + QStringLiteral(" Regione: ") + st.sRegione;
                av.AggiornaPercentuale(st.TotalePassi, st.PassiEseguiti);
                EstrazionePerRegione();
                Riporta(c.lstProv, kTutte);
            } else {
                if (av.bStop) return;
                for (st.iListaProvince = 0; st.iListaProvince < c.lstProv.count(); ++st.iListaProvince) {
                    const int j = int(st.iListaProvince);
                    if (av.bStop) return;
                    Maiuscolo(c.lstProv, j);
                    if (c.lstProv.selected(j)) {
                        st.nProvincia = IndiceProvincia(c.lstProv.item(j));
                        st.nComune = 0;
                        st.sProvincia = n.terr.nomeProvincia(int(st.nRegione), int(st.nProvincia));
                        c.txtRegione.setText(st.sRegione);
                        st.sSiglaProvincia = n.terr.siglaProvincia(int(st.nRegione), int(st.nProvincia));
                        st.sLocalita = st.sSiglaProvincia;
                        m_area = st.sProvincia + QStringLiteral(" (") + st.sSiglaProvincia + u')';
                        c.lblLocalita[1]->setCaption(QStringLiteral("Provincia:"));
                        c.txtProv.setText(st.sSiglaProvincia);
                        c.txtComune.setText(st.sLocalita);
                        if (TuttiSelezionati(c.lstComuni)) {
                            if (av.bStop) return;
                            av.DescrizioneFase =
                                QStringLiteral("Ricerca ") + st.sCosa + QStringLiteral(" Provincia: ") + st.sProvincia;
                            // The province level counts each province it works itself; a second
                            // count here would take the progress past its total.
                            av.AggiornaPercentuale(st.TotalePassi, st.PassiEseguiti);
                            EstraiPerProvincia();
                            Riporta(c.lstComuni, kTutti);
                            if (av.bStop) return;
                        } else {
                            av.DescrizioneFase =
                                QStringLiteral("Ricerca ") + st.sCosa + QStringLiteral(" Comune: ") + st.sAppoggio;
                            ++st.PassiEseguiti;
                            av.AggiornaPercentuale(st.TotalePassi, st.PassiEseguiti);
                            if (c.chkRicerca[0]->value()) EstraiPerComune(0);
                            if (c.chkRicerca[1]->value()) EstraiPerComune(1);
                        }
                        if (av.bStop) return;
                    }
                    Normale(c.lstProv, j);
                }
            }
            if (!av.bStop) {
                c.lblTent.setCaption(QString());
                c.tmrClock.stop();
                av.EvidenziaOrigine(0, 0);
                dup.EliminaRigheDoppiePalesi();
                salva.SalvaFile(3);
                av.MinutiDaSalvataggio = 0;
                c.tmrClock.start();
            }
            c.lblAvanz.setCaption(QString(int(av.MinutiDaSalvataggio / 2.0 + 0.5), u'>'));
        }
        Normale(c.lstRegioni, i);
    }
}

void Ricerca::FineCorsa() {
    auto& c = n.c;
    auto& st = n.stato;
    auto& av = n.av;
    av.AggiornaPercentuale(0, 0);
    c.txtRegione.setText(QString());
    if (av.bStop) {
        c.lblTent.setCaption(QString());
        c.tmrClock.stop();
        av.EvidenziaOrigine(0, 0);
        dup.EliminaRigheDoppiePalesi();
    }
    c.tmrClock.stop();
    c.lblTent.setCaption(QString());
    av.EvidenziaOrigine(0, 0);
    if (st.sProvinceTutte == kTutte) Riporta(c.lstProv, kTutte);
    if (st.sComuniTutti == kTutti) Riporta(c.lstComuni, kTutti);
    if (!av.bStop) {
        // The pass asks the directories' services: a run of OpenStreetMap alone needs none of them.
        if (c.chkRicerca[0]->value() || c.chkRicerca[1]->value()) {
            Temporaneo<bool> finale(m_passataFinale, true);
            coord.CompletaCoordinateMancanti(0);
        }
        av.EvidenziaOrigine(0, 0);
        salva.SalvaFile(4);
    }
    av.AggiornaPercentuale(0, 0);
    c.lblLocalita[1]->setCaption(QStringLiteral("Comune:"));
    av.IndicaOccupato(false);
    // "Elaborazione terminata" alone means that every page arrived.
    const bool morto = !resoconto.servizioMorto.isEmpty();
    QString finale = resoconto.messaggioFinale(av.bStop);
    // A stopped run writes no end-of-run file: the records found are only in the table.
    if ((av.bStop || morto) && n.tab.nRecord > 0)
        finale += QStringLiteral("\r\n\r\n") +
                  QStringLiteral("I %1 record della tabella non sono ancora salvati: usare \"Salva\".").arg(n.tab.nRecord);
    n.d.messaggio(finale, morto ? QStringLiteral("Errore!") : QString(),
                  morto ? Icona::Critica : resoconto.totale() > 0 ? Icona::Esclamazione : Icona::Nessuna);
    av.bStop = false;
    const QString cosa = c.txtCosa.text();
    c.txtCosa.setText(QStringLiteral("*"));
    c.txtCosa.setText(cosa);
    c.BloccaFrame(true);
}

// ---------------------------------------------------------------------------------------------
// Area walk

QString Ricerca::UrlProvincia(long Estrazione) const {
    const auto& st = n.stato;
    if (Estrazione == 0)
        return n.amb.servizi.gialle + QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=k&ind=&nc=&qs=") + st.sCosa +
               QStringLiteral("&dv=") + st.sSiglaProvincia + QStringLiteral("&x=37&y=14");
    return n.amb.servizi.bianche + QStringLiteral("/execute.cgi?btt=1&tl=2&tr=101&tc=&cb=&tq=2&qs=") + st.sCosa +
           QStringLiteral("&qsn=&dv=") + st.sSiglaProvincia + QStringLiteral("&ind=&nc=");
}

QString Ricerca::UrlComune(long Estrazione) const {
    const auto& st = n.stato;
    if (Estrazione == 0)
        return n.amb.servizi.gialle + QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=0&ind=&nc=&qs=") + st.sCosa +
               QStringLiteral("&dv=") + st.sLocalita;
    return n.amb.servizi.bianche + QStringLiteral("/execute.cgi?btt=1&tl=2&tr=101&tc=&cb=&tq=2&qs=") + st.sCosa +
           QStringLiteral("&qsn=&dv=") + st.sLocalita + QStringLiteral("&ind=&nc=");
}

long Ricerca::IndiceProvincia(const QString& nome) const {
    const int r = int(n.stato.nRegione);
    return Indice(n.terr.numeroProvince(r), nome, [&](int p) { return n.terr.nomeProvincia(r, p); });
}

void Ricerca::EstrazionePerRegione() {
    auto& st = n.stato;
    st.sRegione = n.terr.nomeRegione(int(st.nRegione));
    st.sLocalita = st.sRegione;
    n.c.txtRegione.setText(st.sLocalita);
    n.c.txtProv.setText(QStringLiteral("**"));
    n.c.txtComune.setText(st.sLocalita);
    n.av.Cedi();
    n.av.DescrizioneFase = QStringLiteral("Ricerca ") + st.sCosa + QStringLiteral(" Regione: ") + st.sRegione;
    st.nPagine = 99;  // a region always counts as over the cap
    st.sProvinceTutte = kTutte;
    sel.CaricaListaProvince(st.nRegione);
    EstraiPerProvincia();
}

void Ricerca::EstraiPerProvincia() {
    auto& c = n.c;
    auto& st = n.stato;
    auto& av = n.av;
    c.lblLocalita[1]->setCaption(QStringLiteral("Provincia:"));
    for (st.iListaProvince = 0; st.iListaProvince < c.lstProv.count(); ++st.iListaProvince) {
        const int j = int(st.iListaProvince);
        c.lstProv.setTopIndex(j);
        Maiuscolo(c.lstProv, j);
        if (c.lstProv.selected(j)) {
            st.nProvincia = IndiceProvincia(c.lstProv.item(j));
            st.sProvincia = n.terr.nomeProvincia(int(st.nRegione), int(st.nProvincia));
            st.sSiglaProvincia = n.terr.siglaProvincia(int(st.nRegione), int(st.nProvincia));
            m_area = st.sProvincia + QStringLiteral(" (") + st.sSiglaProvincia + u')';
            c.lstProv.setListIndex(j);
            c.lstProv.setSelected(j, false);
            c.lstProv.setSelected(j, true);
            st.sLocalita = st.sSiglaProvincia;
            c.txtProv.setText(st.sSiglaProvincia);
            c.txtComune.setText(st.sProvincia);
            if (av.bStop) return;
            ++st.PassiEseguiti;
            av.DescrizioneFase = QStringLiteral("Ricerca ") + st.sCosa + QStringLiteral(" Provincia: ") + st.sLocalita;
            av.AggiornaPercentuale(st.TotalePassi, st.PassiEseguiti);

            if (c.chkRicerca[0]->value()) {
                c.lblLocalita[1]->setCaption(QStringLiteral("Provincia:"));
                c.txtComune.setText(st.sProvincia);
                if (!ProvinciaNellElenco(0)) return;
            }
            if (c.chkRicerca[1]->value()) {
                c.lstProv.setSelected(j, false);
                c.lstProv.setSelected(j, true);
                c.lblLocalita[1]->setCaption(QStringLiteral("Provincia:"));
                c.txtComune.setText(st.sProvincia);
                if (av.bStop) return;
                st.sLocalita = st.sSiglaProvincia;
                if (!ProvinciaNellElenco(1)) return;
            }
        }
        Normale(c.lstProv, j);
        if (n.tab.bTabellaPiena) MessaggioTabellaPiena();
    }
}

bool Ricerca::ProvinciaNellElenco(long Estrazione) {
    auto& st = n.stato;
    Scarica(UrlProvincia(Estrazione));
    RilevaNumeroPagine();
    if (n.av.bStop) return false;
    if (st.nPagine > 19) {
        st.sComuniTutti = kTutti;
        sel.CaricaListaComuni(st.nRegione, st.nProvincia);
        EstraiPerComune(Estrazione);
        n.c.lblLocalita[1]->setCaption(QStringLiteral("Provincia:"));
        n.c.txtComune.setText(st.sProvincia);
    } else if (st.nPagine != 0) {
        if (Estrazione == 0)
            EstraiPuntiInteressePagineGialle(2);
        else
            EstraiPuntiInteressePagineBianche(2);
    }
    return !n.av.bStop;
}

void Ricerca::EstraiPerComune(long Estrazione) {
    auto& c = n.c;
    auto& st = n.stato;
    auto& av = n.av;
    c.lblLocalita[1]->setCaption(QStringLiteral("Comune:"));
    Temporaneo<QString> area(m_area, m_area);
    for (st.iListaComuni = 0; st.iListaComuni < c.lstComuni.count(); ++st.iListaComuni) {
        const int k = int(st.iListaComuni);
        c.lstComuni.setTopIndex(int(Maggiore(0, k - 3)));
        Maiuscolo(c.lstComuni, k);
        if (c.lstComuni.selected(k)) {
            const int r = int(st.nRegione), p = int(st.nProvincia);
            st.nComune = Indice(n.terr.numeroComuni(r, p), c.lstComuni.item(k),
                                [&](int m) { return n.terr.nomeComune(r, p, m); });
            st.sAppoggio = n.terr.nomeComune(r, p, int(st.nComune));
            st.sCapComune = n.terr.capComune(r, p, int(st.nComune));
            st.sLocalita = st.sAppoggio;
            m_area = st.sAppoggio + QStringLiteral(" (") + st.sSiglaProvincia + u')';
            c.txtComune.setText(st.sLocalita);
            av.DescrizioneFase = QStringLiteral("Ricerca ") + st.sCosa + QStringLiteral(" Comune: ") + st.sLocalita;
            av.AggiornaPercentuale(st.TotalePassi, st.PassiEseguiti);
            if (av.bStop) return;
            if (st.nComune == 0) {
                // An entry that names no municipality of this province: nothing to ask for.
                Normale(c.lstComuni, k);
                continue;
            }
            Scarica(UrlComune(Estrazione));
            if (av.bStop) return;
            RilevaNumeroPagine();
            if (av.bStop) return;
            if (Estrazione == 0) {
                if (st.nPagine != 0) EstraiPuntiInteressePagineGialle(3);
                if (st.nPagine > 19) {
                    EstraiPerCodiceCap();
                    c.lblLocalita[1]->setCaption(QStringLiteral("Comune:"));
                    c.txtComune.setText(st.sAppoggio);
                }
            } else {
                if (st.nPagine != 0) EstraiPuntiInteressePagineBianche(3);
                if (!c.chkRicerca[0]->value() && st.nPagine > 19) EstraiPerCodiceCap();
            }
        }
        Normale(c.lstComuni, k);
        if (n.tab.bTabellaPiena) MessaggioTabellaPiena();
    }
}

void Ricerca::MessaggioTabellaPiena() {
    n.d.messaggio(QStringLiteral("Tabella Piena!\r\n\r\nL'elaborazione sarà terminata.\r\n"
                                 "Prendere nota del punto raggiunto e procedere con una nuova\r\n"
                                 "ricerca a partire da questo punto.\r\n(Rinominare questo file prima di proseguire)."),
                  QStringLiteral("Tabella Piena"), Icona::Critica);
    n.stato.iListaComuni = n.c.lstComuni.count();
    n.stato.iListaRegioni = n.c.lstRegioni.count();
    n.stato.iListaProvince = n.c.lstProv.count();
}

// ---------------------------------------------------------------------------------------------
// Page count and postal-code level

void Ricerca::RilevaNumeroPagine() {
    if (m_profondita == 0) {
        m_seguiti.clear();
        m_divisi.clear();
    }
    ++m_profondita;
    try {
        Conta();
    } catch (...) {
        ErroreGrave();
    }
    --m_profondita;
}

void Ricerca::Conta() {
    auto& c = n.c;
    auto& st = n.stato;
    const QString& pagina = n.web.sTestoPagina;
    if (InStr(pagina, QStringLiteral("seleziona quella in cui")) > 0 ||
        InStr(pagina, QStringLiteral("Non sono stati trovati operatori in questo comune")) > 0) {
        st.nPaginaCorrente = 0;
        st.nPagine = 0;
        return;
    }
    const int r = int(st.nRegione), p = int(st.nProvincia), m = int(st.nComune);
    if (InStr(pagina, QStringLiteral("risultati contenenti")) > 0) {
        long pagine = 0;
        const QString modello = harvest::ModelloElencoLuoghi(pagina, n.amb.servizi.gialle, pagine);
        QStringList voci;
        // A list without a counter is still read on the page in hand.
        for (long k = 1; k <= std::max(1L, pagine); ++k) {
            if (k > 1) {
                if (modello.isEmpty()) break;
                c.lblTent.setCaption(QStringLiteral("^^^"));
                Scarica(QString(modello).replace(u'*', Offset(k)));
            }
            harvest::RaccogliLuoghi(n.web.sTestoPagina, voci);
        }
        c.lblTent.setCaption(QStringLiteral("*"));
        const QString obiettivo = harvest::ScegliLuogo(voci, n.terr.nomeRegione(r), n.terr.nomeProvincia(r, p),
                                                       n.terr.siglaProvincia(r, p),
                                                       m >= 1 ? n.terr.nomeComune(r, p, m) : QString());
        if (!obiettivo.isEmpty()) {
            const QString url = n.amb.servizi.gialle + obiettivo;
            if (!m_seguiti.contains(url) && m_profondita < kMaxProfondita) {
                m_seguiti.insert(url);
                Scarica(url);
                RilevaNumeroPagine();
            }
        }
    } else if (InStr(pagina, QStringLiteral("non è stata riconosciuta")) > 0) {
        const QString nome = (m != 0 ? n.terr.nomeComune(r, p, m) : n.terr.nomeProvincia(r, p)).trimmed();
        if (!c.lblLocalita[1]->caption().startsWith(QStringLiteral("CAP:"), Qt::CaseInsensitive) &&
            nome.contains(u' ') && !m_divisi.contains(nome.toLower()) && m_profondita < kMaxProfondita) {
            m_divisi.insert(nome.toLower());
            for (const QString& parola : nome.split(u' ', Qt::SkipEmptyParts)) {
                st.sLocalita = parola;
                c.txtComune.setText(parola);
                Scarica(n.amb.servizi.gialle + QStringLiteral("/pg/cgi/pgsearch.cgi?l=1&cb=0&ts=1&btt=1&qs=") + st.sCosa +
                        QStringLiteral("&of=39856&dv=") + parola);
                RilevaNumeroPagine();
            }
        }
    }
    const harvest::Contatore conta = harvest::LeggiContatore(n.web.sTestoPagina);
    st.nPaginaCorrente = std::min(conta.corrente, harvest::kMaxPagine);
    st.nPagine = std::min(conta.pagine, harvest::kMaxPagine);
    c.txtPag[0]->setText(QString::number(st.nPaginaCorrente));
    c.txtPag[1]->setText(QString::number(st.nPagine));
}

void Ricerca::EstraiPerCodiceCap() {
    auto& c = n.c;
    auto& st = n.stato;
    c.lblLocalita[1]->setCaption(QStringLiteral("CAP:Comune"));
    const QString fine = Right(st.sCapComune, 2);
    int da = 0, a = 99;
    if (fine != u"00") {
        bool ok = false;
        da = a = fine.toInt(&ok);
        if (!ok) return;  // a postal code that is not a number gives no query
    }
    Temporaneo<QString> area(m_area, m_area);
    for (int k = da; k <= a; ++k) {
        st.sLocalita = Left(st.sCapComune, 3) + QStringLiteral("%1").arg(k, 2, 10, QChar(u'0'));
        m_area = st.sLocalita + u' ' + st.sAppoggio + QStringLiteral(" (") + st.sSiglaProvincia + u')';
        c.txtComune.setText(st.sLocalita + u':' + st.sAppoggio);
        Scarica(n.amb.servizi.gialle + QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&ts=1&l=1&cb=0&ind=&nc=&qs=") + st.sCosa +
                QStringLiteral("&dv=") + st.sLocalita);
        if (n.av.bStop) break;
        RilevaNumeroPagine();
        n.av.EvidenziaOrigine(0, 1);
        if (st.nPagine != 0) EstraiPuntiInteressePagineGialle(4);
        if (n.tab.bTabellaPiena) {
            MessaggioTabellaPiena();
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Extractors

bool Ricerca::Accoda(const Annuncio& a) {
    Record rec;
    for (int k = 0; k < kColonne; ++k) rec[k] = PrimoMaiuscoloDi(a.campi[k]);
    const long sopra = n.tab.nRecord;
    bool ripetuto = sopra >= 1;
    for (int k = 1; k <= 5 && ripetuto; ++k)
        if (!Uguale(n.tab.mfgTab.text(int(sopra), k), rec[k])) ripetuto = false;
    const long riga = n.tab.AggiungiRecord(rec);
    if (ripetuto) {
        // The same listing as the one above: it takes no row, and leaves nothing behind.
        n.tab.scriviRecord(riga, Record{});
        --n.tab.nRecord;
        n.c.txtRec.setText(QString::number(n.tab.nRecord));
    }
    return !ripetuto;
}

QString Ricerca::UrlMappaGialle(const QString& W) const {
    const QString query = harvest::MappaAnnuncioGialle(W, n.stato.sSiglaProvincia);
    return query.isEmpty() ? QString() : n.amb.servizi.gialle + QStringLiteral("/pg/cgi/mappe/build_map.cgi?") + query;
}

QString Ricerca::UrlMappaBianche(const QString& W) const {
    const QString link = harvest::MappaAnnuncioBianche(W);
    return link.isEmpty() ? QString() : coords::UnisciIndirizzo(n.amb.servizi.bianche, link);
}

void Ricerca::EstraiPuntiInteressePagineGialle(long Livello) {
    const QString modello = n.stato.nPagine > 1
                                ? harvest::ModelloPagineGialle(n.web.sTestoPagina, n.amb.servizi.gialle)
                                : QString();
    Estrai(
        [&](long k) -> std::optional<QString> {
            if (k == 1) return QString();  // the page in hand
            if (modello.isEmpty()) return std::nullopt;
            return QString(modello).replace(u'*', Offset(k));
        },
        [&](QString& W, Annuncio& a) { return harvest::AnnuncioGialle(W, n.stato.sSiglaProvincia, Livello, a); },
        MemoriaCoordinate::Fonte::MappaGialle, [this](const QString& W) { return UrlMappaGialle(W); });
}

void Ricerca::EstraiPuntiInteressePagineBianche(long Livello) {
    // Every page of a query of several pages is asked for by its offset, the first one too.
    const QString coda = n.stato.nPagine > 1 ? harvest::CodaPagineBianche(n.web.sTestoPagina) : QString();
    Estrai(
        [&](long k) -> std::optional<QString> {
            if (n.stato.nPagine <= 1) return QString();
            return n.amb.servizi.bianche + QStringLiteral("/execute.cgi?be=") + Offset(k) + coda;
        },
        [&](QString& W, Annuncio& a) { return harvest::AnnuncioBianche(W, n.stato.sSiglaProvincia, Livello, a); },
        MemoriaCoordinate::Fonte::MappaBianche, [this](const QString& W) { return UrlMappaBianche(W); });
}

namespace {
// Bookings of a result page come before those of the listings read on the page before it, and
// after those of the listings of the page in hand.
constexpr qint64 kPrioritaPagina = 100000;
qint64 PrioritaAnnuncio(long pagina, size_t j) { return qint64(pagina) * kPrioritaPagina + 1 + qint64(j); }

Record RecordDi(const Annuncio& a) {
    Record rec;
    for (int k = 0; k < kColonne; ++k) rec[k] = PrimoMaiuscoloDi(a.campi[k]);
    return rec;
}
}  // namespace

void Ricerca::Pianifica(long pagina, size_t da) {
    auto& g = n.tab.mfgTab;
    const long ultima = n.tab.nRecord;
    // The listing before: the last row of the table, final as far as its telephone goes (no
    // lookup rewrites a telephone), so a different telephone means "not the same listing again".
    QString telefono = ultima >= 1 ? g.text(int(ultima), kTelefono) : QString();
    // Keys of the listings whose lookup has not ended: a later listing with the same key may find
    // its position in the memory once they have, so it is not run ahead.
    QVector<MemoriaCoordinate::Chiave> aperte;
    if (da > 0 && ultima >= 1)
        aperte << MemoriaCoordinate::ChiaveDi(telefono, g.text(int(ultima), kIndirizzo), g.text(int(ultima), kCap));
    long righe = ultima;
    for (size_t j = da; j < m_annunci.size(); ++j) {
        const Annuncio& a = m_annunci[j].annuncio;
        if (!a.preso) continue;
        const Record rec = RecordDi(a);
        if (righe >= 1 && Uguale(rec[kTelefono], telefono)) break;  // maybe the same listing again: wait
        if (++righe > TabellaRecord::kMaxRecord) break;
        const auto chiave = MemoriaCoordinate::ChiaveDi(rec[kTelefono], rec[kIndirizzo], rec[kCap]);
        if (chiave.valida() && aperte.contains(chiave)) break;
        aperte << chiave;
        telefono = rec[kTelefono];
        auto& catena = m_annunci[j].catena;
        if (catena) continue;
        catena = std::make_shared<Coordinate::Catena>();
        catena->record = rec;
        catena->fonte = m_fonte;
        catena->urlMappa = m_annunci[j].urlMappa;
        catena->priorita = PrioritaAnnuncio(pagina, j);
        coord.Anticipa(catena);
    }
}

void Ricerca::Estrai(const std::function<std::optional<QString>(long)>& indirizzoPagina,
                     const std::function<bool(QString&, harvest::Annuncio&)>& annuncio, MemoriaCoordinate::Fonte fonte,
                     const std::function<QString(const QString&)>& urlMappa) {
    auto& c = n.c;
    auto& st = n.stato;
    auto& anticipo = n.web.anticipo;
    m_fonte = fonte;
    // Whatever way the pages end, nothing booked for them stays in flight.
    struct Chiusura {
        Ricerca& r;
        ~Chiusura() {
            r.n.web.anticipo.annulla();
            r.m_annunci.clear();
        }
    } chiusura{*this};
    try {
        const long ultima = std::min(st.nPagine, harvest::kMaxPagine);
        for (long k = std::max(1L, st.nPaginaCorrente); k <= ultima; ++k) {
            c.txtPag[0]->setText(QString::number(k));
            const std::optional<QString> url = indirizzoPagina(k);
            if (!url) break;
            if (!url->isEmpty()) Scarica(*url);
            QString W = n.web.sTestoPagina;

            // What the page will surely make the walk ask for: the lookups of its listings, then
            // the next page.
            const bool avanti = anticipo.attivo() && !n.av.bStop;
            m_annunci.clear();
            long nuovi = 0;
            if (avanti) {
                QString resto = W;
                Annuncio a;
                while (annuncio(resto, a) && !a.fine) {
                    m_annunci.push_back({a, a.preso ? urlMappa(resto) : QString(), {}});
                    nuovi += a.preso;
                }
                if (c.chkCoord.value()) Pianifica(k, 0);
            }
            // The next page, unless this one may fill the table.
            if (avanti && k < ultima && n.tab.nRecord + nuovi <= TabellaRecord::kMaxRecord)
                if (const auto dopo = indirizzoPagina(k + 1); dopo && !dopo->isEmpty())
                    anticipo.prenota(*dopo, qint64(k + 1) * kPrioritaPagina);

            size_t j = 0;
            Annuncio a;
            for (; annuncio(W, a); ++j) {
                if (a.fine) break;
                if (a.preso) {
                    if (n.av.bStop) return;
                    if (Accoda(a) && c.chkCoord.value()) {
                        Temporaneo<bool> perCoordinate(m_inCoordinate, true);
                        if (j < m_annunci.size()) {
                            if (const auto& catena = m_annunci[j].catena) catena->inCorso = true;
                            Pianifica(k, j + 1);
                        }
                        coord.MappaAnnuncio(n.tab.nRecord, fonte, urlMappa(W));
                    }
                }
                if (n.av.bStop) return;
                if (n.tab.bTabellaPiena) return;  // not a row beyond the table's limit
            }
            n.av.Cedi();
        }
        c.txtPag[0]->setText(QStringLiteral("0"));
        c.txtPag[1]->setText(QStringLiteral("0"));
    } catch (...) {
        ErroreGrave();
    }
}

}  // namespace gm
