// The built-in directory service, started for a test on a free loopback port.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace gm::test {

class Simulatore {
public:
    // Starts geomerce-sim --port 0 with the extra arguments and waits for its "PORT <n>" line.
    explicit Simulatore(const QStringList& argomenti = {});
    ~Simulatore();
    bool avviato() const { return m_porta > 0; }
    int porta() const { return m_porta; }
    // "http://127.0.0.1:<port>"
    QString base() const;

private:
    QProcess m_processo;
    int m_porta = 0;
};

}  // namespace gm::test
