#pragma once

#include <QString>

#include <optional>

namespace core {

enum class StopBits { One, OneAndHalf, Two };

// Baud rate, data bits and stop bits of one open; parity and flow control are
// always off.
struct LineSettings {
    qint32 baudRate = 0;
    int dataBits = 0;
    StopBits stopBits = StopBits::One;
};

// What the window's lists have selected at start: 1200 baud, 8 data bits,
// one stop bit.
inline constexpr LineSettings kStartLineSettings{1200, 8, StopBits::One};

// Reads the settings from the texts of the selected list entries and the
// position of the stop-bits entry. Empty when a number does not parse.
std::optional<LineSettings> parseLineSettings(const QString &baudRateText, const QString &dataBitsText,
                                              int stopBitsIndex);

// Serial hardware cannot frame 5 data bits with 2 stop bits, nor 6 to 8 data
// bits with one and a half; such settings are refused like an unsupported rate.
bool isSupported(const LineSettings &settings);

} // namespace core
