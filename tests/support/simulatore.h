// The built-in directory service, started for a test on a free loopback port.
#pragma once

#include <QStringList>

#include "sim/processo.h"
#include "support/ambiente_test.h"

namespace gm::test {

class Simulatore : public sim::Processo {
public:
    explicit Simulatore(const QStringList& argomenti = {})
        : sim::Processo(Programma(QStringLiteral("geomerce-sim")), argomenti) {}
};

}  // namespace gm::test
