#include "BenchMeasures.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

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

void floodDevice(int fd, qint64 total, const std::atomic<bool> &giveUp) {
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < chunk.size(); ++i)
        chunk[i] = i % 80 == 79 ? '\r' : char('!' + i % 94);
    for (qint64 sent = 0; sent < total && !giveUp;) {
        const ssize_t n = ::write(fd, chunk.constData(), size_t(std::min<qint64>(chunk.size(), total - sent)));
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd writable{fd, POLLOUT, 0};
            ::poll(&writable, 1, 100);
        }
    }
}
