// geomerce-sim as a child process on a free loopback port, for tests, benchmarks and tools.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace gm::sim {

class Processo {
public:
    // Starts programma --port 0 with the extra arguments and waits for its "PORT <n>" line.
    Processo(const QString& programma, const QStringList& argomenti = {});
    ~Processo();
    Processo(const Processo&) = delete;
    Processo& operator=(const Processo&) = delete;

    bool avviato() const { return m_porta > 0; }
    int porta() const { return m_porta; }
    // "http://127.0.0.1:<port>"
    QString base() const;

private:
    QProcess m_processo;
    int m_porta = 0;
};

}  // namespace gm::sim
