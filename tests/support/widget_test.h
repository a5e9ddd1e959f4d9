// Driving a window the way a user does: clicks and keys land on whatever widget is drawn at the
// spot where the control appears, never on the control directly; and checks that every control
// shown can be reached there.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace gm::test {

// The child widget named after its control ("lstRegioni", "cmdSelez(3)"), or a test failure.
template <typename T>
T* Widget(const QWidget* finestra, const QString& nome) {
    T* x = finestra->findChild<T*>(nome);
    EXPECT_NE(x, nullptr) << nome.toStdString();
    return x;
}

// The widget drawn at point p of the control w (its centre when p is null), as the window finds it.
inline QWidget* SottoIlPunto(const QWidget* w, QPoint p = {}) {
    const QWidget* finestra = w->window();
    const QPoint q = w->mapTo(finestra, p.isNull() ? w->rect().center() : p);
    QWidget* x = finestra->childAt(q);
    return x ? x : const_cast<QWidget*>(finestra);
}

// True when a user pointing at the control reaches it (or one of its own parts, like the
// viewport of a list or the editor of a combo box).
inline bool Raggiungibile(const QWidget* w, QPoint p = {}) {
    const QWidget* x = SottoIlPunto(w, p);
    return x == w || w->isAncestorOf(x);
}

// A mouse click (or double click) at the control's on-screen spot, delivered to the widget found
// there. A control covered by another is not clicked: the test fails instead.
inline void Clicca(QWidget* w, Qt::MouseButton tasto = Qt::LeftButton, QPoint p = {}, bool doppio = false) {
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->isVisible()) << w->objectName().toStdString() << " is not shown";
    if (p.isNull()) p = w->rect().center();
    QWidget* x = SottoIlPunto(w, p);
    ASSERT_TRUE(x == w || w->isAncestorOf(x))
        << w->objectName().toStdString() << " is covered by " << x->metaObject()->className() << " "
        << x->objectName().toStdString();
    const QPoint q = x->mapFrom(w->window(), w->mapTo(w->window(), p));
    if (doppio) {
        // A double click as the platform delivers it: press, release, double-click, release.
        QTest::mouseClick(x, tasto, {}, q);
        QTest::mouseDClick(x, tasto, {}, q);
    } else {
        QTest::mouseClick(x, tasto, {}, q);
    }
}

inline void DoppioClick(QWidget* w, QPoint p = {}) { Clicca(w, Qt::LeftButton, p, true); }

// Keys typed into the control after clicking it: they reach whatever widget took the focus.
inline void Digita(QWidget* w, const QString& testo) {
    Clicca(w);
    QWidget* fuoco = QApplication::focusWidget();
    ASSERT_TRUE(fuoco) << "no widget took the focus";
    for (QChar ch : testo) QTest::keyClick(fuoco, ch.toLatin1());
}

// A key (Backspace, Delete, Tab, ...) pressed on the widget that holds the focus.
inline void Premi(Qt::Key tasto, Qt::KeyboardModifiers mod = {}) {
    QWidget* fuoco = QApplication::focusWidget();
    ASSERT_TRUE(fuoco) << "no widget holds the focus";
    QTest::keyClick(fuoco, tasto, mod);
}

// A user's click on the one entry of the list with this text (ignoring case when asked).
inline void CliccaVoce(QListWidget* l, const QString& voce, Qt::MatchFlags come = Qt::MatchExactly) {
    ASSERT_TRUE(l);
    const auto trovate = l->findItems(voce, come);
    ASSERT_EQ(trovate.size(), 1) << voce.toStdString();
    l->scrollToItem(trovate[0]);
    Clicca(l->viewport(), Qt::LeftButton, l->visualItemRect(trovate[0]).center());
}

// Every control the window shows that a user cannot reach at its centre, or that lies outside
// the window or the screen, named with the widget that is drawn there instead. An open panel may
// lie over the controls named in coperti (and their parts): the record table under a pop-up.
inline QStringList ControlliIrraggiungibili(const QWidget* finestra, const QList<const QWidget*>& coperti = {}) {
    QStringList problemi;
    const QRect schermo = finestra->screen()->availableGeometry();
    const QRect dentro(finestra->mapToGlobal(QPoint(0, 0)), finestra->size());
    if (!schermo.contains(dentro))
        problemi << QStringLiteral("window %1,%2 %3x%4 off the screen")
                        .arg(dentro.x()).arg(dentro.y()).arg(dentro.width()).arg(dentro.height());
    for (QWidget* w : finestra->findChildren<QWidget*>()) {
        const bool controllo = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                               qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                               qobject_cast<QPlainTextEdit*>(w);
        if (!controllo || !w->isVisible() || (w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget())))
            continue;
        const QString nome = QStringLiteral("%1 %2 \"%3\"")
                                 .arg(QLatin1String(w->metaObject()->className()), w->objectName(),
                                      qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                                                         : QString());
        const QRect r(w->mapTo(finestra, QPoint(0, 0)), w->size());
        if (!finestra->rect().contains(r)) {
            problemi << nome + QStringLiteral(" lies outside the window");
            continue;
        }
        // Cut off by a panel too small for it: part of the control is never drawn.
        bool tagliato = false;
        for (const QWidget* a = w->parentWidget(); a && a != finestra; a = a->parentWidget())
            tagliato = tagliato || !a->rect().contains(QRect(w->mapTo(a, QPoint(0, 0)), w->size()));
        if (tagliato) {
            problemi << nome + QStringLiteral(" is cut off by its panel");
            continue;
        }
        bool puoEssereCoperto = false;
        for (const QWidget* c : coperti) puoEssereCoperto = puoEssereCoperto || c == w || c->isAncestorOf(w);
        if (!puoEssereCoperto && !Raggiungibile(w)) {
            const QWidget* x = SottoIlPunto(w);
            problemi << nome + QStringLiteral(" is covered by %1 %2")
                                   .arg(QLatin1String(x->metaObject()->className()), x->objectName());
        }
    }
    return problemi;
}

}  // namespace gm::test
