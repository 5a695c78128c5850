#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

// The benchmarks of the windows run headless, inside an application object.
namespace WindowBench {

inline void runHeadless(int &argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

} // namespace WindowBench
