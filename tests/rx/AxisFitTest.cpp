// The plot's value axis for values of any finite magnitude: it holds them,
// its ends are finite, and the labels of its ticks are short and apart.
#include "rx/AxisFit.h"

#include <QSet>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

using namespace rx;

namespace {

TEST(AxisFit, HoldsAnyFiniteValuesWithShortDistinctLabels) {
    struct Case {
        double low, high;
    };
    QList<Case> cases = {
        {0, 1},
        {0, 0},
        {21.5, 21.5},
        {-1, 1},
        {0.1, 0.3},
        {99, 101},
        {-1e308, 1e308},
        {-DBL_MAX, DBL_MAX},
        {DBL_MAX, DBL_MAX},
        {-DBL_MAX, -DBL_MAX},
        {1e-300, 3e-300},
        {-1e-300, 1e-300},
        {5e-324, 5e-324},
        {1e-20, 1e-20},
        {1e-20, 2e-20},
        {1e6, 1e6 + 50},
        {-123456789, 0},
        {0.0001, 0.0002},
    };
    // Every decade from 1e-300 to 1e308, both signs, a band of values each.
    for (int exponent = -300; exponent <= 308; exponent += 4) {
        const double value = std::pow(10.0, exponent);
        cases.append({value, value * 1.5});
        cases.append({-value * 1.5, -value});
        cases.append({-value, value});
    }
    for (const Case &c : cases) {
        const AxisFit fit = fitAxis(c.low, c.high);
        const std::string where = QStringLiteral("%1..%2").arg(c.low).arg(c.high).toStdString();
        ASSERT_TRUE(std::isfinite(fit.min) && std::isfinite(fit.max)) << where;
        EXPECT_LE(fit.min, c.low / fit.scale) << where;
        EXPECT_GE(fit.max, c.high / fit.scale) << where;
        // The chart maps values by the span of the axis: it is finite.
        EXPECT_TRUE(std::isfinite(fit.max - fit.min)) << where;
        EXPECT_TRUE(fit.scale == 1 || std::max(std::abs(c.low), std::abs(c.high)) > 1e300) << where;
        EXPECT_LT(fit.min, fit.max) << where;
        EXPECT_GE(fit.ticks, 2) << where;
        EXPECT_LE(fit.ticks, 12) << where;
        QSet<QString> labels;
        for (int tick = 0; tick < fit.ticks; ++tick) {
            // In halves: the span of the widest axes is past the largest double.
            const double at = 2 * (fit.min / 2 + (fit.max / 2 - fit.min / 2) / (fit.ticks - 1) * tick);
            const QString label = QString::asprintf(fit.labelFormat.toLatin1().constData(), at);
            EXPECT_LE(label.size(), 12) << where << " " << label.toStdString();
            labels.insert(label);
        }
        EXPECT_EQ(labels.size(), fit.ticks) << where << " " << fit.labelFormat.toStdString();
    }
}

TEST(AxisFit, PlainDecimalsForEverydayValuesExponentsBeyond) {
    const QList<std::tuple<double, double, QString>> table = {
        {0, 100, "%.0f"},       {0.1, 0.3, "%.2f"},      {1e9, 3e9, "%.1e"},
        {1e-20, 3e-20, "%.1e"}, {-1e308, 1e308, "%.1f"}, // of the values divided by 1e308
    };
    for (const auto &[low, high, format] : table)
        EXPECT_EQ(fitAxis(low, high).labelFormat, format) << low << ".." << high;
    EXPECT_EQ(fitAxis(-1e308, 1e308).scale, 1e308);
    EXPECT_EQ(fitAxis(-1e300, 1e300).scale, 1);
}

} // namespace
