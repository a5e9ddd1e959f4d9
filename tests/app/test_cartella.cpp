#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/ambiente_test.h"

using namespace gm;

TEST(Cartella, OptionThenEnvironmentThenExecutableThenUserFolder) {
    QTemporaryDir opzione, home, exe;
    const QByteArray vecchio = qgetenv("GEOMERCE_HOME");
    qputenv("GEOMERCE_HOME", home.path().toUtf8());
    EXPECT_EQ(Ambiente::ScegliCartella(opzione.path(), exe.path()), opzione.path());
    EXPECT_EQ(Ambiente::ScegliCartella(QString(), exe.path()), home.path());
    qunsetenv("GEOMERCE_HOME");
    EXPECT_EQ(Ambiente::ScegliCartella(QString(), exe.path()), exe.path());
    // An executable folder that cannot be written falls back to a per-user folder that exists.
    const QString fallback = Ambiente::ScegliCartella(QString(), exe.path() + "/non-esiste");
    EXPECT_NE(fallback, exe.path() + "/non-esiste");
    EXPECT_TRUE(QDir(fallback).exists());
    if (!vecchio.isEmpty()) qputenv("GEOMERCE_HOME", vecchio);
}

TEST(Cartella, SettingsLineIsBoundedAndFiltered) {
    struct Caso {
        QByteArray contenuto;
        QString atteso;
    } casi[] = {
        {QByteArray(100000, 'a') + "\r\n", QString(Form::kLunghezzaMassimaCategoria, u'a')},
        {QByteArray("Bar") + QByteArray(1, 0) + "\x01\xff-caff\xe8, 24h\r\n", "Barcaff, 24h"},
        {"\r\n\r\n", ""},
    };
    for (const auto& c : casi) {
        test::FormDiProva p;
        p.scrivi("Geomerce.ini", c.contenuto);
        EXPECT_EQ(p.avvia().c.txtCosa.text(), c.atteso);
    }
}
