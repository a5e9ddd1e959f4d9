// The window open on a fresh form, as each window test starts.
#pragma once

#include <QTest>
#include <memory>

#include <gtest/gtest.h>

#include "gui/finestra.h"
#include "support/ambiente_test.h"
#include "support/widget_test.h"

namespace gm::test {

struct FinestraAperta : ::testing::Test {
    FormDiProva p;
    Form* f = nullptr;
    std::unique_ptr<Finestra> fin;

    void SetUp() override {
        p.scrivi("Geomerce.ini", "Pizzerie\r\n");
        f = &p.avvia();
        fin = std::make_unique<Finestra>(*f);
        fin->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fin.get()));
    }
    template <typename T>
    T* w(const QString& nome) const {
        return Widget<T>(fin.get(), nome);
    }
};

}  // namespace gm::test
