#include "app/modifiche.h"

#include <algorithm>

#include "table/tabella.h"

namespace gm {

QHash<QString, int> RecordSalvati::Conta() const {
    QHash<QString, int> conta;
    const Griglia& g = tab.mfgTab;
    for (int r = 1; r < g.rows(); ++r) {
        if (g.text(r, kNome).isEmpty()) continue;  // a nameless row is no record
        QString chiave;
        for (int k = 0; k < kColonne; ++k) chiave += g.text(r, k) + u'\t';
        ++conta[chiave];
    }
    return conta;
}

void RecordSalvati::Ricorda() { m_salvati = Conta(); }

long RecordSalvati::NonSalvati() const {
    const QHash<QString, int> ora = Conta();
    long aggiunti = 0, tolti = 0;
    for (auto it = ora.cbegin(); it != ora.cend(); ++it) aggiunti += std::max(0, it.value() - m_salvati.value(it.key()));
    for (auto it = m_salvati.cbegin(); it != m_salvati.cend(); ++it) tolti += std::max(0, it.value() - ora.value(it.key()));
    return std::max(aggiunti, tolti);
}

}  // namespace gm
