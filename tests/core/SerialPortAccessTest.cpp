#include "core/port/SerialPortAccess.h"
#include "kit/EventWait.h"
#include "kit/PtyDevice.h"
#include "support/QtPrinting.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

const core::LineSettings k9600{9600, 8, core::StopBits::One};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST(SerialPortAccess, OpensAPseudoTerminalAndMovesBytesBothWays) {
    PtyDevice device;
    core::SerialPortAccess port;
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    EXPECT_TRUE(port.probe());

    port.write("AT\r");
    EXPECT_EQ(device.receive(3), QByteArray("AT\r"));

    device.send("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return port.bytesWaiting() == 4; }));
    EXPECT_EQ(port.read(2), QByteArray("OK"));
    EXPECT_EQ(port.bytesWaiting(), 2);
    EXPECT_EQ(port.read(100), QByteArray("\r\n"));
}

TEST(SerialPortAccess, SecondOpenOfTheSameDeviceFails) {
    PtyDevice device;
    core::SerialPortAccess first;
    core::SerialPortAccess second;
    ASSERT_TRUE(first.open(device.slavePath(), k9600));
    EXPECT_FALSE(second.open(device.slavePath(), k9600));
    // Held, not forbidden: the reason says so and gives no advice on groups.
    EXPECT_TRUE(second.errorString().startsWith(QStringLiteral("Порт занят другой программой")))
        << second.errorString().toStdString();
    EXPECT_FALSE(second.errorString().contains(QStringLiteral("группу"))) << second.errorString().toStdString();
    first.close();
    EXPECT_TRUE(second.open(device.slavePath(), k9600));
}

TEST(SerialPortAccess, AbsentDeviceFailsToOpen) {
    core::SerialPortAccess port;
    EXPECT_FALSE(port.open(QStringLiteral("/nonexistent/ttyNone"), k9600));
    EXPECT_FALSE(port.probe());
}

TEST(SerialPortAccess, RefusedSettingsLeaveThePortClosedForTheNextOpen) {
    PtyDevice device;
    core::SerialPortAccess port;
    EXPECT_FALSE(port.open(device.slavePath(), {9600, 8, core::StopBits::OneAndHalf}));
    EXPECT_FALSE(port.probe());
    EXPECT_FALSE(port.open(device.slavePath(), {9600, 5, core::StopBits::Two}));
    core::SerialPortAccess other;
    EXPECT_TRUE(other.open(device.slavePath(), k9600)) << "the refused open must not hold the device";
}

TEST(SerialPortAccess, PurgeDropsUnreadInput) {
    PtyDevice device;
    core::SerialPortAccess port;
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    device.send("stale");
    ASSERT_TRUE(waitUntil([&] { return port.bytesWaiting() == 5; }));
    port.purge();
    EXPECT_EQ(port.bytesWaiting(), 0);
    device.send("new");
    ASSERT_TRUE(waitUntil([&] { return port.bytesWaiting() == 3; }));
    EXPECT_EQ(port.read(10), QByteArray("new"));
}

TEST(SerialPortAccess, LostDeviceFailsTheProbeWithoutSpinning) {
    auto device = std::make_unique<PtyDevice>();
    core::SerialPortAccess port;
    ASSERT_TRUE(port.open(device->slavePath(), k9600));
    device.reset();

    const double before = cpuSeconds();
    processEventsFor(500);
    const double used = cpuSeconds() - before;
    EXPECT_FALSE(port.probe());
    // A port that keeps reporting read errors would burn the whole half second.
    EXPECT_LT(used, 0.25);
}

TEST(LineSettings, ParsesTheSelectedTexts) {
    const auto settings = core::parseLineSettings(QStringLiteral("115200"), QStringLiteral("7"), 2);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->baudRate, 115200);
    EXPECT_EQ(settings->dataBits, 7);
    EXPECT_EQ(settings->stopBits, core::StopBits::Two);
    EXPECT_FALSE(core::parseLineSettings(QString(), QStringLiteral("8"), 0));
    EXPECT_FALSE(core::parseLineSettings(QStringLiteral("9600"), QStringLiteral("x"), 0));
}

TEST(LineSettings, RefusesFramesTheHardwareCannotMake) {
    EXPECT_TRUE(core::isSupported({1200, 5, core::StopBits::OneAndHalf}));
    EXPECT_FALSE(core::isSupported({1200, 5, core::StopBits::Two}));
    for (int bits : {6, 7, 8}) {
        EXPECT_FALSE(core::isSupported({1200, bits, core::StopBits::OneAndHalf}));
        EXPECT_TRUE(core::isSupported({1200, bits, core::StopBits::Two}));
        EXPECT_TRUE(core::isSupported({1200, bits, core::StopBits::One}));
    }
}

TEST(SerialPortAccess, RespectsAndTakesTheLockOfOtherTerminals) {
    PtyDevice device;
    const QByteArray path = device.slavePath().toLocal8Bit();
    const int picocom = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(::flock(picocom, LOCK_EX | LOCK_NB), 0);
    core::SerialPortAccess port;
    EXPECT_FALSE(port.open(device.slavePath(), k9600));
    ::close(picocom);
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    const int tio = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_TRUE(tio < 0 || ::flock(tio, LOCK_EX | LOCK_NB) != 0); // without root the open itself fails
    ::close(tio);
}

TEST(SerialPortAccess, StopBitsReachTheLine) {
    const std::pair<core::LineSettings, bool> cases[] = {{{1200, 5, core::StopBits::OneAndHalf}, true},
                                                         {{1200, 5, core::StopBits::One}, false},
                                                         {{1200, 8, core::StopBits::Two}, true}};
    for (const auto &[settings, cstopb] : cases) {
        PtyDevice device;
        core::SerialPortAccess port;
        ASSERT_TRUE(port.open(device.slavePath(), settings));
        termios line{};
        ASSERT_EQ(tcgetattr(device.masterFd(), &line), 0);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, cstopb) << settings.dataBits;
    }
}

TEST(SerialPortAccess, PurgeBeforeASendKeepsTheEarlierPacketWhole) {
    PtyDevice device; // reads only once the purge is over
    core::SerialPortAccess port;
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    const QByteArray first(200000, 'a');
    port.write(first);
    port.purge();
    port.write("END");
    const QByteArray wire = device.receive(first.size() + 3, 10000);
    EXPECT_EQ(wire.size(), first.size() + 3);
    EXPECT_TRUE(wire.endsWith("aEND"));
}

TEST(SerialPortAccess, OutputTheDeviceHasNotTakenIsPendingUntilItReads) {
    PtyDevice device;
    core::SerialPortAccess port;
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    EXPECT_EQ(port.outputPendingMs(), 0);
    const QByteArray fill(200000, 'a'); // more than the pseudo-terminal holds
    port.write(fill);
    EXPECT_GT(port.outputPendingMs(), 0);
    EXPECT_EQ(device.receive(fill.size(), 10000), fill);
    EXPECT_TRUE(waitUntil([&] { return port.outputPendingMs() == 0; }));
}

TEST(SerialPortAccess, ALiveUucpLockFileRefusesTheOpenAndIsLeftAlone) {
    // minicom's way of holding a port: a lock file with its process ID.
    QProcess holder;
    holder.start("sleep", {"30"});
    ASSERT_TRUE(holder.waitForStarted());
    QProcess gone;
    gone.start("true", {});
    ASSERT_TRUE(gone.waitForFinished());
    const qint32 live = qint32(holder.processId());
    const qint32 dead = qint32(gone.processId());
    const auto text = [](qint32 pid) { return QByteArray::number(pid).rightJustified(10, ' ') + " minicom root\n"; };
    const auto binary = [](qint32 pid) { return QByteArray(reinterpret_cast<const char *>(&pid), sizeof pid); };
    const struct {
        const char *why;
        bool dashedName; // pts_3 rather than 3
        QByteArray content;
        bool refused;
    } cases[] = {
        {"text, file name", false, text(live), true},        {"binary, path name", true, binary(live), true},
        {"text, no such process", false, text(dead), false}, {"binary, no such process", true, binary(dead), false},
        {"not a lock", false, "garbage\n", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        PtyDevice device;
        const QString path = QFileInfo(device.slavePath()).canonicalFilePath();
        const QString name = c.dashedName ? path.mid(5).replace('/', '_') : QFileInfo(path).fileName();
        const QString lockPath = "/run/lock/LCK.." + name;
        QFile lock(lockPath);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(c.content);
        lock.close();
        core::SerialPortAccess port;
        EXPECT_EQ(port.open(device.slavePath(), k9600), !c.refused) << port.errorString().toStdString();
        if (c.refused) {
            EXPECT_EQ(port.errorString(),
                      QStringLiteral("Порт занят другой программой (sleep, PID %1, %2).").arg(live).arg(lockPath));
            QFile left(lockPath);
            ASSERT_TRUE(left.open(QIODevice::ReadOnly)) << "never removed";
            EXPECT_EQ(left.readAll(), c.content);
        }
        port.close();
        QFile::remove(lockPath);
    }
    holder.kill();
    holder.waitForFinished();
}
