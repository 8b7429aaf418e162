#include "rx/PlotRecord.h"

#include <gtest/gtest.h>

using namespace rx;

namespace {

QList<Reading> row(std::initializer_list<Reading> readings) { return readings; }

TEST(PlotRecord, RowsBecomeCsvWithAColumnPerSeries) {
    PlotRecord record;
    record.add(5000, row({{"a", 1}, {"b", 2}}));
    record.add(5250, row({{"b", -0.5}}));
    record.add(6000, row({{"c", 1e-3}, {"a", 3}}));
    EXPECT_EQ(record.seriesNames(), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(record.toCsv(), "time,a,b,c\n"
                              "0.000,1,2,\n"
                              "0.250,,-0.5,\n"
                              "1.000,3,,0.001\n");
    EXPECT_EQ(record.lastX(PlotAxis::Time), 1.0);
    EXPECT_EQ(record.lastX(PlotAxis::Row), 2.0);
}

TEST(PlotRecord, NamesWithCommaOrQuoteAreQuotedInTheHeader) {
    PlotRecord record;
    record.add(0, row({{"1,5", 1}, {"\"x\"", 2}, {"\xD1\x82", 3}}));
    EXPECT_EQ(record.toCsv().split('\n').first(), "time,\"1,5\",\"\"\"x\"\"\",\xD1\x82");
}

TEST(PlotRecord, TheOldestPointsGoPastTheCapacity) {
    PlotRecord record;
    record.setCapacity(3);
    for (int n = 0; n < 3; ++n)
        record.add(n * 1000, row({{"a", double(n)}, {"b", double(-n)}}));
    EXPECT_EQ(record.size(), 3);
    EXPECT_EQ(record.dropped(), 3);
    // Times stay counted from the first point ever, rows keep their numbers.
    EXPECT_EQ(record.toCsv(), "time,a,b\n1.000,,-1\n2.000,2,-2\n");
    record.clear();
    EXPECT_EQ(record.size(), 0);
    EXPECT_EQ(record.dropped(), 0);
    EXPECT_TRUE(record.seriesNames().isEmpty());
}

TEST(PlotRecord, SeriesPastTheLimitAreRefused) {
    PlotRecord record;
    QList<Reading> many;
    for (int n = 0; n < PlotRecord::kMaxSeries + 2; ++n)
        many.append({QString::number(n), 1});
    EXPECT_EQ(record.add(0, many), 2);
    EXPECT_EQ(record.seriesNames().size(), PlotRecord::kMaxSeries);
}

TEST(PlotRecord, ViewKeepsTheRangeAndThinsToLowAndHighPerSlice) {
    PlotRecord record;
    const double values[] = {5, 9, 1, 7, 4, 6, 2, 8};
    for (int n = 0; n < 8; ++n)
        record.add(n * 100, row({{"a", values[n]}}));
    // Rows 2..7 in two slices of three: [1 7 4] and [6 2 8].
    const auto view = record.view(PlotAxis::Row, 2, 8, 2);
    ASSERT_EQ(view.size(), 1u);
    EXPECT_EQ(view[0], (QList<QPointF>{{2, 1}, {3, 7}, {6, 2}, {7, 8}}));
    // Wide enough a slice per point leaves every point.
    EXPECT_EQ(record.view(PlotAxis::Time, 0.65, 10, 1000)[0], (QList<QPointF>{{0.7, 8}}));
}

// What the record holds goes out: a series named twice in a row and a column
// left empty.
TEST(PlotRecord, CsvHoldsEveryValueOfTheRecord) {
    PlotRecord record;
    record.add(0, scanNumbers("a:1 a:2 b:3").rows.first());
    record.add(1000, scanNumbers("1;;3").rows.first());
    record.add(2000, scanNumbers("a:4 b:5 a:6 a:7").rows.first());
    EXPECT_EQ(record.size(), 9);
    EXPECT_EQ(record.toCsv(), "time,a,b,1,3\n"
                              "0.000,1,,,\n"
                              "0.000,2,3,,\n"
                              "1.000,,,1,3\n"
                              "2.000,4,5,,\n"
                              "2.000,6,,,\n"
                              "2.000,7,,,\n");
}

} // namespace
