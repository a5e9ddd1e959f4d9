// A clock for the fetcher that never sleeps: pauses between rounds move it forward at once, and
// the test can read what they were.
#pragma once

#include <QVector>

#include <functional>

#include "net/tentativi.h"

namespace gm::test {

struct OrologioFinto : Orologio {
    qint64 t = 0;
    QVector<qint64> pause;
    std::function<void()> durantePausa;
    qint64 adesso() override { return t; }
    bool attendi(qint64 ms, const std::function<bool()>& fermati) override {
        pause << ms;
        t += ms;
        if (durantePausa) durantePausa();
        return !(fermati && fermati());
    }
};

}  // namespace gm::test
