// Finding and clicking the widgets of a window the way a user reaches them.
#pragma once

#include <QListWidget>
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

// A user's click on the one entry of the list with this text (ignoring case when asked).
inline void CliccaVoce(QListWidget* l, const QString& voce, Qt::MatchFlags come = Qt::MatchExactly) {
    ASSERT_TRUE(l);
    const auto trovate = l->findItems(voce, come);
    ASSERT_EQ(trovate.size(), 1) << voce.toStdString();
    l->scrollToItem(trovate[0]);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(trovate[0]).center());
}

}  // namespace gm::test
