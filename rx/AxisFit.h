#pragma once

#include <QString>

namespace rx {

// A value axis for a range of values: round ends a little outside them,
// ticks at round steps, and a label format that tells the ticks apart in
// few characters (exponent notation for very large and very small values).
struct AxisFit {
    double min = 0;
    double max = 1;
    int ticks = 2;
    QString labelFormat; // printf style, for one double
    // Values are drawn divided by this (a power of ten), and min, max and the
    // labels are of the divided values: a chart maps values by the span of
    // its axis, and the span of values near the largest double is past it.
    double scale = 1;
};

// Any finite low <= high, from the smallest to the largest double.
AxisFit fitAxis(double low, double high);

} // namespace rx
