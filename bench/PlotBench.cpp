// What the live plot costs the terminal: a device prints 1000 lines a second
// of four named values; the process's CPU (the device thread aside) with the
// plot window closed and open.
#include "Benches.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"
#include "ui/dialogs/PlotWindow.h"
#include "ui/widgets/LogPane.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kLinesPerSecond = 1000;
constexpr int kRunMs = 15000;

double threadCpu(std::thread &thread) {
    clockid_t clock{};
    timespec used{};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 || clock_gettime(clock, &used) != 0)
        return 0;
    return used.tv_sec + used.tv_nsec / 1e9;
}

// Percent of one core the terminal used while the device printed for runMs.
double printingCost(int fd, int runMs) {
    std::atomic<bool> stop{false};
    std::thread device([&] {
        auto next = std::chrono::steady_clock::now();
        for (int n = 0; !stop; ++n) {
            char line[80];
            const int size = std::snprintf(line, sizeof line, "a:%d b:%.2f c:%d d:0x%X\r\n", n % 100, (n % 628) / 100.0,
                                           -(n % 37), n & 0xFF);
            // The device end does not block: a terminal that falls behind
            // is waited for, never skipped.
            for (int at = 0; at < size && !stop;) {
                const ssize_t written = ::write(fd, line + at, size_t(size - at));
                if (written > 0)
                    at += int(written);
                pollfd writable{fd, POLLOUT, 0};
                if (written <= 0)
                    ::poll(&writable, 1, 20);
            }
            next += std::chrono::microseconds(1000000 / kLinesPerSecond);
            std::this_thread::sleep_until(next);
        }
    });
    const double deviceBefore = threadCpu(device);
    const double cpuBefore = processCpuSeconds();
    const qint64 wallBefore = monotonicNs();
    runEventLoopFor(runMs);
    const double used = processCpuSeconds() - cpuBefore - (threadCpu(device) - deviceBefore);
    const double seconds = (monotonicNs() - wallBefore) / 1e9;
    stop = true;
    device.join();
    runEventLoopFor(500);
    return 100.0 * used / seconds;
}

} // namespace

void runPlotBench() {
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("plot: could not connect\n");
        return;
    }
    const double closed = printingCost(window.device().masterFd(), kRunMs);
    // Opened as from the log's menu.
    for (QAction *action : window.log()->actions())
        action->trigger();
    runEventLoopFor(500);
    ui::PlotWindow *plot = nullptr;
    for (QWidget *shown : QApplication::topLevelWidgets())
        plot = shown->objectName() == QStringLiteral("PlotWindow") ? qobject_cast<ui::PlotWindow *>(shown) : plot;
    if (!plot || !plot->isVisible()) {
        std::printf("plot: no plot window\n");
        return;
    }
    const double open = printingCost(window.device().masterFd(), kRunMs);
    std::printf("plot: %d lines/s of 4 values for %d s: process CPU %.1f %% of one core with the plot closed, "
                "%.1f %% with it open (%lld points kept)\n",
                kLinesPerSecond, kRunMs / 1000, closed, open, static_cast<long long>(plot->record().size()));
}
