#include "geo/selezione.h"

#include "app/controlli.h"
#include "geo/territorio.h"

namespace gm {

namespace {
const QString kTutte = QStringLiteral("<Tutte>");
const QString kTutti = QStringLiteral("<Tutti>");

int primoSelezionato(const Lista& l) {
    for (int i = 0; i < l.count(); ++i)
        if (l.selected(i)) return i;
    return -1;
}

// Sets every entry from the last down to the first; each change notifies the list's handler.
void selezionaTutto(Lista& l, bool s) {
    for (int i = l.count() - 1; i >= 0; --i) l.setSelected(i, s);
}
}  // namespace

SelezioneAree::SelezioneAree(Controlli& c, const Territorio& terr) : c(c), terr(terr) {}

void SelezioneAree::collega() {
    QObject::connect(&c.lstRegioni, &Lista::selezioneCambiata, [this] { lstRegioni_Click(); });
    QObject::connect(&c.lstProv, &Lista::selezioneCambiata, [this] { lstProv_Click(); });
    QObject::connect(&c.txtCosa, &CasellaTesto::change, [this] { txtCosa_Change(); });
    c.txtCosa.filtroTasti = [this](int& ascii) { txtCosa_keypress(ascii); };
    for (int i = 0; i < int(c.cmdSelez.size()); ++i)
        QObject::connect(c.cmdSelez[i], &Pulsante::clicked, [this, i] { cmdSelez_Click(i); });
}

void SelezioneAree::lstRegioni_Click() {
    AggiornaProvincie(c.lstRegioni.listIndex());
    AggiornaPulsanteRicerca();
}

void SelezioneAree::lstProv_Click() { AggiornaComuni(); }

void SelezioneAree::AggiornaPulsanteRicerca() {
    c.cmdCarica.setEnabled(false);
    if (!c.txtCosa.text().isEmpty() && c.lstRegioni.selectedCount() > 0) c.cmdCarica.setEnabled(true);
}

void SelezioneAree::AggiornaProvincie(int) {
    // Selections made here notify lstProv_Click, which rebuilds the municipalities before the
    // call returns; the guards keep a rebuild from ever nesting inside itself.
    if (m_inProvince) return;
    m_inProvince = true;
    c.lstProv.clear();
    c.cmdSelez[3]->setEnabled(true);
    const int n = c.lstRegioni.selectedCount();
    if (n == 0) {
        c.lstProv.clear();
        c.lstComuni.clear();
    } else if (n == 1) {
        for (int i = 0; i < c.lstRegioni.count(); ++i) {
            if (!c.lstRegioni.selected(i)) continue;
            for (int p = 1; p <= Territorio::kMaxProvince; ++p) {
                const QString& nome = terr.nomeProvincia(i + 1, p);
                if (nome.isEmpty()) break;
                c.lstProv.addItem(nome);
            }
        }
    } else {
        c.lstProv.clear();
        c.lstProv.addItem(kTutte);
        c.lstProv.setSelected(0, true);
        c.cmdSelez[3]->setEnabled(false);
    }
    m_inProvince = false;
}

void SelezioneAree::AggiornaComuni() {
    if (m_inComuni) return;
    m_inComuni = true;
    c.lstComuni.clear();
    c.cmdSelez[5]->setEnabled(true);
    const int n = c.lstProv.selectedCount();
    if (n == 0) {
        c.lstComuni.clear();
    } else if (n == 1) {
        if (c.lstProv.item(0).compare(kTutte, Qt::CaseInsensitive) != 0) {
            const int i = primoSelezionato(c.lstRegioni);
            const int j = primoSelezionato(c.lstProv);
            const int r = i + 1, p = j + 1;
            const int quanti = terr.numeroComuni(r, p);
            for (int k = 1; k <= quanti; ++k) {
                const QString& nome = terr.nomeComune(r, p, k);
                if (!nome.isEmpty()) c.lstComuni.addItem(nome);
            }
        } else {
            c.lstComuni.addItem(kTutti);
            c.lstComuni.setSelected(0, true);
            c.cmdSelez[5]->setEnabled(false);
        }
    } else {
        c.lstComuni.clear();
        c.lstComuni.addItem(kTutti);
        c.lstComuni.setSelected(0, true);
        c.cmdSelez[5]->setEnabled(false);
    }
    m_inComuni = false;
}

void SelezioneAree::cmdSelez_Click(int index) {
    Lista* liste[3] = {&c.lstRegioni, &c.lstProv, &c.lstComuni};
    if (index < 0 || index > 5) return;
    selezionaTutto(*liste[index / 2], index % 2 == 0);
}

void SelezioneAree::txtCosa_Change() { AggiornaPulsanteRicerca(); }

void SelezioneAree::txtCosa_keypress(int& ascii) {
    if (ascii > 31) {
        const QString ch = QString(QChar(char16_t(ascii))).toLower();
        if (!QStringLiteral(" abcdefghijklmnopqrstuvwxyz0123456789,").contains(ch)) ascii = 0;
    }
}

void SelezioneAree::CaricaListaProvince(long nRegione) {
    c.lstProv.clear();
    const int quante = terr.numeroProvince(int(nRegione));
    for (int p = 1; p <= quante; ++p) c.lstProv.addItem(terr.nomeProvincia(int(nRegione), p));
    selezionaTutto(c.lstProv, true);
}

void SelezioneAree::CaricaListaComuni(long nRegione, long nProvincia) {
    c.lstComuni.clear();
    const int quanti = terr.numeroComuni(int(nRegione), int(nProvincia));
    for (int k = 1; k <= quanti; ++k) c.lstComuni.addItem(terr.nomeComune(int(nRegione), int(nProvincia), k));
    selezionaTutto(c.lstComuni, true);
}

}  // namespace gm
