#include "rx/AxisFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rx {
namespace {

// About this many steps between the ends.
constexpr int kSteps = 5;
// The share of the values' span left free above and below them.
constexpr double kMargin = 0.05;
// Labels in plain decimals from 1e-4 up to below 1e6, as %g would.
constexpr int kLowestPlainExponent = -4;
constexpr int kFirstExponentOfLarge = 6;
constexpr int kMaxDigits = 15;
// Values past this are drawn scaled down (see AxisFit::scale).
constexpr double kScaleAbove = 1e300;

double clampFinite(double value) {
    constexpr double kMax = std::numeric_limits<double>::max();
    return std::clamp(value, -kMax, kMax);
}

} // namespace

AxisFit fitAxis(double low, double high) {
    const double largest = std::max(std::abs(low), std::abs(high));
    if (largest > kScaleAbove) {
        const double scale = std::pow(10.0, std::floor(std::log10(largest)));
        AxisFit fit = fitAxis(low / scale, high / scale);
        fit.scale = scale;
        return fit;
    }
    if (low == high) {
        // A flat line: a band around it in its own magnitude.
        // A tenth of the smallest values is nothing: then the least normal.
        const double spread = low == 0 ? 1 : std::max(std::abs(low) * 0.1, std::numeric_limits<double>::min());
        low = clampFinite(low - spread);
        high = clampFinite(high + spread);
    }
    // Halves throughout: the span of -1e308..1e308 is past the largest double.
    const double halfSpan = high / 2 - low / 2;
    low = clampFinite(low - halfSpan * 2 * kMargin);
    high = clampFinite(high + halfSpan * 2 * kMargin);
    const double rawStep = (high / 2 - low / 2) / (kSteps / 2.0);
    const int exponent = static_cast<int>(std::floor(std::log10(rawStep)));
    const double unit = std::pow(10.0, exponent);
    const double fraction = rawStep / unit;
    const double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 2.5 ? 2.5 : fraction <= 5 ? 5 : 10;
    const double step = nice * unit;
    AxisFit fit;
    fit.min = clampFinite(std::floor(low / step) * step);
    fit.max = clampFinite(std::ceil(high / step) * step);
    fit.ticks = static_cast<int>(std::lround(fit.max / step - fit.min / step)) + 1;
    // Digits enough to tell one tick from the next.
    const double magnitude = std::max(std::abs(fit.min), std::abs(fit.max));
    const int top = static_cast<int>(std::floor(std::log10(magnitude)));
    const int stepExponent = static_cast<int>(std::floor(std::log10(step))) - (nice == 2.5 ? 1 : 0);
    if (top >= kLowestPlainExponent && top < kFirstExponentOfLarge)
        fit.labelFormat = QStringLiteral("%.%1f").arg(std::clamp(-stepExponent, 0, kMaxDigits));
    else
        fit.labelFormat = QStringLiteral("%.%1e").arg(std::clamp(top - stepExponent, 0, kMaxDigits));
    return fit;
}

} // namespace rx
