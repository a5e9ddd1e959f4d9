// Test entry point: one QApplication for every test (the window tests need widgets; the platform
// is offscreen unless a display is given).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen screen has the size of a small laptop's (GEOMERCE_SCHERMO, default 1366x768),
    // so that window tests see what such a user sees.
    QString fileSchermo;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        const QString voluto = qEnvironmentVariableIsEmpty("GEOMERCE_SCHERMO") ? QStringLiteral("1366x768")
                                                                               : qEnvironmentVariable("GEOMERCE_SCHERMO");
        const auto m = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(voluto);
        if (m.hasMatch()) {
            const QString file = QDir::temp().filePath(
                QStringLiteral("geomerce-schermo-%1.json").arg(QCoreApplication::applicationPid()));
            QFile f(file);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                f.write(QStringLiteral("{\"screens\":[{\"name\":\"prova\",\"x\":0,\"y\":0,\"width\":%1,\"height\":%2,"
                                       "\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}")
                            .arg(m.captured(1), m.captured(2))
                            .toUtf8());
                f.close();
                fileSchermo = file;
                qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.toUtf8());
            }
        }
    }
    QApplication app(argc, argv);
    if (!fileSchermo.isEmpty()) {
        // Read once, when the platform starts; programs the tests start get the plain platform.
        QFile::remove(fileSchermo);
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
