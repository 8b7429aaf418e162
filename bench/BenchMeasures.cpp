#include "BenchMeasures.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <sys/resource.h>

namespace {

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

double processCpuSeconds() { return cpuSeconds(RUSAGE_SELF); }

double windowCpuSeconds() { return cpuSeconds(RUSAGE_THREAD); }

long peakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

QList<double> startupTimesMs(const char *program, const QString &folder, int runs) {
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        if (!folder.isEmpty())
            child.setWorkingDirectory(folder);
        const qint64 started = monotonicNs();
        child.start(QString::fromLocal8Bit(program), {QStringLiteral("startup-child")});
        child.waitForFinished(30000);
        const qint64 shown = child.readAllStandardOutput().trimmed().toLongLong();
        times.append((shown - started) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times;
}

void runEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()> &done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}
