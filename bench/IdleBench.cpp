#include "IdleBench.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

void runIdleCpuBench(int seconds) {
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("idle: could not connect\n");
        return;
    }
    QTest::qWait(1000);

    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventLoopFor(seconds * 1000);
    const double cpu = processCpuSeconds() - cpuBefore;
    std::printf("idle: %.1f s connected, no traffic: CPU %.3f s = %.3f %% of one core (goal <= 0.05 %%); peak "
                "memory %ld MB\n",
                wall.elapsed() / 1000.0, cpu, 100.0 * cpu / (wall.elapsed() / 1000.0), peakMemoryMb());
}

void runStartupBench(const char *program) {
    constexpr int kRuns = 5;
    const QList<double> times = startupTimesMs(program, QString(), kRuns);
    std::printf("startup: process start to main window shown: median %.1f ms (min %.1f, max %.1f, %d runs)\n",
                times[kRuns / 2], times.first(), times.last(), kRuns);
}

int startupChild() {
    ConnectedWindow window;
    if (!window.open())
        return 1;
    std::printf("%lld\n", static_cast<long long>(monotonicNs()));
    return 0;
}
