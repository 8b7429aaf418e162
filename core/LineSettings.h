#pragma once

#include <QString>

#include <optional>

namespace core {

enum class StopBits { One, OneAndHalf, Two };
enum class Parity { None, Even, Odd, Mark, Space };
enum class FlowControl { None, RtsCts, XonXoff };

// The whole framing of one open: baud rate (any positive integer), data
// bits, stop bits, parity and flow control. Parity and flow control are off
// unless chosen.
struct LineSettings {
    qint32 baudRate = 0;
    int dataBits = 0;
    StopBits stopBits = StopBits::One;
    Parity parity = Parity::None;
    FlowControl flow = FlowControl::None;
    bool operator==(const LineSettings &) const = default;
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

// The short form users know from other terminals: "9600 8E1", "115200 8N1.5",
// with ", RTS/CTS" or ", XON/XOFF" when flow control is on.
QString describe(const LineSettings &settings);

// The names the window's choices and the runner's options use, in the order
// of the enums: "нет", "чёт", ... and "none", "even", ...
QString parityName(Parity parity);
QString flowName(FlowControl flow);
std::optional<Parity> parityFromOption(const QString &word);
std::optional<FlowControl> flowFromOption(const QString &word);
// A rate as the user types it: a positive integer, nothing else.
std::optional<qint32> parseBaudRate(const QString &text);

// The outputs the terminal drives and the inputs it shows.
enum class ModemLine { Dtr, Rts };
struct InputLines {
    bool cts = false;
    bool dsr = false;
    bool dcd = false;
    bool ri = false;
    bool operator==(const InputLines &) const = default;
};

// What the user chose for the outputs; both inactive unless switched on.
struct ModemOutputs {
    bool dtr = false;
    bool rts = false;
    bool operator==(const ModemOutputs &) const = default;
};

QString modemLineName(ModemLine line);

} // namespace core
