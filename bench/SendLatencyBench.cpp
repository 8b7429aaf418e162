#include "Benches.h"

#include "kit/ConnectedWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSends = 1000;
constexpr int kWarmUpSends = 20;
// 19 characters plus the default tail "$0D": 20 bytes on the wire.
const QString kCommand = QStringLiteral("AT+BENCH=0123456789");
const QByteArray kPacket = QByteArrayLiteral("AT+BENCH=0123456789\r");
constexpr qint64 kGiveUpNs = 2'000'000'000;

// Reads at the device until a whole packet has arrived, letting the window run
// meanwhile. Returns the nanoseconds since `clock` started, or -1 when the
// packet did not come or came wrong.
qint64 receivePacket(int masterFd, const QElapsedTimer &clock) {
    QByteArray received;
    char buffer[256];
    while (clock.nsecsElapsed() < kGiveUpNs) {
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, n);
            if (received.size() >= kPacket.size())
                return received == kPacket ? clock.nsecsElapsed() : -1;
            continue;
        }
        QCoreApplication::processEvents();
    }
    return -1;
}

// Nearest-rank percentile of sorted values.
double percentileUs(const std::vector<qint64> &sortedNs, double percent) {
    const auto rank = static_cast<size_t>(std::ceil(percent / 100.0 * sortedNs.size()));
    return sortedNs[std::max<size_t>(rank, 1) - 1] / 1000.0;
}

} // namespace

void runSendLatencyBench() {
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("send latency: could not connect\n");
        return;
    }
    auto *commandLine = window.find<QLineEdit>(QStringLiteral("MainStrCmd"));
    if (!commandLine) {
        std::printf("send latency: no command line\n");
        return;
    }
    // The command line keeps its text after each send.
    commandLine->setText(kCommand);

    std::vector<qint64> latencies;
    latencies.reserve(kSends);
    for (int send = 0; send < kWarmUpSends + kSends; ++send) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(commandLine, Qt::Key_Return);
        const qint64 ns = receivePacket(window.device().masterFd(), clock);
        if (ns < 0) {
            std::printf("send latency: send %d did not arrive whole within 2 s\n", send + 1);
            return;
        }
        if (send >= kWarmUpSends)
            latencies.push_back(ns);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("send latency: Enter to %lld bytes at the device, %d sends: median %.1f us, "
                "99th percentile %.1f us (max %.1f us)\n",
                static_cast<long long>(kPacket.size()), kSends, percentileUs(latencies, 50),
                percentileUs(latencies, 99), latencies.back() / 1000.0);
}
