#include <gtest/gtest.h>

#include "net/testo.h"

using namespace gm;

TEST(Testo, PrelevastringaNumerica) {
    const QString cento(100, u'1');
    struct Caso {
        QString x, atteso;
    } casi[] = {
        {"4567&ly=8", "4567"},
        {"12.5 km", "12.5"},
        {"abc", ""},
        {"2007", ""},  // the run never ends within 100 characters
        {"", ""},
        {"-3x", ""},   // no sign
        {"1,5x", "1"},  // no comma
        {QString(99, u'9') + "a", QString(99, u'9')},
        {cento + "a", ""},
    };
    for (const auto& c : casi) EXPECT_EQ(PrelevastringaNumerica(c.x), c.atteso) << c.x.toStdString();
}

TEST(Testo, PrimoMaiuscoloCapitalisesAndLeavesArgumentUpper) {
    struct Caso {
        const char* in;
        const char* atteso;
    } casi[] = {
        {"VIA DEL CORSO 12", "Via Del Corso 12"}, {"pizzeria l'angolo", "Pizzeria L'Angolo"},
        {"s.n.c.", "S.N.C."},                     {"3b", "3B"},
        {"CITTÀ DI CASTELLO", "Città Di Castello"}, {"PERCHÈNO", "PerchèNo"},
        {"x", "X"},                               {"", ""},
    };
    for (const auto& c : casi) {
        QString a = QString::fromUtf8(c.in);
        EXPECT_EQ(PrimoMaiuscolo(a), QString::fromUtf8(c.atteso));
        EXPECT_EQ(a, QString::fromUtf8(c.in).toUpper());
    }
}

TEST(Testo, MaggioreAndStringHelpers) {
    EXPECT_EQ(Maggiore(3, 3), 3);
    EXPECT_EQ(Maggiore(-5, 2), 2);
    EXPECT_EQ(Maggiore(7, -1), 7);
    EXPECT_EQ(InStr("Pagina 1 DI 20", "di"), 10);
    EXPECT_EQ(InStr("abc", "x"), 0);
    EXPECT_EQ(InStr("abcabc", "B", 3), 5);
    EXPECT_EQ(InStr("abc", "a", 10), 0);
    EXPECT_EQ(Mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Mid("abc", 5), "");
    EXPECT_EQ(Sostituisci("A&AMP;B&amp;C", "&amp;", "&"), "A&B&C");
    EXPECT_DOUBLE_EQ(Val("45.123abc"), 45.123);
    EXPECT_DOUBLE_EQ(Val(""), 0.0);
    EXPECT_DOUBLE_EQ(Val("x1"), 0.0);
    EXPECT_DOUBLE_EQ(Val(" -9.5"), -9.5);
    const struct {
        const char* testo;
        double valore;
    } numeri[] = {{"+7", 7}, {"5.", 5}, {".25", 0.25}, {"12.345.6", 12.345}, {"-.", 0}, {"+", 0},
                  {"\t41.90278 ", 41.90278}, {"00100", 100}, {"1e5", 1}, {"3,5", 3},
                  {"123456789012345678901234567890123456789012345678901234567890123456789", 1.2345678901234568e68}};
    for (const auto& c : numeri) EXPECT_DOUBLE_EQ(Val(QString::fromUtf8(c.testo)), c.valore) << c.testo;
}
