#pragma once

#include <session.h>
#include <targetmanager.h>
#include <trace.h>

#include <QString>

#include <cmath>

// The target catalogue the benchmarks' sessions are scored on.
inline LibModel::TargetManager &benchTargets()
{
    static LibModel::TargetManager instance;
    return instance;
}

// A ten-minute session of 60 shots: `traces` traces of 10,000 samples at
// 100 Hz, the aim wandering slowly over a few millimetres, a shot after every
// 1000 samples less 100. With seed >= 0 the aim also trembles by a tenth of a
// millimetre, as a club shooter's does (a different tremble per seed).
inline LibModel::Session *tenMinuteSession(LibModel::AbstractStorage *storage,
                                           qint64 start = 1700000000000, int seed = -1,
                                           int traces = 6)
{
    auto *session = new LibModel::Session(storage);
    session->setTargetDescriptor(
            benchTargets().findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    session->setCaliber(4.5);
    session->setDistance(10);
    session->setSampleRate(100);
    session->setShooter(QStringLiteral("Иванов Иван"), QStringLiteral("ЦСКА"), QStringLiteral("A"));
    quint32 noise = quint32(seed) * 2654435761u + 1;
    const auto tremble = [&noise, seed] {
        if (seed < 0)
            return 0.0f;
        noise = noise * 1664525u + 1013904223u;
        return float(int(noise >> 16) % 200 - 100) / 1000.0f;
    };
    const int phase = seed < 0 ? 0 : seed;
    qint64 timer = start;
    for (int t = 0; t < traces; ++t) {
        LibModel::Trace *trace = session->appendTrace(timer);
        for (int i = 0; i < 10000; ++i) {
            LibModel::TraceSample sample;
            sample.x = float(3 * std::sin((i + phase) / 57.0)) + tremble();
            sample.y = float(2 * std::cos((i + phase) / 43.0)) + tremble();
            sample.z = 0.02f;
            trace->appendSample(timer + 10 * i, sample);
        }
        for (int s = 0; s < 10; ++s)
            trace->appendShot(ushort(t), 900 + 1000 * s, false, 0.5);
        timer += 100000;
    }
    return session;
}
