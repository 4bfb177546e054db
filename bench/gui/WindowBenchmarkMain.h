#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QtCore/qresource.h>

// The main of every window benchmark: an offscreen application with the
// program's resources, the benchmarks registerAll registers, and
// releaseWindows before the application goes, since no window may outlive it.
inline int runWindowBenchmarks(int argc, char** argv, void (*registerAll)(), void (*releaseWindows)())
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(kalvora);
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    releaseWindows();
    return 0;
}
