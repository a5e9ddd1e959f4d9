#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "table/griglia.h"

using namespace gm;

// Any text and any number of rows: the result is a permutation of the rows in the kind's order.
TEST(Ordinamento, AnyTextAnyRowCount) {
    const QString alfabeto = QString::fromUtf8("aAbBzZàÀèÉ 0'9-\u00a7\u20ac");
    QRandomGenerator g(7);
    for (int n : {0, 1, 2, 3, 17, 1000}) {
        for (int tipo : {5, 6, 7}) {
            Griglia gr("g");
            gr.setCols(2);
            gr.setRows(n + 1);
            for (int r = 1; r <= n; ++r) {
                QString t;
                for (int k = int(g.bounded(6)); k > 0; --k) t += alfabeto[int(g.bounded(alfabeto.size()))];
                gr.setText(r, 0, t);
                gr.setText(r, 1, QString::number(r));
            }
            QMultiMap<QString, QString> prima;
            for (int r = 1; r <= n; ++r) prima.insert(gr.text(r, 1), gr.text(r, 0));
            gr.ordina(1, n, 0, tipo);
            for (int r = 2; r <= n; ++r) {
                const QString& a = gr.text(r - 1, 0);
                const QString& b = gr.text(r, 0);
                const int k = QString::compare(a, b, tipo == 7 ? Qt::CaseSensitive : Qt::CaseInsensitive);
                EXPECT_TRUE(tipo == 6 ? k >= 0 : k <= 0) << n << " " << tipo << " row " << r;
            }
            // Whole rows moved together.
            for (int r = 1; r <= n; ++r) EXPECT_EQ(prima.value(gr.text(r, 1)), gr.text(r, 0));
        }
    }
}
