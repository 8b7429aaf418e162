#include "core/platform/InputLineWaiter.h"
#include "core/port/SerialPortAccess.h"
#include "kit/EventWait.h"
#include "kit/PtyDevice.h"
#include "kit/PtyLine.h"
#include "support/FakeLineCalls.h"
#include "support/QtPrinting.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

using core::FlowControl;
using core::Parity;
using core::StopBits;
using Kind = FakeLineCalls::Call::Kind;

namespace {

const core::LineSettings k9600{9600, 8, StopBits::One};

// What a loaded machine keeps of a timer's length.
constexpr qint64 kLateMs = 150;

} // namespace

TEST(SerialLine, RatesStopBitsAndFlowReachAPseudoTerminal) {
    const struct {
        core::LineSettings settings;
        bool twoStop, rtsCts, xonXoff;
    } cases[] = {
        {{250000, 8, StopBits::One}, false, false, false},
        {{921600, 8, StopBits::Two}, true, false, false},
        {{31250, 8, StopBits::One, Parity::None, FlowControl::RtsCts}, false, true, false},
        {{74880, 8, StopBits::One, Parity::None, FlowControl::XonXoff}, false, false, true},
        {{4000000, 8, StopBits::One}, false, false, false},
        {{1200, 8, StopBits::One}, false, false, false},
    };
    for (const auto &c : cases) {
        PtyDevice device;
        core::SerialPortAccess port;
        ASSERT_TRUE(port.open(device.slavePath(), c.settings)) << port.errorString().toStdString();
        const PtyLine line = readPtyLine(device.masterFd());
        ASSERT_TRUE(line.valid);
        EXPECT_EQ(line.outputSpeed, quint32(c.settings.baudRate));
        EXPECT_EQ(line.inputSpeed, quint32(c.settings.baudRate));
        EXPECT_EQ(line.twoStopBits, c.twoStop) << c.settings.baudRate;
        EXPECT_EQ(line.rtsCts, c.rtsCts) << c.settings.baudRate;
        EXPECT_EQ(line.xonXoff, c.xonXoff) << c.settings.baudRate;
    }
}

TEST(SerialLine, ChangesWhileOpenReachThePseudoTerminalAndBytesStillPass) {
    PtyDevice device;
    core::SerialPortAccess port;
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    ASSERT_TRUE(port.changeLine({250000, 8, StopBits::One, Parity::None, FlowControl::XonXoff}));
    EXPECT_EQ(readPtyLine(device.masterFd()).outputSpeed, 250000u);
    EXPECT_TRUE(readPtyLine(device.masterFd()).xonXoff);
    port.write("AT\r");
    EXPECT_EQ(device.receive(3), QByteArray("AT\r"));
}

TEST(SerialLine, EveryParityAndDataSizeIsAskedOfTheDriverAsChosen) {
    const core::LineSettings cases[] = {
        {9600, 8, StopBits::One, Parity::None},  {9600, 8, StopBits::One, Parity::Even},
        {9600, 8, StopBits::One, Parity::Odd},   {9600, 8, StopBits::One, Parity::Mark},
        {9600, 8, StopBits::One, Parity::Space}, {9600, 7, StopBits::One, Parity::Even},
        {9600, 8, StopBits::Two, Parity::None},  {300, 5, StopBits::OneAndHalf, Parity::Odd},
    };
    for (const core::LineSettings &settings : cases) {
        PtyDevice device;
        FakeLineCalls calls;
        core::SerialPortAccess port;
        port.setLineCalls(calls);
        ASSERT_TRUE(port.open(device.slavePath(), settings)) << core::describe(settings).toStdString();
        ASSERT_EQ(calls.of(Kind::Apply).size(), 1);
        EXPECT_EQ(calls.of(Kind::Apply)[0].settings, settings);
    }
}

TEST(SerialLine, AStaleMarkSpaceBitIsSetRightBySecondPass) {
    PtyDevice device;
    FakeLineCalls calls;
    calls.staleMarkSpace = true;
    core::SerialPortAccess port;
    port.setLineCalls(calls);
    const core::LineSettings even{9600, 8, StopBits::One, Parity::Even};
    ASSERT_TRUE(port.open(device.slavePath(), even));
    EXPECT_EQ(calls.of(Kind::Apply).size(), 2);
    EXPECT_EQ(calls.readLine(0), even);
}

TEST(SerialLine, ARefusedRateFailsTheOpenWithTheReasonAndLeavesThePortClosed) {
    PtyDevice device;
    FakeLineCalls calls;
    calls.keptRate = 3000000;
    core::SerialPortAccess port;
    port.setLineCalls(calls);
    EXPECT_FALSE(port.open(device.slavePath(), {4000000, 8, StopBits::One}));
    EXPECT_EQ(port.errorString(), QStringLiteral("Порт не принимает эти настройки линии.\n"
                                                 "Запрошено 4000000 8N1, устройство оставило 3000000 8N1."));
    EXPECT_FALSE(port.probe());
    // While open, a refused change leaves the line as it was.
    calls.keptRate.reset();
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    calls.keptRate = 9600;
    EXPECT_FALSE(port.changeLine({921600, 8, StopBits::One}));
    EXPECT_EQ(calls.calls.last().settings, k9600);
    EXPECT_TRUE(port.probe());
}

TEST(SerialLine, OutputsAreInactiveByDefaultAndTheChosenStateReturnsAtEveryOpen) {
    PtyDevice device;
    FakeLineCalls calls;
    core::SerialPortAccess port;
    port.setLineCalls(calls);
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    ASSERT_EQ(calls.of(Kind::Dtr).size(), 1);
    EXPECT_FALSE(calls.of(Kind::Dtr)[0].on);
    EXPECT_FALSE(calls.of(Kind::Rts)[0].on);

    port.setOutputs({true, false});
    EXPECT_TRUE(calls.of(Kind::Dtr).last().on);
    port.close();
    calls.calls.clear();
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    EXPECT_TRUE(calls.of(Kind::Dtr).last().on);
    EXPECT_FALSE(calls.of(Kind::Rts).last().on);

    // With RTS/CTS the driver drives RTS: it is neither set nor pulsed.
    calls.calls.clear();
    ASSERT_TRUE(port.changeLine({9600, 8, StopBits::One, Parity::None, FlowControl::RtsCts}));
    port.setOutputs({true, true});
    EXPECT_TRUE(calls.of(Kind::Rts).isEmpty());
    EXPECT_FALSE(port.pulse(core::ModemLine::Rts, 100));
}

TEST(SerialLine, PulseAndBreakLastAsLongAsAsked) {
    const struct {
        bool isBreak;
        core::ModemLine line;
        bool dtrChosen;
        int ms;
    } cases[] = {{false, core::ModemLine::Dtr, false, 100},
                 {false, core::ModemLine::Dtr, true, 50},
                 {false, core::ModemLine::Rts, false, 100},
                 {true, {}, false, 250}};
    for (const auto &c : cases) {
        PtyDevice device;
        FakeLineCalls calls;
        core::SerialPortAccess port;
        port.setLineCalls(calls);
        port.setOutputs({c.dtrChosen, false});
        ASSERT_TRUE(port.open(device.slavePath(), k9600));
        calls.calls.clear();
        ASSERT_TRUE(c.isBreak ? port.sendBreak(c.ms) : port.pulse(c.line, c.ms));
        // One at a time.
        EXPECT_FALSE(c.isBreak ? port.sendBreak(c.ms) : port.pulse(c.line, c.ms));
        const Kind kind = c.isBreak ? Kind::Break : c.line == core::ModemLine::Dtr ? Kind::Dtr : Kind::Rts;
        ASSERT_TRUE(waitUntil([&] { return calls.of(kind).size() >= 2; }, 2000));
        const QList<FakeLineCalls::Call> made = calls.of(kind);
        const bool chosen = c.isBreak ? false : c.line == core::ModemLine::Dtr && c.dtrChosen;
        EXPECT_EQ(made[0].on, !chosen);
        EXPECT_EQ(made.last().on, chosen);
        const qint64 length = made.last().atMs - made[0].atMs;
        EXPECT_GE(length, c.ms - 1);
        EXPECT_LE(length, c.ms + kLateMs);
    }
}

TEST(SerialLine, InputLinesAreWatchedOnlyWhileAskedAndOnlyWhereTheDeviceHasThem) {
    PtyDevice device;
    FakeLineCalls calls;
    calls.setLines(core::InputLines{});
    core::SerialPortAccess port;
    port.setLineCalls(calls);
    QSignalSpy changes(&port, &core::PortAccess::inputLinesChanged);
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    EXPECT_EQ(calls.inputReads, 0);

    port.watchInputLines(true);
    ASSERT_EQ(changes.size(), 1);
    // Nothing is read while the lines stay as they are.
    processEventsFor(100);
    EXPECT_EQ(calls.inputReads, 1);
    calls.setLines(core::InputLines{true, false, true, false});
    ASSERT_TRUE(waitUntil([&] { return changes.size() == 2; }, 2000));
    EXPECT_EQ(port.inputLines(), (core::InputLines{true, false, true, false}));

    port.watchInputLines(false);
    const int reads = calls.inputReads;
    calls.setLines(core::InputLines{});
    processEventsFor(100);
    EXPECT_EQ(calls.inputReads, reads);
    EXPECT_EQ(port.inputLines(), std::nullopt);

    // A device without the lines is asked once, quietly.
    calls.setLines(std::nullopt);
    port.watchInputLines(true);
    processEventsFor(100);
    EXPECT_EQ(calls.inputReads, reads + 1);
    port.close();
}

TEST(SerialLine, APseudoTerminalHasNoInputLinesAndRefusesNothingElse) {
    PtyDevice device;
    core::SerialPortAccess port;
    ASSERT_TRUE(port.open(device.slavePath(), k9600));
    port.watchInputLines(true);
    EXPECT_EQ(port.inputLines(), std::nullopt);
    port.setOutputs({true, true});
    EXPECT_TRUE(port.probe());
}

TEST(SerialLine, AWaitBlockedInTheSystemEndsOnStop) {
    // Blocks as TIOCMIWAIT does, in a call only a signal ends.
    struct BlockingCalls : FakeLineCalls {
        int waits = 0;
        bool waitInputChange(int fd, const std::atomic<bool> &) override {
            ++waits;
            pollfd never{fd, POLLIN, 0};
            return ::poll(&never, 1, -1) > 0;
        }
    } calls;
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    core::InputLineWaiter waiter;
    std::atomic<int> changes = 0;
    waiter.start(calls, pipeEnds[0], [&] { ++changes; });
    ASSERT_TRUE(waitUntil([&] { return calls.waits == 1; }));
    QElapsedTimer clock;
    clock.start();
    waiter.stop();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(waiter.running());
    EXPECT_EQ(changes, 0);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}
