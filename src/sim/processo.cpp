#include "sim/processo.h"

#include <QElapsedTimer>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace gm::sim {

Processo::Processo(const QString& programma, const QStringList& argomenti) {
    m_processo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // A parent that dies without its destructor (a crash, an abort) must not leave the service
    // running and holding the parent's error channel open.
    m_processo.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_processo.start(programma, QStringList{"--port", "0"} + argomenti);
    if (!m_processo.waitForStarted(10000)) return;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && m_processo.state() == QProcess::Running) {
        if (!m_processo.canReadLine()) m_processo.waitForReadyRead(200);
        while (m_processo.canReadLine()) {
            const QByteArray riga = m_processo.readLine().trimmed();
            if (riga.startsWith("PORT ")) {
                m_porta = riga.mid(5).toInt();
                return;
            }
        }
    }
}

Processo::~Processo() {
    if (m_processo.state() == QProcess::NotRunning) return;
    m_processo.terminate();
    if (!m_processo.waitForFinished(3000)) {
        m_processo.kill();
        m_processo.waitForFinished(3000);
    }
}

QString Processo::base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_porta); }

}  // namespace gm::sim
