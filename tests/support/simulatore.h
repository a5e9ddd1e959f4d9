// The built-in directory service, started for a test on a free loopback port.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include <gtest/gtest.h>

#include "sim/processo.h"
#include "support/ambiente_test.h"

namespace gm::test {

class Simulatore : public sim::Processo {
public:
    explicit Simulatore(const QStringList& argomenti = {})
        : sim::Processo(Programma(QStringLiteral("geomerce-sim")), argomenti) {}
};

// A form whose services all point at a service of its own, which logs every request.
class CorsaSulSimulatore : public ::testing::Test {
protected:
    QTemporaryDir logDir;
    std::unique_ptr<Simulatore> sim;
    FormDiProva prova;
    Form* f = nullptr;

    void SetUp() override {
        sim = std::make_unique<Simulatore>(QStringList{"--log", logDir.filePath("richieste.log")});
        ASSERT_TRUE(sim->avviato());
        f = &prova.avvia();
        auto& s = f->amb.servizi;
        s.gialle = s.bianche = s.geocoder = s.overpass = sim->base();
        f->c.chkCoord.setValue(false);
    }
    QStringList Richieste() const {
        QFile file(logDir.filePath("richieste.log"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    QStringList RichiesteCon(const QString& pezzo) const { return Richieste().filter(pezzo); }
    void DimenticaRichieste() { QFile(logDir.filePath("richieste.log")).resize(0); }
};

}  // namespace gm::test
