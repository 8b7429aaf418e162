#include "rx/PacketGapSteps.h"

#include <gtest/gtest.h>

#include <vector>

using namespace rx;

namespace {

// Appends first, first + step, ..., last.
void appendRange(std::vector<qint32> &values, qint32 first, qint32 last, qint32 step) {
    for (qint32 v = first; step > 0 ? v <= last : v >= last; v += step)
        values.push_back(v);
}

// 1, 2 … 10, 15 … 100, 150 … 1000, 1500 … 10000, 15000 … 100000
std::vector<qint32> upSequence() {
    std::vector<qint32> values;
    appendRange(values, 1, 10, 1);
    appendRange(values, 15, 100, 5);
    appendRange(values, 150, 1000, 50);
    appendRange(values, 1500, 10000, 500);
    appendRange(values, 15000, 100000, 5000);
    return values;
}

// 50000, 45000 … 10000, 5000, 4500 … 1000, 500, 450 … 100, 50, 45 … 10, 5, 4 … 0
std::vector<qint32> downSequence() {
    std::vector<qint32> values;
    appendRange(values, 50000, 10000, -5000);
    appendRange(values, 5000, 1000, -500);
    appendRange(values, 500, 100, -50);
    appendRange(values, 50, 10, -5);
    appendRange(values, 5, 0, -1);
    return values;
}

TEST(PacketGapSteps, UpClicksFromZero) {
    const std::vector<qint32> expected = upSequence();
    std::vector<qint32> seen;
    for (qint32 v = 0; v < kMaxPacketGap;) {
        v = packetGapUp(v);
        seen.push_back(v);
    }
    EXPECT_EQ(seen, expected);
}

TEST(PacketGapSteps, DownClicksFromTheTop) {
    const std::vector<qint32> expected = downSequence();
    std::vector<qint32> seen;
    for (qint32 v = kMaxPacketGap; v > 0;) {
        v = packetGapDown(v);
        seen.push_back(v);
    }
    EXPECT_EQ(seen, expected);
}

TEST(PacketGapSteps, Limits) {
    EXPECT_EQ(packetGapDown(0), 0);
    EXPECT_EQ(packetGapUp(100000), 100000);
    EXPECT_EQ(packetGapDown(100000), 50000);
}

// The spinner stops reporting clicks after as many down clicks as there were
// up clicks, so going down must never need more clicks than going up did.
TEST(PacketGapSteps, EveryValueReachedGoingUpReturnsToZeroInNoMoreDownClicks) {
    qint32 value = 0;
    int upClicks = 0;
    while (value < kMaxPacketGap) {
        value = packetGapUp(value);
        ++upClicks;
        int downClicks = 0;
        for (qint32 v = value; v > 0; v = packetGapDown(v))
            ++downClicks;
        EXPECT_LE(downClicks, upClicks) << value;
    }
}

TEST(PacketGapSteps, Readout) {
    EXPECT_EQ(packetGapReadout(0), QStringLiteral("TimeOutRX: 0"));
    EXPECT_EQ(packetGapReadout(1500), QStringLiteral("TimeOutRX: 1500"));
    EXPECT_EQ(packetGapReadout(100000), QStringLiteral("TimeOutRX: 100000"));
}

} // namespace
