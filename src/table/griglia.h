// A grid of text cells with one fixed header row (row 0), as the table, the import mapping and
// the found-records grids need. It is a Qt table model, so a QTableView shows it directly: the
// view's rows are the data rows 1.., the header row becomes the horizontal header.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

namespace gm {

class Griglia : public QAbstractTableModel {
    Q_OBJECT
public:
    // Sort kinds of the grid.
    enum Ordine { CrescenteNoCase = 5, DecrescenteNoCase = 6, CrescenteCase = 7 };
    // Alignment codes of a column.
    enum Allineamento { Sinistra = 1, Centro = 4, Destra = 6 };

    explicit Griglia(QString nome, QObject* parent = nullptr);
    const QString& nome() const { return m_nome; }

    int rows() const { return int(m_celle.size()); }
    int cols() const { return m_cols; }
    void setRows(int n);  // keeps the first n rows, adds blank ones
    void setCols(int n);  // keeps the first n columns, adds blank ones

    const QString& text(int r, int c) const;  // empty for cells outside the grid
    void setText(int r, int c, const QString& t);
    const QVector<QString>& riga(int r) const { return m_celle[r]; }
    void setRiga(int r, const QVector<QString>& celle);

    int colWidth(int c) const { return c >= 0 && c < m_cols ? m_larghezze[c] : 0; }  // twips
    void setColWidth(int c, int twips);
    int colAlignment(int c) const { return c >= 0 && c < m_cols ? m_allineamenti[c] : Sinistra; }
    void setColAlignment(int c, int codice);

    int topRow() const { return m_top; }
    void setTopRow(int r);

    // Current cell and selection end (row, col, rowSel, colSel).
    int row = 0, col = 0, rowSel = 0, colSel = 0;
    void setSelezione(int r, int c, int r2, int c2);
    // Asks the views to bring row r into sight (a row just written by the user).
    void mostra(int r) { emit mostraRiga(r); }

    // Sorts whole rows r1..r2 (inclusive) by column c with one of the sort kinds.
    void ordina(int r1, int r2, int c, int tipo);

    bool visible() const { return m_visible; }
    void setVisible(bool v);

    // Many changes at once: views are told once, at the end.
    void inizioModifiche();
    void fineModifiche();

    // QAbstractTableModel: data rows 1.. as view rows 0..
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

signals:
    void topCambiato(int r);
    void selezioneCambiata();
    void visibilitaCambiata(bool v);
    void larghezzeCambiate();
    void mostraRiga(int r);

private:
    QString m_nome;
    QVector<QVector<QString>> m_celle;
    int m_cols = 0;
    QVector<int> m_larghezze;
    QVector<int> m_allineamenti;
    int m_top = 1;
    bool m_visible = true;
    int m_modifiche = 0;
};

}  // namespace gm
