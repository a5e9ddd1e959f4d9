// The Qt Widgets window: binds widgets to the control models of the form, nothing else.
#pragma once

#include <QMainWindow>

#include "app/dialoghi.h"

namespace gm {

class Form;

// Real message boxes.
class DialoghiFinestra : public Dialoghi {
public:
    void messaggio(const QString& testo, const QString& titolo, Icona icona) override;
    bool domanda(const QString& testo, const QString& titolo, Icona icona) override;
};

class Finestra : public QMainWindow {
    Q_OBJECT
public:
    explicit Finestra(Form& form, QWidget* parent = nullptr);

private:
    Form& f;
};

}  // namespace gm
