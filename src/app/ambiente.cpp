#include "app/ambiente.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace gm {

namespace {
bool scrivibile(const QString& cartella) {
    if (cartella.isEmpty() || !QFileInfo(cartella).isDir()) return false;
    QTemporaryFile prova(cartella + QStringLiteral("/.geomerce-XXXXXX"));
    return prova.open();
}
}  // namespace

QString Ambiente::ScegliCartella(const QString& opzioneDir) {
    return ScegliCartella(opzioneDir,
                          QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
}

QString Ambiente::ScegliCartella(const QString& opzioneDir, const QString& exe) {
    QString c = opzioneDir;
    if (c.isEmpty()) c = qEnvironmentVariable("GEOMERCE_HOME");
    if (c.isEmpty()) {
        if (scrivibile(exe)) {
            c = exe;
        } else {
            c = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
            if (c.isEmpty()) c = QDir::homePath() + QStringLiteral("/.geomerce");
        }
    }
    QDir().mkpath(c);
    QString assoluta = QDir(c).absolutePath();
    while (assoluta.size() > 1 && assoluta.endsWith(u'/')) assoluta.chop(1);
    return assoluta;
}

}  // namespace gm
