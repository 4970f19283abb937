#pragma once

#include <QCoreApplication>

#include <benchmark/benchmark.h>

// Runs the registered benchmarks inside a Qt application object of the
// given type (QCoreApplication, QGuiApplication, ...).
template<class Application>
int runBenchmarks(int argc, char **argv)
{
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
