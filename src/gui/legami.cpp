#include "gui/legami.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>

#include <memory>

#include "app/controlli.h"
#include "table/griglia.h"

namespace gm {

namespace {

QColor colore(const Colore& c) { return QColor(c.r, c.g, c.b); }

// Colours of an enabled control; a disabled one keeps the style's greyed look.
void colora(QPalette& p, QPalette::ColorRole ruolo, const QColor& c) {
    p.setColor(QPalette::Active, ruolo, c);
    p.setColor(QPalette::Inactive, ruolo, c);
}

// Runs the model's key filter before the widget sees a key: a dropped key never reaches the
// widget, a changed key is inserted in place of the typed one.
class FiltroTasti : public QObject {
public:
    FiltroTasti(CasellaTesto& m, QLineEdit* w) : QObject(w), m(m), w(w) {}

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o != w || e->type() != QEvent::KeyPress || !m.filtroTasti) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        const QString t = k->text();
        if (t.size() != 1) return false;  // navigation keys carry no character
        const int ascii = t.at(0).unicode();
        // Editing keys (Backspace, Delete, Tab, Enter) always do their work: filters refuse
        // characters only.
        if (ascii < 32 || ascii == 127) return false;
        // Shortcuts (Ctrl+V, Ctrl+A...) are no typing; Ctrl+Alt is AltGr on some systems.
        const Qt::KeyboardModifiers mod = k->modifiers();
        if ((mod & (Qt::ControlModifier | Qt::MetaModifier)) && !(mod & Qt::AltModifier)) return false;
        const int risultato = m.keyPress(ascii);
        if (risultato == 0) return true;
        if (risultato != ascii) {
            if (risultato > 31) w->insert(QString(QChar(char16_t(risultato))));
            return true;
        }
        return false;
    }

private:
    CasellaTesto& m;
    QLineEdit* w;
};

// Text pasted or dropped into a box bypasses its key events: the inserted characters go through
// the key filter one by one, as if typed, so a box never holds what it refuses to type.
QString SoloCaratteriAmmessi(CasellaTesto& m, const QString& t) {
    const QString& prima = m.text();
    if (!m.filtroTasti || t.size() <= prima.size() + 1) return t;  // a key already filtered, or a deletion
    qsizetype inizio = 0;
    while (inizio < prima.size() && prima[inizio] == t[inizio]) ++inizio;
    qsizetype fine = 0;
    while (fine < prima.size() - inizio && prima[prima.size() - 1 - fine] == t[t.size() - 1 - fine]) ++fine;
    QString inseriti;
    for (QChar ch : t.mid(inizio, t.size() - inizio - fine)) {
        const int k = m.keyPress(ch.unicode());
        if (k > 31) inseriti += QChar(char16_t(k));
    }
    return t.left(inizio) + inseriti + t.right(fine);
}

// Contiguous runs of selected entries as one selection.
QItemSelection selezioneDi(const Lista& m, const QAbstractItemModel* modello) {
    QItemSelection sel;
    int inizio = -1;
    for (int i = 0; i <= m.count(); ++i) {
        const bool s = i < m.count() && m.selected(i);
        if (s && inizio < 0) inizio = i;
        if (!s && inizio >= 0) {
            sel.select(modello->index(inizio, 0), modello->index(i - 1, 0));
            inizio = -1;
        }
    }
    return sel;
}

}  // namespace

QString NomeColore(int r, int g, int b) { return QColor(r, g, b).name(); }

void Legami::esegui(const std::function<void()>& gestore) {
    ++m_profondita;
    gestore();
    --m_profondita;
    if (m_profondita == 0) {
        aggiornaProprieta();
        if (dopoGestore) dopoGestore();
    }
}

void Legami::aggiornaProprieta() {
    for (const auto& a : m_aggiorna) a();
}

void Legami::stato(Controllo& m, QWidget* w) {
    auto applica = [&m, w] {
        w->setEnabled(m.enabled());
        w->setVisible(m.visible());
    };
    applica();
    connect(&m, &Controllo::statoCambiato, w, applica);
}

void Legami::lista(Lista& m, QListWidget* w) {
    w->setObjectName(m.nome());
    stato(m, w);
    w->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    auto guardia = std::make_shared<bool>(false);

    auto cima = [&m, w, guardia] {
        if (m.topIndex() >= w->count()) return;
        QScopedValueRollback g(*guardia, true);
        w->scrollToItem(w->item(m.topIndex()), QAbstractItemView::PositionAtTop);
    };
    auto selezione = [&m, w, guardia] {
        QScopedValueRollback g(*guardia, true);
        w->selectionModel()->select(selezioneDi(m, w->model()), QItemSelectionModel::ClearAndSelect);
    };
    auto voci = [&m, w, guardia, selezione, cima] {
        {
            QScopedValueRollback g(*guardia, true);
            // Entries added one by one (the usual case) are appended; anything else rebuilds.
            bool prefisso = w->count() <= m.count();
            for (int i = 0; prefisso && i < w->count(); ++i) prefisso = w->item(i)->text() == m.item(i);
            if (!prefisso) w->clear();
            QStringList nuove;
            for (int i = w->count(); i < m.count(); ++i) nuove << m.item(i);
            w->addItems(nuove);
        }
        selezione();
        cima();
    };
    voci();
    connect(&m, &Lista::vociCambiate, w, voci);
    connect(&m, &Lista::voceCambiata, w, [&m, w](int i) {
        if (QListWidgetItem* it = w->item(i)) it->setText(m.item(i));
    });
    connect(&m, &Lista::selezioneCambiata, w, selezione);
    connect(&m, &Lista::topCambiato, w, cima);

    connect(w->verticalScrollBar(), &QScrollBar::valueChanged, w, [&m, guardia](int v) {
        if (*guardia) return;
        QScopedValueRollback g(*guardia, true);
        m.setTopIndex(v);
    });
    connect(w->selectionModel(), &QItemSelectionModel::selectionChanged, w,
            [this, &m, w, guardia, selezione](const QItemSelection& piu, const QItemSelection& meno) {
                if (*guardia) return;
                QList<int> via, su;
                for (const QModelIndex& i : meno.indexes()) via << i.row();
                for (const QModelIndex& i : piu.indexes()) su << i.row();
                const int corrente = w->currentRow();
                esegui([&] {
                    for (int r : via) m.setSelected(r, false);
                    for (int r : su) m.setSelected(r, true);
                    if (corrente >= 0 && corrente < m.count()) m.setListIndex(corrente);
                });
                if (w->count() == m.count()) selezione();
            });
}

void Legami::testo(CasellaTesto& m, QLineEdit* w) {
    w->setObjectName(m.nome());
    stato(m, w);
    struct Aspetto {
        Colore fore{-1, -1, -1}, back{-1, -1, -1};
        int allineamento = -1, massimo = -1;
    };
    auto aspetto = std::make_shared<Aspetto>();
    auto proprieta = [&m, w, aspetto] {
        if (aspetto->fore != m.foreColor || aspetto->back != m.backColor) {
            aspetto->fore = m.foreColor;
            aspetto->back = m.backColor;
            QPalette p = w->palette();
            colora(p, QPalette::Text, colore(m.foreColor));
            colora(p, QPalette::Base, colore(m.backColor));
            w->setPalette(p);
        }
        if (aspetto->allineamento != m.alignment) {
            aspetto->allineamento = m.alignment;
            const Qt::Alignment a = m.alignment == 1   ? Qt::AlignRight
                                    : m.alignment == 2 ? Qt::AlignHCenter
                                                       : Qt::AlignLeft;
            w->setAlignment(a | Qt::AlignVCenter);
        }
        if (aspetto->massimo != m.lunghezzaMassima) {
            aspetto->massimo = m.lunghezzaMassima;
            w->setMaxLength(m.lunghezzaMassima > 0 ? m.lunghezzaMassima : 32767);
        }
    };
    auto testo = [&m, w, proprieta] {
        proprieta();
        if (w->text() == m.text()) return;
        const int pos = w->cursorPosition();
        QSignalBlocker b(w);
        w->setText(m.text());
        w->setCursorPosition(std::min<int>(pos, int(m.text().size())));
    };
    testo();
    m_aggiorna << proprieta;
    connect(&m, &CasellaTesto::change, w, testo);
    connect(w, &QLineEdit::textEdited, w, [this, &m, w, testo](const QString& t) {
        const QString nuovo = SoloCaratteriAmmessi(m, t);
        esegui([&] { m.setText(nuovo); });
        testo();  // the handler may have rewritten the text
    });
    w->installEventFilter(new FiltroTasti(m, w));
}

void Legami::etichetta(Etichetta& m, QLabel* w, const QColor& sfondoFisso) {
    w->setObjectName(m.nome());
    stato(m, w);
    QSizePolicy sp = w->sizePolicy();
    sp.setRetainSizeWhenHidden(true);  // markers come and go without moving their neighbours
    w->setSizePolicy(sp);
    auto aspetto = [&m, w, sfondoFisso] {
        QPalette p = w->palette();
        colora(p, QPalette::WindowText, colore(m.foreColor()));
        const bool pieno = m.opaque() && !m.backColor().trasparente;
        const bool fisso = !pieno && sfondoFisso.isValid() && !m.caption().isEmpty();
        if (pieno || fisso) {
            const QColor sfondo = pieno ? colore(m.backColor()) : sfondoFisso;
            for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) p.setColor(g, QPalette::Window, sfondo);
        }
        w->setAutoFillBackground(pieno || fisso);
        w->setPalette(p);
    };
    auto didascalia = [&m, w] { w->setText(QString(m.caption()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))); };
    aspetto();
    didascalia();
    connect(&m, &Etichetta::aspettoCambiato, w, aspetto);
    connect(&m, &Etichetta::change, w, didascalia);
    connect(&m, &Etichetta::change, w, aspetto);
}

void Legami::pulsante(Pulsante& m, QAbstractButton* w) {
    w->setObjectName(m.nome());
    stato(m, w);
    w->setText(m.caption());
    connect(&m, &Pulsante::captionCambiata, w, [&m, w] { w->setText(m.caption()); });
    connect(w, &QAbstractButton::clicked, w, [this, &m] { esegui([&m] { m.click(); }); });
}

void Legami::casella(CasellaControllo& m, QCheckBox* w) {
    w->setObjectName(m.nome());
    stato(m, w);
    auto valore = [&m, w] {
        QSignalBlocker b(w);
        w->setChecked(m.value());
    };
    auto didascalia = [&m, w] {
        if (w->text() != m.caption) w->setText(m.caption);
    };
    valore();
    didascalia();
    m_aggiorna << didascalia;
    connect(&m, &CasellaControllo::click, w, valore);
    connect(w, &QAbstractButton::clicked, w, [this, &m, valore](bool v) {
        esegui([&] { m.setValue(v); });
        valore();
    });
}

void Legami::opzioni(const QVector<Opzione*>& m, const QVector<QRadioButton*>& w) {
    auto valori = [m, w] {
        for (int i = 0; i < m.size(); ++i) {
            QSignalBlocker b(w[i]);
            w[i]->setChecked(m[i]->value());
        }
    };
    for (int i = 0; i < m.size(); ++i) {
        Opzione& o = *m[i];
        QRadioButton* r = w[i];
        r->setObjectName(o.nome());
        r->setAutoExclusive(false);  // the model keeps the group exclusive (and may clear it)
        r->setText(o.caption);
        stato(o, r);
        connect(&o, &Opzione::click, r, valori);
        connect(r, &QAbstractButton::clicked, r, [this, &o, valori] {
            esegui([&o] { o.setValue(true); });
            valori();
        });
    }
    valori();
    m_aggiorna << [m, w] {
        for (int i = 0; i < m.size(); ++i)
            if (w[i]->text() != m[i]->caption) w[i]->setText(m[i]->caption);
    };
}

void Legami::combo(Combo& m, QComboBox* w) {
    w->setObjectName(m.nome());
    stato(m, w);
    w->setEditable(true);
    w->setInsertPolicy(QComboBox::NoInsert);
    auto aggiorna = [&m, w] {
        QSignalBlocker b(w);
        QStringList attuali;
        for (int i = 0; i < w->count(); ++i) attuali << w->itemText(i);
        if (attuali != m.voci) {
            w->clear();
            w->addItems(m.voci);
        }
        if (w->currentText() != m.text()) w->setEditText(m.text());
    };
    aggiorna();
    m_aggiorna << aggiorna;
    connect(&m, &Combo::change, w, aggiorna);
    connect(&m, &Controllo::statoCambiato, w, aggiorna);
    connect(w, &QComboBox::currentTextChanged, w, [this, &m](const QString& t) {
        if (t != m.text()) esegui([&] { m.setText(t); });
    });
}

void Legami::griglia(Griglia& m, QTableView* w) {
    w->setObjectName(m.nome());
    w->setModel(&m);
    w->setWordWrap(false);
    w->setEditTriggers(QAbstractItemView::NoEditTriggers);
    w->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    w->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed row heights: no row is ever measured, whatever the number of rows.
    QHeaderView* righe = w->verticalHeader();
    righe->setSectionResizeMode(QHeaderView::Fixed);
    righe->setDefaultSectionSize(w->fontMetrics().height() + 6);
    righe->setMinimumWidth(w->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    w->horizontalHeader()->setHighlightSections(false);
    w->horizontalHeader()->setStretchLastSection(false);
    w->setVisible(m.visible());
    auto guardia = std::make_shared<bool>(false);

    // Column widths in twips, spread over the width of the view when it is wider.
    auto larghezze = [&m, w] {
        double totale = 0;
        for (int c = 0; c < m.cols(); ++c) totale += m.colWidth(c);
        if (totale <= 0) return;
        // Measured on the whole view, so that a vertical scroll bar coming and going never
        // pushes the last column out of sight.
        const int barra = w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w);
        const double disponibile =
            w->width() - 2 * w->frameWidth() -
            std::max(w->verticalHeader()->sizeHint().width(), w->verticalHeader()->minimumWidth()) - barra - 2;
        const double scala = std::max(1.0 / 15.0, disponibile / totale);
        for (int c = 0; c < m.cols(); ++c) w->setColumnWidth(c, std::max(8, int(m.colWidth(c) * scala)));
    };
    larghezze();
    connect(&m, &Griglia::larghezzeCambiate, w, larghezze);
    struct Ridimensiona : QObject {
        std::function<void()> f;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Resize) f();
            return false;
        }
    };
    auto* r = new Ridimensiona;
    r->setParent(w);
    r->f = larghezze;
    w->installEventFilter(r);

    connect(&m, &Griglia::visibilitaCambiata, w, [w](bool v) { w->setVisible(v); });
    // The scroll bar's move reports the new first visible row back to the model.
    connect(&m, &Griglia::mostraRiga, w, [&m, w](int riga) {
        if (riga >= 1 && riga - 1 < m.rowCount()) w->scrollTo(m.index(riga - 1, 0), QAbstractItemView::EnsureVisible);
    });
    connect(&m, &Griglia::topCambiato, w, [&m, w, guardia](int riga) {
        if (*guardia || riga - 1 >= m.rowCount()) return;
        QScopedValueRollback g(*guardia, true);
        w->scrollTo(m.index(riga - 1, 0), QAbstractItemView::PositionAtTop);
    });
    connect(w->verticalScrollBar(), &QScrollBar::valueChanged, w, [&m, guardia](int v) {
        if (*guardia) return;
        QScopedValueRollback g(*guardia, true);
        m.setTopRow(v + 1);
    });
    connect(&m, &Griglia::selezioneCambiata, w, [&m, w, guardia] {
        if (*guardia) return;
        QScopedValueRollback g(*guardia, true);
        const int r1 = std::min(m.row, m.rowSel) - 1, r2 = std::max(m.row, m.rowSel) - 1;
        const int c1 = std::min(m.col, m.colSel), c2 = std::max(m.col, m.colSel);
        if (r1 < 0 || r2 >= m.rowCount() || c1 < 0 || c2 >= m.columnCount()) {
            w->selectionModel()->clearSelection();
            return;
        }
        w->selectionModel()->select(QItemSelection(m.index(r1, c1), m.index(r2, c2)),
                                    QItemSelectionModel::ClearAndSelect);
    });
}

}  // namespace gm
