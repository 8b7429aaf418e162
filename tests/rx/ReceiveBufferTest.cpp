#include "rx/ReceiveBuffer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace rx;

namespace {

constexpr std::optional<QByteArray> kNone;

struct Step {
    qint32 now;
    QByteArray read; // bytes read on this tick
    std::optional<QByteArray> line;
    quint32 leftBuffered;
    std::optional<qint32> nextDelay;
};

struct Case {
    const char *name;
    qint32 gap;
    core::DataMode mode;
    std::vector<Step> steps;
};

const Case kCases[] = {
    {"a line end waits for the silence too",
     10,
     core::DataMode::Ascii,
     {{100, "OK\r", kNone, 3, 11}, {111, "", "OK\r", 0, std::nullopt}}},
    {"unfinished ASCII text waits for the gap",
     10,
     core::DataMode::Ascii,
     {{100, "OK", kNone, 2, 11}, {105, "", kNone, 2, 6}, {111, "", "OK", 0, std::nullopt}}},
    {"bytes within the gap join the packet",
     10,
     core::DataMode::Hex,
     {{100, "\x01", kNone, 1, 11}, {108, "\x02", kNone, 2, 11}, {119, "", "01 02", 0, std::nullopt}}},
    {"line feeds alone are consumed and show nothing",
     0,
     core::DataMode::Ascii,
     {{100, "\n\n", kNone, 2, 1}, {101, "", kNone, 0, std::nullopt}}},
    {"more than 1500 bytes end the packet at once",
     1000,
     core::DataMode::Ascii,
     {{100, QByteArray(1501, 'x'), QByteArray(1501, 'x'), 0, std::nullopt}}},
};

TEST(ReceiveBuffer, TicksGiveLinesAndTheNextDelay) {
    for (const Case &c : kCases) {
        ReceiveBuffer buffer;
        for (const Step &step : c.steps) {
            buffer.append(step.read);
            const std::optional<QByteArray> line = buffer.tick(step.now, !step.read.isEmpty(), c.gap, c.mode);
            EXPECT_EQ(line, step.line) << c.name << " at " << step.now;
            EXPECT_EQ(buffer.length(), step.leftBuffered) << c.name << " at " << step.now;
            EXPECT_EQ(buffer.nextTickDelayMs(step.now, c.gap, false), step.nextDelay) << c.name << " at " << step.now;
        }
    }
}

TEST(ReceiveBuffer, AFullBufferIsShownWholeAsHex) {
    ReceiveBuffer buffer;
    buffer.append(QByteArray(1400, 'a'));
    EXPECT_EQ(buffer.room(), 648);
    buffer.append(QByteArray(1000, 'b'));
    EXPECT_EQ(buffer.room(), 0);
    const std::optional<QByteArray> line = buffer.tick(1, true, 1000, core::DataMode::Hex);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->size(), 2048 * 3 - 1);
    EXPECT_TRUE(line->endsWith("62 62"));
}

TEST(ReceiveBuffer, ASendEndsThePacketWhateverTheGap) {
    const struct {
        core::DataMode mode;
        QByteArray buffered;
        std::optional<QByteArray> line;
    } cases[] = {
        {core::DataMode::Ascii, "OK", "OK"}, // no line end yet: shown whole all the same
        {core::DataMode::Ascii, "A\rB\r\n", "A\r\nB\r"},
        {core::DataMode::Ascii, "\n", kNone},
        {core::DataMode::Hex, "\x01\x02", "01 02"},
        {core::DataMode::Hex, "", kNone},
    };
    for (const auto &c : cases) {
        ReceiveBuffer buffer;
        buffer.append(c.buffered);
        EXPECT_EQ(buffer.endPacket(c.mode), c.line) << c.buffered.toHex().constData();
        EXPECT_EQ(buffer.length(), 0u);
    }
}

} // namespace
