#include "core/LineSettings.h"

namespace core {

std::optional<LineSettings> parseLineSettings(const QString &baudRateText, const QString &dataBitsText,
                                              int stopBitsIndex) {
    bool baudOk = false;
    bool bitsOk = false;
    LineSettings settings;
    settings.baudRate = baudRateText.toInt(&baudOk);
    settings.dataBits = dataBitsText.toInt(&bitsOk);
    if (!baudOk || !bitsOk)
        return std::nullopt;
    settings.stopBits = stopBitsIndex == 1 ? StopBits::OneAndHalf : stopBitsIndex == 2 ? StopBits::Two : StopBits::One;
    return settings;
}

bool isSupported(const LineSettings &settings) {
    if (settings.baudRate <= 0 || settings.dataBits < 5 || settings.dataBits > 8)
        return false;
    if (settings.dataBits == 5)
        return settings.stopBits != StopBits::Two;
    return settings.stopBits != StopBits::OneAndHalf;
}

} // namespace core
