#include "ui/widgets/UpDown.h"

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Directions reported so far, in order.
QList<int> reported(const QSignalSpy &spy) {
    QList<int> directions;
    for (const QList<QVariant> &call : spy)
        directions.append(call.at(0).toInt());
    return directions;
}

class UpDownTest : public ::testing::Test {
protected:
    void SetUp() override {
        spinner.setRange(0, 100);
        spinner.resize(17, 24);
        spinner.show();
    }

    void clickArrow(const char *name) {
        auto *arrow = spinner.findChild<QToolButton *>(QLatin1String(name));
        ASSERT_NE(arrow, nullptr);
        QTest::mouseClick(arrow, Qt::LeftButton);
    }

    ui::UpDown spinner;
    QSignalSpy spy{&spinner, &ui::UpDown::clicked};
};

TEST_F(UpDownTest, StartsAtZeroWithItsRange) {
    EXPECT_EQ(spinner.position(), 0);
    EXPECT_EQ(spinner.minimum(), 0);
    EXPECT_EQ(spinner.maximum(), 100);
}

TEST_F(UpDownTest, ArrowsMoveByOneAndReportTheirDirection) {
    for (int i = 0; i < 3; ++i)
        clickArrow("up");
    EXPECT_EQ(spinner.position(), 3);
    for (int i = 0; i < 3; ++i)
        clickArrow("down");
    EXPECT_EQ(spinner.position(), 0);
    EXPECT_EQ(reported(spy), (QList<int>{1, 1, 1, -1, -1, -1}));
}

TEST_F(UpDownTest, DownAtTheMinimumReportsNothing) {
    clickArrow("down");
    EXPECT_EQ(spinner.position(), 0);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(UpDownTest, UpAtTheMaximumReportsNothingAndDoesNotWrap) {
    for (int i = 0; i < 100; ++i)
        spinner.stepUp();
    EXPECT_EQ(spinner.position(), 100);
    EXPECT_EQ(spy.count(), 100);

    clickArrow("up");
    EXPECT_EQ(spinner.position(), 100);
    EXPECT_EQ(spy.count(), 100);

    clickArrow("down");
    EXPECT_EQ(spinner.position(), 99);
    EXPECT_EQ(reported(spy).last(), -1);
}

TEST_F(UpDownTest, PositionAndRangeStayConsistentWithoutReporting) {
    spinner.setPosition(150);
    EXPECT_EQ(spinner.position(), 100);
    spinner.setRange(10, 50);
    EXPECT_EQ(spinner.position(), 50);
    spinner.setPosition(-5);
    EXPECT_EQ(spinner.position(), 10);
    spinner.stepDown();
    EXPECT_EQ(spinner.position(), 10);
    EXPECT_EQ(spy.count(), 0);
}

} // namespace
