#pragma once

#include "core/platform/LineCalls.h"

#include <QElapsedTimer>
#include <QList>

// Records the line's calls with the time each was made, and plays a driver:
// it keeps what was applied (unless told to keep a rate or a stale flag) and
// answers the input lines it is given.
class FakeLineCalls : public core::LineCalls {
public:
    struct Call {
        enum class Kind { Apply, Dtr, Rts, Break } kind;
        bool on = false;                  // the line's or break's new state
        core::LineSettings settings = {}; // Apply
        qint64 atMs = 0;
    };

    FakeLineCalls() { m_clock.start(); }

    bool applyLine(int fd, const core::LineSettings &settings, QString &error) override;
    std::optional<core::LineSettings> readLine(int fd) override;
    bool setModemLine(int fd, core::ModemLine line, bool active) override;
    bool setBreak(int fd, bool on) override;
    std::optional<core::InputLines> inputLines(int fd) override;

    QList<Call> calls;
    // The driver keeps this rate whatever is asked.
    std::optional<qint32> keptRate;
    // The first apply leaves the mark/space bit set (space for even).
    bool staleMarkSpace = false;
    // The input lines answered; empty: the device has none.
    std::optional<core::InputLines> lines;
    int inputReads = 0;

    QList<Call> of(Call::Kind kind) const;

private:
    QElapsedTimer m_clock;
    std::optional<core::LineSettings> m_line;
};
