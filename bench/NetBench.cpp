// Network ports through ser2net on the loopback, beside a local
// pseudo-terminal, against the real window: the receive throughput, the
// window's CPU per MB, and the time from a click on Connect to lime.
#include "Benches.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"
#include "support/Ser2netPeer.h"
#include "ui/window/TForm1.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kNetFloodBytes = 20LL * 1024 * 1024;
constexpr int kConnects = 20;
// ser2net lets the device go a moment after a client left.
constexpr int kReleaseMs = 200;

// Runs the event loop until the condition holds, looking whenever the loop
// is idle; whether it held within the time.
bool idleUntil(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    look.start(0);
    loop.exec();
    return done();
}

bool choosePort(ConnectedWindow &window, const QString &entry) {
    auto *list = window.find<QComboBox>(QStringLiteral("ComPort"));
    list->setCurrentIndex(list->findText(entry));
    return list->currentText() == entry;
}

bool isOpen(ConnectedWindow &window) { return window.form().terminalState().PortOpen; }

void connectTimes(const char *name, const QString &entry) {
    ConnectedWindow window;
    if (!window.open() || !choosePort(window, entry)) {
        std::printf("net: %s: no such port\n", name);
        return;
    }
    QList<double> times;
    for (int i = 0; i < kConnects; ++i) {
        QElapsedTimer clock;
        clock.start();
        window.click(QStringLiteral("BTConnect"));
        times.append(idleUntil([&] { return isOpen(window); }, 10000) ? clock.nsecsElapsed() / 1e6 : -1);
        window.click(QStringLiteral("BTConnect"));
        runEventLoopFor(kReleaseMs);
    }
    std::sort(times.begin(), times.end());
    std::printf("net: %-8s Connect to lime: median %.2f ms, slowest %.2f ms of %d%s\n", name, times[kConnects / 2],
                times.last(), kConnects, times.first() < 0 ? " (SOME NEVER OPENED)" : "");
}

void throughput(const char *name, const QString &entry, int deviceFd) {
    ConnectedWindow window;
    if (!window.open() || !choosePort(window, entry)) {
        std::printf("net: %s: no such port\n", name);
        return;
    }
    // The local device is the window's own pseudo-terminal.
    if (deviceFd < 0)
        deviceFd = window.device().masterFd();
    window.click(QStringLiteral("BTConnect"));
    if (!idleUntil([&] { return isOpen(window); }, 10000)) {
        std::printf("net: %s: could not connect\n", name);
        return;
    }
    const auto state = [&] { return window.form().terminalState(); };
    std::atomic<bool> giveUp = false;
    const double cpuBefore = windowCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    std::thread device(floodDevice, deviceFd, kNetFloodBytes, std::cref(giveUp));
    const bool all = runUntil([&] { return state().RxTotal == kNetFloodBytes && state().RxLen == 0; }, 600000);
    const double seconds = wall.elapsed() / 1000.0;
    const double cpu = windowCpuSeconds() - cpuBefore;
    giveUp = true;
    device.join();
    const double mb = kNetFloodBytes / (1024.0 * 1024.0);
    std::printf("net: %-8s receive %.0f MB in ASCII: %.2f MB/s, window CPU %.3f s per MB%s\n", name, mb, mb / seconds,
                cpu / mb, all ? "" : ", NOT ALL BYTES COUNTED");
    window.click(QStringLiteral("BTConnect"));
    runEventLoopFor(kReleaseMs);
}

} // namespace

void runNetBench() {
    if (!Ser2netPeer::missingTools().isEmpty()) {
        std::printf("net: needs %s (tools/setup.sh installs it)\n", qPrintable(Ser2netPeer::missingTools()));
        return;
    }
    Ser2netPeer peer;
    if (!peer.startServer()) {
        std::printf("net: ser2net did not start\n");
        return;
    }
    // The windows read the list from their working folder.
    QFile list(QStringLiteral("NetPorts"));
    if (!list.open(QIODevice::WriteOnly) ||
        list.write((peer.address(true) + '\n' + peer.address(false) + '\n').toLatin1()) < 0)
        return;
    list.close();
    const struct {
        const char *name;
        QString entry;
        int deviceFd;
    } sides[] = {{"local", QStringLiteral("ttyV0"), -1},
                 {"rfc2217", peer.address(true), peer.deviceFd()},
                 {"tcp", peer.address(false), peer.deviceFd()}};
    for (const auto &side : sides)
        connectTimes(side.name, side.entry);
    for (const auto &side : sides)
        throughput(side.name, side.entry, side.deviceFd);
    QFile::remove(QStringLiteral("NetPorts"));
}
