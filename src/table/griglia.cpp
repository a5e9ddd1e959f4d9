#include "table/griglia.h"

#include <algorithm>
#include <vector>

namespace gm {

namespace {
const QString kVuoto;
}

Griglia::Griglia(QString nome, QObject* parent) : QAbstractTableModel(parent), m_nome(std::move(nome)) {
    m_celle.resize(1);
}

void Griglia::inizioModifiche() {
    if (m_modifiche++ == 0) beginResetModel();
}

void Griglia::fineModifiche() {
    if (m_modifiche > 0 && --m_modifiche == 0) endResetModel();
}

void Griglia::setRows(int n) {
    if (n < 0) n = 0;
    const int vecchie = rows();
    if (n == vecchie) return;
    const bool notifica = m_modifiche == 0;
    // View rows are data rows (grid row - 1).
    if (n > vecchie) {
        if (notifica) beginInsertRows({}, std::max(vecchie - 1, 0), n - 2);
        m_celle.resize(n);
        for (int r = vecchie; r < n; ++r) m_celle[r].resize(m_cols);
        if (notifica) endInsertRows();
    } else {
        if (notifica && std::max(n, 1) <= vecchie - 1) beginRemoveRows({}, std::max(n - 1, 0), vecchie - 2);
        m_celle.resize(n);
        if (notifica && std::max(n, 1) <= vecchie - 1) endRemoveRows();
    }
    if (m_top >= std::max(rows(), 2)) m_top = std::max(rows() - 1, 1);
}

void Griglia::setCols(int n) {
    if (n < 0) n = 0;
    if (n == m_cols) return;
    inizioModifiche();
    m_cols = n;
    for (auto& r : m_celle) r.resize(n);
    m_larghezze.resize(n);
    m_allineamenti.resize(n);
    for (int c = 0; c < n; ++c)
        if (m_allineamenti[c] == 0) m_allineamenti[c] = Sinistra;
    fineModifiche();
    emit larghezzeCambiate();
}

const QString& Griglia::text(int r, int c) const {
    if (r < 0 || r >= rows() || c < 0 || c >= m_cols) return kVuoto;
    return m_celle[r][c];
}

void Griglia::setText(int r, int c, const QString& t) {
    if (r < 0 || r >= rows() || c < 0 || c >= m_cols) return;
    QString& cella = m_celle[r][c];
    if (cella == t) return;
    cella = t;
    if (m_modifiche) return;
    if (r == 0) {
        emit headerDataChanged(Qt::Horizontal, c, c);
    } else {
        const QModelIndex i = index(r - 1, c);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
}

void Griglia::setRiga(int r, const QVector<QString>& celle) {
    if (r < 0 || r >= rows()) return;
    QVector<QString>& riga = m_celle[r];
    for (int c = 0; c < m_cols; ++c) riga[c] = c < celle.size() ? celle[c] : QString();
    if (m_modifiche || r == 0) {
        if (r == 0 && !m_modifiche) emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
        return;
    }
    emit dataChanged(index(r - 1, 0), index(r - 1, m_cols - 1), {Qt::DisplayRole});
}

void Griglia::setColWidth(int c, int twips) {
    if (c < 0 || c >= m_cols) return;
    m_larghezze[c] = twips;
    emit larghezzeCambiate();
}

void Griglia::setColAlignment(int c, int codice) {
    if (c < 0 || c >= m_cols) return;
    m_allineamenti[c] = codice;
}

void Griglia::setTopRow(int r) {
    r = std::clamp(r, 1, std::max(rows() - 1, 1));
    if (r == m_top) return;
    m_top = r;
    emit topCambiato(r);
}

void Griglia::setSelezione(int r, int c, int r2, int c2) {
    row = r;
    col = c;
    rowSel = r2;
    colSel = c2;
    emit selezioneCambiata();
}

void Griglia::ordina(int r1, int r2, int c, int tipo) {
    r1 = std::max(r1, 1);
    r2 = std::min(r2, rows() - 1);
    if (r2 <= r1 || c < 0 || c >= m_cols) return;
    inizioModifiche();
    auto inizio = m_celle.begin() + r1;
    auto fine = m_celle.begin() + r2 + 1;
    if (tipo == CrescenteCase) {
        std::stable_sort(inizio, fine, [c](const QVector<QString>& a, const QVector<QString>& b) {
            return QString::compare(a[c], b[c], Qt::CaseSensitive) < 0;
        });
    } else {
        // Fold each key once; comparing folded texts equals the case-insensitive comparison.
        struct Chiave {
            QString testo;
            int riga;
        };
        std::vector<Chiave> chiavi;
        chiavi.reserve(std::size_t(r2 - r1 + 1));
        for (int r = r1; r <= r2; ++r) chiavi.push_back({m_celle[r][c].toCaseFolded(), r});
        const bool decrescente = tipo == DecrescenteNoCase;
        std::stable_sort(chiavi.begin(), chiavi.end(), [decrescente](const Chiave& a, const Chiave& b) {
            const int k = QString::compare(a.testo, b.testo, Qt::CaseSensitive);
            return decrescente ? k > 0 : k < 0;
        });
        QVector<QVector<QString>> ordinate;
        ordinate.reserve(r2 - r1 + 1);
        for (const Chiave& k : chiavi) ordinate.append(std::move(m_celle[k.riga]));
        std::move(ordinate.begin(), ordinate.end(), inizio);
    }
    fineModifiche();
}

void Griglia::setVisible(bool v) {
    if (m_visible == v) return;
    m_visible = v;
    emit visibilitaCambiata(v);
}

int Griglia::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(rows() - 1, 0);
}

int Griglia::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_cols; }

QVariant Griglia::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int r = index.row() + 1;
    const int c = index.column();
    if (role == Qt::DisplayRole || role == Qt::EditRole) return text(r, c);
    if (role == Qt::TextAlignmentRole) {
        switch (colAlignment(c)) {
        case Centro: return int(Qt::AlignHCenter | Qt::AlignVCenter);
        case Destra: return int(Qt::AlignRight | Qt::AlignTop);
        default: return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    return {};
}

QVariant Griglia::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal) return text(0, section);
    return section + 1;
}

}  // namespace gm
