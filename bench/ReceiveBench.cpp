// The receive path under load, against the real windows: a device thread
// writes to the pseudo-terminal while the window runs its own event loop.
#include "Benches.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"
#include "ui/widgets/LogPane.h"
#include "ui/window/TForm1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Writes everything, waiting while the line's buffer is full, unless told to
// give up.
void writeAll(int fd, const char *data, size_t size, const std::atomic<bool> &giveUp) {
    while (size > 0 && !giveUp) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd writable{fd, POLLOUT, 0};
            ::poll(&writable, 1, 100);
        }
    }
}

// ---------------------------------------------------------------- framing

constexpr int kPackets = 1000;
constexpr int kPacketBytes = 43;
// One byte at 19200 baud (10 bits).
constexpr auto kByteTime = std::chrono::microseconds(520);

// What the device thread reports back.
struct PacedSending {
    std::atomic<bool> finished = false;
    // Pauses of more than 1 ms between two bytes of one packet: at gap 0
    // each of them rightly ends a packet early.
    std::atomic<int> holes = 0;
};

// Waits until `due`: sleeps most of the way, then spins, since a plain sleep
// can overshoot by more than the time between two bytes.
void waitPrecisely(Clock::time_point due) {
    std::this_thread::sleep_until(due - std::chrono::microseconds(200));
    while (Clock::now() < due) {
    }
}

// The device sends kPackets packets byte by byte at the line's pace, with the
// given silence after each.
void sendPacedPackets(int fd, std::chrono::milliseconds silence, PacedSending &sending,
                      const std::atomic<bool> &giveUp) {
    // Real-time priority where allowed, so that the device keeps its pace on
    // a busy machine.
    sched_param priority{};
    priority.sched_priority = 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);

    auto due = Clock::now();
    for (int packet = 0; packet < kPackets && !giveUp; ++packet) {
        Clock::time_point previous;
        for (int i = 0; i < kPacketBytes; ++i) {
            const char byte = static_cast<char>(packet * 7 + i);
            writeAll(fd, &byte, 1, giveUp);
            const Clock::time_point written = Clock::now();
            if (i > 0 && written - previous > std::chrono::milliseconds(1))
                ++sending.holes;
            previous = written;
            due += kByteTime;
            waitPrecisely(due);
        }
        due += silence;
        waitPrecisely(due);
    }
    sending.finished = true;
}

void runFramingCase(int gapClicks, std::chrono::milliseconds silence) {
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("framing: could not connect\n");
        return;
    }
    window.click("RBHEX"); // one packet, one row of the log
    auto *gapUp = window.find(QStringLiteral("TimeOutRx"))->findChild<QToolButton *>(QStringLiteral("up"));
    for (int i = 0; i < gapClicks; ++i)
        gapUp->click();
    const qint32 gap = window.form().terminalState().PacketGap;

    PacedSending sending;
    std::atomic<bool> giveUp = false;
    const double cpuBefore = windowCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    std::thread device(sendPacedPackets, window.device().masterFd(), silence, std::ref(sending), std::cref(giveUp));
    const quint32 total = kPackets * kPacketBytes;
    const bool all = runUntil(
        [&] {
            return sending.finished && window.form().terminalState().RxTotal == total &&
                   window.form().terminalState().RxLen == 0;
        },
        kPackets * 100 + 10000);
    giveUp = true;
    device.join();
    const double seconds = wall.elapsed() / 1000.0;
    const double cpu = windowCpuSeconds() - cpuBefore;

    // Each received line is one line "XX XX ... XX".
    int lines = 0;
    int whole = 0;
    for (const QString &line : window.log()->toPlainText().split(u'\n')) {
        if (line.isEmpty())
            continue;
        ++lines;
        if (line.size() == kPacketBytes * 3 - 1)
            ++whole;
    }
    // A pause of the device within a packet that is longer than the gap
    // rightly ends the packet there; only further splits are faults.
    const int holes = sending.holes.load();
    const char *verdict = lines == kPackets && whole == kPackets ? "exact"
                          : lines > kPackets && lines - kPackets <= holes && whole >= kPackets - holes
                              ? "extra lines only where the device paused"
                              : "WRONG";
    std::printf("framing: gap %d ms, %d packets of %d bytes at 0.52 ms/byte, %lld ms apart: %d lines, %d of them "
                "whole packets (%s)%s; the device paused > 1 ms within a packet %d times; %.1f s, window CPU "
                "%.1f %% of one core\n",
                gap, kPackets, kPacketBytes, static_cast<long long>(silence.count()), lines, whole, verdict,
                all ? "" : ", NOT ALL BYTES ARRIVED", holes, seconds, 100.0 * cpu / seconds);
}

// ---------------------------------------------------------------- throughput

constexpr qint64 kFloodBytes = 50LL * 1024 * 1024;
constexpr int kRowLength = 80; // a CR ends every row

char floodByte(qint64 i) {
    const qint64 column = i % kRowLength;
    if (column == kRowLength - 1)
        return '\r';
    return static_cast<char>(' ' + 1 + (i / kRowLength + column) % 94);
}

void sendFlood(int fd, const std::atomic<bool> &giveUp) {
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (qint64 at = 0; at < kFloodBytes; at += kChunk) {
        const qint64 size = std::min(kChunk, kFloodBytes - at);
        for (qint64 i = 0; i < size; ++i)
            chunk[i] = floodByte(at + i);
        writeAll(fd, chunk.constData(), static_cast<size_t>(size), giveUp);
    }
}

// Whether the file holds every flood byte in order; the line breaks that
// the log adds or drops are left out of the comparison.
bool fileHoldsFlood(const QString &name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    qint64 expected = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        for (const char c : chunk) {
            if (c == '\r' || c == '\n')
                continue;
            while (expected < kFloodBytes && floodByte(expected) == '\r')
                ++expected;
            if (expected >= kFloodBytes || floodByte(expected) != c)
                return false;
            ++expected;
        }
    }
    while (expected < kFloodBytes && floodByte(expected) == '\r')
        ++expected;
    return expected == kFloodBytes;
}

} // namespace

void runFramingBench() {
    // A 10 ms gap inside 20 ms silences, then gap 0 with 5 ms silences.
    runFramingCase(10, std::chrono::milliseconds(20));
    runFramingCase(0, std::chrono::milliseconds(5));
}

void runThroughputBench() {
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("throughput: could not connect\n");
        return;
    }
    window.click("StartLog");
    const auto state = [&] { return window.form().terminalState(); };

    std::atomic<bool> giveUp = false;
    const double cpuBefore = windowCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    std::thread device(sendFlood, window.device().masterFd(), std::cref(giveUp));
    const bool all = runUntil([&] { return state().RxTotal == kFloodBytes && state().RxLen == 0; }, 600000);
    window.click("StartLog"); // pausing puts the rest of the log on the disk
    const double seconds = wall.elapsed() / 1000.0;
    const double cpu = windowCpuSeconds() - cpuBefore;
    giveUp = true;
    device.join();

    const QString logName = QDir::current().filePath(state().LogFileName);
    const bool fileComplete = fileHoldsFlood(logName);
    const double mb = kFloodBytes / (1024.0 * 1024.0);
    std::printf("throughput: %.0f MB in ASCII with a CR every %d bytes, log file recording: %.2f MB/s, "
                "window CPU %.3f s per MB, peak memory %ld MB; %s, log file %s\n",
                mb, kRowLength, mb / seconds, cpu / mb, peakMemoryMb(),
                all ? "every byte counted" : "NOT ALL BYTES COUNTED", fileComplete ? "holds every byte" : "INCOMPLETE");
    QFile::remove(logName);
}
