// Two-way bindings between the control models of the form and real widgets. A model change made
// by code shows in its widget; a user action on a widget runs the model's handler. Each binding
// guards itself so that the echo of its own update never travels back.
#pragma once

#include <QColor>
#include <QObject>
#include <QVector>

#include <functional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTableView;
class QWidget;

namespace gm {

class CasellaControllo;
class CasellaTesto;
class Combo;
class Controllo;
class Etichetta;
class Griglia;
class Lista;
class Opzione;
class Pulsante;

// Text of a colour for style sheets.
QString NomeColore(int r, int g, int b);

class Legami : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Runs a model handler on behalf of a widget. Handlers of long operations yield to the event
    // loop, so another user action can start while one runs: the depth tells how many are open.
    void esegui(const std::function<void()>& gestore);
    int profondita() const { return m_profondita; }
    // Called each time the outermost handler has returned.
    std::function<void()> dopoGestore;

    void stato(Controllo& m, QWidget* w);  // enabled and visible
    void lista(Lista& m, QListWidget* w);
    void testo(CasellaTesto& m, QLineEdit* w);
    // sfondoFisso: a ground the label keeps while transparent (markers on a dark ground).
    void etichetta(Etichetta& m, QLabel* w, const QColor& sfondoFisso = QColor());
    void pulsante(Pulsante& m, QAbstractButton* w);
    void casella(CasellaControllo& m, QCheckBox* w);
    void opzioni(const QVector<Opzione*>& m, const QVector<QRadioButton*>& w);
    void combo(Combo& m, QComboBox* w);
    // Columns, visibility, first visible row and selection of a grid; fixed row heights.
    void griglia(Griglia& m, QTableView* w);

    // Properties the models keep as plain members (no change signal): text box colours and
    // alignment, combo entries. Refreshed after each handler and on the model's own signals.
    void aggiornaProprieta();
    void ogniVolta(std::function<void()> aggiorna) { m_aggiorna << std::move(aggiorna); }

private:
    int m_profondita = 0;
    QVector<std::function<void()>> m_aggiorna;
};

}  // namespace gm
