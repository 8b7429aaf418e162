#pragma once

#include "core/platform/LineCalls.h"

#include <QElapsedTimer>
#include <QList>

#include <condition_variable>
#include <mutex>

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
    // Wakes when setLines() changed them (or stop is set).
    bool waitInputChange(int fd, const std::atomic<bool> &stop) override;
    // The input lines answered from now on; empty: the device has none.
    void setLines(const std::optional<core::InputLines> &lines);

    QList<Call> calls;
    // The driver keeps this rate whatever is asked.
    std::optional<qint32> keptRate;
    // The first apply leaves the mark/space bit set (space for even).
    bool staleMarkSpace = false;
    std::atomic<int> inputReads = 0;

    QList<Call> of(Call::Kind kind) const;

private:
    QElapsedTimer m_clock;
    std::optional<core::LineSettings> m_line;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<core::InputLines> m_lines;
    quint64 m_linesVersion = 0;
    quint64 m_versionRead = 0;
};
