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
};

// Any finite low <= high, from the smallest to the largest double.
AxisFit fitAxis(double low, double high);

} // namespace rx
