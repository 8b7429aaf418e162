// Automatic sending against the real windows: a device thread watches the
// pseudo-terminal while the window runs its own event loop.
#include "SendModesBench.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPeriodMs = 100;
constexpr int kPeriodSends = 201;
constexpr int kIdleTicksMs = 5000;
constexpr int kChainSeconds = 5;
const QByteArray kReply = QByteArrayLiteral("OK\r\n");

// Reads the device until `stop`; calls onCommand for every carriage return,
// with the time it was read.
template <typename OnCommand>
void watchDevice(int fd, const std::atomic<bool> &stop, OnCommand onCommand) {
    char buffer[4096];
    while (!stop) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 50) <= 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        const qint64 now = monotonicNs();
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\r')
                onCommand(now);
        }
    }
}

} // namespace

void runPeriodBench() {
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("period: could not connect\n");
        return;
    }
    window.find<QLineEdit>(QStringLiteral("MainStrCmd"))->setText(QStringLiteral("P"));
    window.find<QLineEdit>(QStringLiteral("PeriodTX"))->setText(QString::number(kPeriodMs));
    QTest::qWait(500);

    std::vector<qint64> arrivals;
    arrivals.reserve(kPeriodSends);
    std::atomic<bool> stop{false};
    QEventLoop loop;
    std::thread device(watchDevice<std::function<void(qint64)>>, window.device().masterFd(), std::cref(stop),
                       [&](qint64 now) {
                           if (static_cast<int>(arrivals.size()) < kPeriodSends)
                               arrivals.push_back(now);
                           if (static_cast<int>(arrivals.size()) == kPeriodSends)
                               QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
                       });
    const double cpuBefore = windowCpuSeconds();
    const qint64 wallBefore = monotonicNs();
    window.find<QRadioButton>(QStringLiteral("RBPeriod"))->click();
    QTimer::singleShot(kPeriodSends * kPeriodMs * 2, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = windowCpuSeconds() - cpuBefore;
    const double wall = (monotonicNs() - wallBefore) / 1e9;
    // The same ticks with an empty command line, which sends nothing: the
    // period timer's own share.
    window.find<QLineEdit>(QStringLiteral("MainStrCmd"))->clear();
    const double idleCpuBefore = windowCpuSeconds();
    runEventLoopFor(kIdleTicksMs);
    const double tickCpu = windowCpuSeconds() - idleCpuBefore;
    window.find<QRadioButton>(QStringLiteral("RBManual"))->click();
    stop = true;
    device.join();
    if (static_cast<int>(arrivals.size()) < kPeriodSends) {
        std::printf("period: only %zu of %d sends arrived; window CPU %.3f %% of one core\n", arrivals.size(),
                    kPeriodSends, 100.0 * cpu / wall);
        return;
    }
    std::vector<double> intervals;
    for (size_t i = 1; i < arrivals.size(); ++i)
        intervals.push_back((arrivals[i] - arrivals[i - 1]) / 1e6);
    std::sort(intervals.begin(), intervals.end());
    const auto inTarget = std::count_if(intervals.begin(), intervals.end(),
                                        [](double ms) { return ms >= kPeriodMs + 1 && ms <= kPeriodMs + 3; });
    std::printf("period: P = %d ms, %zu intervals at the device: median %.2f ms, min %.2f, max %.2f, "
                "%td within P+1..P+3; window CPU %.3f s in %.1f s = %.3f %% of one core (ticks that send "
                "nothing: %.3f %%)\n",
                kPeriodMs, intervals.size(), intervals[intervals.size() / 2], intervals.front(), intervals.back(),
                inTarget, cpu, wall, 100.0 * cpu / wall, 100.0 * tickCpu / (kIdleTicksMs / 1000.0));
}

void runAfterAnswerBench() {
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("after answer: could not connect\n");
        return;
    }
    const int fd = window.device().masterFd();
    std::atomic<long> commands{0};
    std::atomic<bool> stop{false};
    std::thread device(watchDevice<std::function<void(qint64)>>, fd, std::cref(stop), [&](qint64) {
        ++commands;
        // A reply of four bytes always fits into the line's queue.
        (void)!::write(fd, kReply.constData(), kReply.size());
    });
    window.find<QRadioButton>(QStringLiteral("RBAfterAns"))->click();
    auto *commandLine = window.find<QLineEdit>(QStringLiteral("MainStrCmd"));
    commandLine->setText(QStringLiteral("AT"));
    QTest::keyClick(commandLine, Qt::Key_Return);
    runEventLoopFor(500);

    const long before = commands;
    const double cpuBefore = windowCpuSeconds();
    const qint64 wallBefore = monotonicNs();
    runEventLoopFor(kChainSeconds * 1000);
    const long trips = commands - before;
    const double wall = (monotonicNs() - wallBefore) / 1e9;
    const double cpu = windowCpuSeconds() - cpuBefore;
    window.find<QRadioButton>(QStringLiteral("RBManual"))->click();
    runEventLoopFor(100);
    stop = true;
    device.join();
    std::printf("after answer: %ld round trips in %.1f s = %.0f per second (%.2f ms each); window CPU %.0f %% of "
                "one core\n",
                trips, wall, trips / wall, 1000.0 * wall / std::max(trips, 1L), 100.0 * cpu / wall);
}
