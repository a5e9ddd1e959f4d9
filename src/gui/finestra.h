// The Qt Widgets window: binds widgets to the control models of the form, nothing else.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <array>

#include "app/dialoghi.h"
#include "gui/legami.h"

class QGroupBox;
class QPlainTextEdit;
class QTableView;

namespace gm {

class Form;
class AreaCentrale;

// Real message boxes.
class DialoghiFinestra : public Dialoghi {
public:
    void messaggio(const QString& testo, const QString& titolo, Icona icona) override;
    bool domanda(const QString& testo, const QString& titolo, Icona icona) override;
};

// Widgets carry the names of their controls ("lstRegioni", "cmdSelez(3)", "frmframe(5)"), so
// findChild finds them.
class Finestra : public QMainWindow {
    Q_OBJECT
public:
    explicit Finestra(Form& form, QWidget* parent = nullptr);
    ~Finestra() override;

    // Open handlers of user actions (long operations yielding to the event loop).
    int gestoriInCorso() const { return m_legami.profondita(); }
    // Set once the program has been told to end; the window closes when no handler is open.
    bool terminato() const { return m_termina; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QWidget* creaTitolo(QWidget* parent);
    QWidget* creaRicerca(QWidget* parent);
    QWidget* creaCentro(QWidget* parent);
    QWidget* creaAvanzamento(QWidget* parent);
    QGroupBox* pannello(int indice, QWidget* parent);
    void creaPopup(AreaCentrale* area);
    void clicGriglia(QTableView* vista, const QPoint& pos, Qt::MouseButton tasto, bool doppio);
    void terminaProgramma();
    // Fits the window to the available screen and centres it there.
    void adattaAlloSchermo();
    void chiudiSePossibile();

    Form& f;
    Legami m_legami;
    std::array<QWidget*, 20> m_pannelli{};
    QPlainTextEdit* m_istruzioni = nullptr;
    QTableView* m_tab = nullptr;
    QTableView* m_find = nullptr;
    QTableView* m_imp = nullptr;
    bool m_termina = false;
    bool m_adattata = false;
    AreaCentrale* m_area = nullptr;
};

}  // namespace gm
