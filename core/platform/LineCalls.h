#pragma once

#include "core/LineSettings.h"

#include <QString>

#include <atomic>
#include <optional>

namespace core {

// The calls that set and read a serial line on an open descriptor: framing,
// the output lines, break and the input lines. The port reaches them through
// this interface so that tests can record what was asked (a pseudo-terminal
// has no parity, no modem lines and no break).
class LineCalls {
public:
    virtual ~LineCalls() = default;
    // Sets rate (any integer, not only the standard table), data bits, stop
    // bits, parity and flow control, and clears every other framing flag;
    // false with the system's reason.
    virtual bool applyLine(int fd, const LineSettings &settings, QString &error) = 0;
    // The framing as the driver keeps it; empty when it cannot be read.
    virtual std::optional<LineSettings> readLine(int fd) = 0;
    // Drives DTR or RTS; false where the device has no such line.
    virtual bool setModemLine(int fd, ModemLine line, bool active) = 0;
    // Starts (on) or ends a break condition; false where the device has none.
    virtual bool setBreak(int fd, bool on) = 0;
    // CTS, DSR, DCD and RI; empty where the device has no modem lines.
    virtual std::optional<InputLines> inputLines(int fd) = 0;
    // Blocks until an input line changes (true), or returns false at once
    // where the device cannot tell and when interrupted; a waiting thread is
    // interrupted by a signal (see InputLineWaiter) or, for a recorder, by
    // stop.
    virtual bool waitInputChange(int fd, const std::atomic<bool> &stop) = 0;
};

// The system's own calls (termios2 on Linux).
LineCalls &systemLineCalls();

} // namespace core
