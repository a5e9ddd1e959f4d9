#include "gui/finestra.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTableView>
#include <QVBoxLayout>

#include "app/form.h"

namespace gm {

namespace {
QMessageBox::Icon icona(Icona i) {
    switch (i) {
    case Icona::Critica: return QMessageBox::Critical;
    case Icona::Domanda: return QMessageBox::Question;
    case Icona::Esclamazione: return QMessageBox::Warning;
    case Icona::Informazione: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}
}  // namespace

void DialoghiFinestra::messaggio(const QString& testo, const QString& titolo, Icona i) {
    QMessageBox box(icona(i), titolo.isEmpty() ? kTitoloProgramma : titolo, testo, QMessageBox::Ok);
    box.exec();
}

bool DialoghiFinestra::domanda(const QString& testo, const QString& titolo, Icona i) {
    QMessageBox box(icona(i), titolo.isEmpty() ? kTitoloProgramma : titolo, testo,
                    QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Finestra::Finestra(Form& form, QWidget* parent) : QMainWindow(parent), f(form) {
    auto* centro = new QWidget(this);
    auto* v = new QVBoxLayout(centro);
    auto* alto = new QHBoxLayout;
    auto* cosa = new QLineEdit(centro);
    cosa->setText(f.c.txtCosa.text());
    auto* regioni = new QListWidget(centro);
    regioni->setSelectionMode(QAbstractItemView::MultiSelection);
    regioni->addItems(f.c.lstRegioni.voci());
    alto->addWidget(cosa);
    alto->addWidget(regioni);
    v->addLayout(alto);
    auto* griglia = new QTableView(centro);
    griglia->setModel(&f.tab.mfgTab);
    v->addWidget(griglia, 1);
    setCentralWidget(centro);
    setWindowTitle(f.c.frmBase.caption());
    resize(1280, 800);
}

}  // namespace gm
