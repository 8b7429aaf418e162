#include "rx/ReadStatistics.h"

#include "rx/WeekClock.h"

#include <gtest/gtest.h>

using namespace rx;

namespace {

TEST(ReadStatistics, StartsAsAfterAReset) {
    const ReadStatistics stats;
    EXPECT_EQ(readCountText(stats.ReadCount), QStringLiteral("Read: 0"));
    EXPECT_EQ(sendCountText(stats.SendCount), QStringLiteral("Send: 0"));
    EXPECT_EQ(minWaitText(stats.MinWait), QStringLiteral("MIN_T_W:  NA"));
    EXPECT_EQ(maxWaitText(stats.MaxWait), QStringLiteral("MAX_T_W: NA"));
}

TEST(ReadStatistics, FirstReadAfterStartupOnlyRecordsItsTime) {
    ReadStatistics stats;
    EXPECT_FALSE(stats.recordRead(5000));
    EXPECT_EQ(stats.ReadCount, 1u);
    EXPECT_EQ(stats.LastReadTime, 5000);
    EXPECT_EQ(stats.MinWait, ReadStatistics::kNoMinWait);
    EXPECT_EQ(stats.MaxWait, 0);
}

TEST(ReadStatistics, TracksSmallestAndLargestTimeBetweenReads) {
    ReadStatistics stats;
    stats.recordRead(5000);
    EXPECT_TRUE(stats.recordRead(5030));
    EXPECT_EQ(stats.MinWait, 30);
    EXPECT_EQ(stats.MaxWait, 30);
    EXPECT_TRUE(stats.recordRead(5040));
    EXPECT_TRUE(stats.recordRead(5090));
    EXPECT_EQ(stats.MinWait, 10);
    EXPECT_EQ(stats.MaxWait, 50);
    EXPECT_EQ(stats.ReadCount, 4u);
    EXPECT_EQ(minWaitText(stats.MinWait), QStringLiteral("MIN_T_W:  10"));
    EXPECT_EQ(maxWaitText(stats.MaxWait), QStringLiteral("MAX_T_W: 50"));
    EXPECT_EQ(readCountText(stats.ReadCount), QStringLiteral("Read: 4"));
}

TEST(ReadStatistics, ReadAcrossTheWeeklyWrapLeavesTheExtremesAlone) {
    ReadStatistics stats;
    stats.recordRead(1000);
    stats.recordRead(1100);
    EXPECT_TRUE(stats.recordRead(kWeekMs - 10));
    const qint32 min = stats.MinWait;
    const qint32 max = stats.MaxWait;
    EXPECT_FALSE(stats.recordRead(5));
    EXPECT_EQ(stats.MinWait, min);
    EXPECT_EQ(stats.MaxWait, max);
    EXPECT_EQ(stats.LastReadTime, 5);
    EXPECT_EQ(stats.ReadCount, 4u);
}

TEST(ReadStatistics, TwoReadsAtTheSameClockReadingMeasureNothing) {
    ReadStatistics stats;
    stats.recordRead(1000);
    EXPECT_FALSE(stats.recordRead(1000));
    EXPECT_EQ(stats.MinWait, ReadStatistics::kNoMinWait);
}

TEST(ReadStatistics, ReadAtMondayMidnightIsNoStartingPoint) {
    ReadStatistics stats;
    stats.recordRead(kWeekMs - 1);
    stats.recordRead(0);
    EXPECT_FALSE(stats.recordRead(100));
    EXPECT_EQ(stats.MaxWait, 0);
}

TEST(ReadStatistics, ResetClearsCountersAndExtremesButKeepsReadTimes) {
    ReadStatistics stats;
    stats.recordRead(1000);
    stats.recordRead(1300);
    stats.SendCount = 7;
    stats.reset();
    EXPECT_EQ(stats.ReadCount, 0u);
    EXPECT_EQ(stats.SendCount, 0u);
    EXPECT_EQ(stats.MinWait, ReadStatistics::kNoMinWait);
    EXPECT_EQ(stats.MaxWait, 0);
    EXPECT_EQ(stats.PrevReadTime, 1000);
    EXPECT_EQ(stats.LastReadTime, 1300);
}

TEST(ReadStatistics, FirstReadAfterResetIsMeasuredFromTheLastReadBefore) {
    ReadStatistics stats;
    stats.recordRead(1000);
    stats.recordRead(1300);
    stats.reset();
    EXPECT_TRUE(stats.recordRead(1500));
    EXPECT_EQ(minWaitText(stats.MinWait), QStringLiteral("MIN_T_W:  200"));
    EXPECT_EQ(maxWaitText(stats.MaxWait), QStringLiteral("MAX_T_W: 200"));
    EXPECT_EQ(readCountText(stats.ReadCount), QStringLiteral("Read: 1"));
}

TEST(ReadStatistics, SendCountText) { EXPECT_EQ(sendCountText(12), QStringLiteral("Send: 12")); }

} // namespace
