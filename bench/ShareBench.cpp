// The window's port served to a script at full speed: MB/s through the share
// from the device to a client and from a client to the device, over TCP and
// over the Unix socket, with the session logging to its file meanwhile.
#include "Benches.h"

#include "BenchMeasures.h"

#include "kit/EventWait.h"
#include "kit/PtyDevice.h"
#include "session/PortShare.h"
#include "session/TerminalSession.h"

#include <QElapsedTimer>
#include <QProcess>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// The client: connects, then reads or writes the given number of bytes as
// fast as the share goes, and says when it is done.
const char *const kClient = R"(
import socket, sys, time
where, mode, total = sys.argv[1], sys.argv[2], int(sys.argv[3])
if where.startswith("/"):
    s = socket.socket(socket.AF_UNIX); s.connect(where)
else:
    host, port = where.rsplit(":", 1); s = socket.create_connection((host.split("//")[-1], int(port)))
print("connected", flush=True)
if mode == "read":
    got = 0
    while got < total:
        b = s.recv(1 << 16)
        if not b: break
        got += len(b)
    print(got, flush=True)
else:
    line = b"x" * 79 + b"\r"
    chunk = line * 800
    sent = 0
    while sent < total:
        s.sendall(chunk); sent += len(chunk)
    time.sleep(30)
)";

void readAll(int fd, qint64 total, std::atomic<qint64> &got, const std::atomic<bool> &giveUp) {
    char buffer[1 << 16];
    while (got < total && !giveUp) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            got += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd readable{fd, POLLIN, 0};
            ::poll(&readable, 1, 100);
        }
    }
}

double mbPerSecond(qint64 bytes, qint64 ms) { return ms > 0 ? double(bytes) / (1024.0 * 1024.0) / (ms / 1000.0) : 0; }

void oneWay(const char *label, session::PortShare &share, PtyDevice &device, bool toClient, qint64 total) {
    QProcess client;
    client.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromLatin1(kClient), share.address(),
                  toClient ? QStringLiteral("read") : QStringLiteral("write"), QString::number(total)});
    if (!waitUntil([&] { return client.canReadLine() && share.clientCount() == 1; }, 10000)) {
        std::printf("share %-26s client did not connect: %s\n", label, client.readAllStandardError().constData());
        return;
    }
    client.readLine();
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> got = 0;
    std::atomic<bool> giveUp = false;
    std::thread deviceSide([&] {
        if (toClient)
            floodDevice(device.masterFd(), total, giveUp);
        else
            readAll(device.masterFd(), total, got, giveUp);
    });
    const bool done = waitUntil(
        [&] { return toClient ? client.state() == QProcess::NotRunning || client.canReadLine() : got >= total; },
        60000);
    const qint64 ms = clock.elapsed();
    giveUp = true;
    deviceSide.join();
    std::printf("share %-26s %6.1f MB/s (%lld MB in %lld ms%s)\n", label, mbPerSecond(total, ms), total / (1024 * 1024),
                ms, done ? "" : qPrintable(QStringLiteral(", incomplete: %1 bytes").arg(qint64(got))));
    client.kill();
    client.waitForFinished();
    waitUntil([&] { return share.clientCount() == 0; });
}

} // namespace

void runShareBench(int megabytes) {
    const qint64 total = qint64(megabytes) * 1024 * 1024;
    PtyDevice device;
    session::TerminalSession session;
    session.connectPort(device.slavePath(), {4000000, 8, core::StopBits::One});
    session.toggleLogRecording();
    session::PortShare share(session);
    if (!share.listenTcp()) {
        std::printf("share: %s\n", qPrintable(share.errorString()));
        return;
    }
    oneWay("TCP, device -> client", share, device, true, total);
    oneWay("TCP, client -> device", share, device, false, total);
    if (!share.listenUnix()) {
        std::printf("share: %s\n", qPrintable(share.errorString()));
        return;
    }
    oneWay("Unix, device -> client", share, device, true, total);
    oneWay("Unix, client -> device", share, device, false, total);
    session.closeLog();
}
