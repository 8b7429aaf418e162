#include "IdleBench.h"

#include "BenchDevice.h"
#include "ui/TForm1.h"
#include "ui/WindowSet.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

void runIdleCpuBench(int seconds) {
    BenchDevice device;
    WindowSet windows{PortDirectory(device.portFolder(), false)};
    showCentred(*windows.Form1);
    if (!QTest::qWaitForWindowExposed(windows.Form1.get())) {
        std::printf("idle: the window did not show\n");
        return;
    }
    windows.Form1->findChild<QAbstractButton *>(QStringLiteral("BTConnect"))->click();
    if (!windows.Form1->terminalState().PortOpen) {
        std::printf("idle: could not connect\n");
        return;
    }
    QTest::qWait(1000);

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // A plain event loop: QTest::qWait would wake up every 10 ms itself.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("idle: %.1f s connected, no traffic: CPU %.3f s = %.3f %% of one core\n", wall.elapsed() / 1000.0,
                cpu, 100.0 * cpu / (wall.elapsed() / 1000.0));
}

void runStartupBench(const char *program) {
    constexpr int kRuns = 5;
    QList<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QProcess child;
        const qint64 started = monotonicNs();
        child.start(QString::fromLocal8Bit(program), {QStringLiteral("startup-child")});
        child.waitForFinished(30000);
        const qint64 shown = child.readAllStandardOutput().trimmed().toLongLong();
        times.append((shown - started) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("startup: process start to main window shown: median %.1f ms (min %.1f, max %.1f, %d runs)\n",
                times[kRuns / 2], times.first(), times.last(), kRuns);
}

int startupChild() {
    BenchDevice device;
    WindowSet windows{PortDirectory(device.portFolder(), false)};
    showCentred(*windows.Form1);
    if (!QTest::qWaitForWindowExposed(windows.Form1.get()))
        return 1;
    std::printf("%lld\n", static_cast<long long>(monotonicNs()));
    return 0;
}
