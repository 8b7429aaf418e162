#include "rx/WeekClock.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace rx;

namespace {

struct WeekClockCase {
    QDate date;
    QTime time;
    qint32 expected;
};

// 1 January 2024 is a Monday.
const WeekClockCase kCases[] = {
    {QDate(2024, 1, 1), QTime(0, 0, 0, 0), 0},
    {QDate(2024, 1, 1), QTime(0, 0, 0, 1), 1},
    {QDate(2024, 1, 1), QTime(23, 59, 59, 999), 86399999},
    {QDate(2024, 1, 2), QTime(0, 0, 0, 0), 86400000},
    {QDate(2024, 1, 3), QTime(14, 3, 7, 512), 223387512},
    {QDate(2024, 1, 7), QTime(23, 59, 59, 999), kWeekMs - 1},
    {QDate(2024, 1, 8), QTime(0, 0, 0, 0), 0},
    {QDate(2021, 3, 3), QTime(8, 4, 9, 0), 2 * 86400000 + (8 * 3600 + 4 * 60 + 9) * 1000},
};

void PrintTo(const WeekClockCase &c, std::ostream *os) {
    *os << qPrintable(QDateTime(c.date, c.time).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")));
}

class WeekClockReading : public ::testing::TestWithParam<WeekClockCase> {};

TEST_P(WeekClockReading, CountsMillisecondsSinceMondayMidnight) {
    const WeekClockCase &c = GetParam();
    EXPECT_EQ(WeekClockMs(QDateTime(c.date, c.time)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Readings, WeekClockReading, ::testing::ValuesIn(kCases));

TEST(WeekClock, NowIsWithinTheWeek) {
    const qint32 now = WeekClockMs();
    EXPECT_GE(now, 0);
    EXPECT_LT(now, kWeekMs);
}

} // namespace
