#pragma once
// The main of a benchmark that runs the application's windows offscreen:
// a home of its own (HOME and the XDG folders under a temporary folder, so
// nothing of the user's settings is read or written), the offscreen
// platform, a QApplication, then the benchmarks the arguments select; and
// the turning of its event loop until a condition holds.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace sorvant {

// Runs the event loop until `done` or `seconds` passed; YES when done.
template <typename Done>
bool spinUntil(Done done, double seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < qint64(seconds * 1000))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

inline int runOffscreenBenchmarks(int argc, char** argv)
{
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qputenv(variable, QFile::encodeName(home.path() + QLatin1Char('/') + QLatin1String(variable)));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace sorvant
