#include "support/FakeLineCalls.h"

bool FakeLineCalls::applyLine(int, const core::LineSettings &settings, QString &) {
    calls.append({Call::Kind::Apply, true, settings, m_clock.elapsed()});
    m_line = settings;
    if (keptRate)
        m_line->baudRate = *keptRate;
    if (std::exchange(staleMarkSpace, false) && settings.parity == core::Parity::Even)
        m_line->parity = core::Parity::Space;
    return true;
}

std::optional<core::LineSettings> FakeLineCalls::readLine(int) { return m_line; }

bool FakeLineCalls::setModemLine(int, core::ModemLine line, bool active) {
    calls.append({line == core::ModemLine::Dtr ? Call::Kind::Dtr : Call::Kind::Rts, active, {}, m_clock.elapsed()});
    return true;
}

bool FakeLineCalls::setBreak(int, bool on) {
    calls.append({Call::Kind::Break, on, {}, m_clock.elapsed()});
    return true;
}

std::optional<core::InputLines> FakeLineCalls::inputLines(int) {
    ++inputReads;
    const std::lock_guard lock(m_mutex);
    m_versionRead = m_linesVersion;
    return m_lines;
}

bool FakeLineCalls::waitInputChange(int, const std::atomic<bool> &stop) {
    std::unique_lock lock(m_mutex);
    // As the driver: a device without the lines cannot tell.
    if (!m_lines)
        return false;
    // A change since the lines were last read counts, as a driver's
    // counters of line changes do.
    while (m_linesVersion == m_versionRead && !stop)
        m_changed.wait_for(lock, std::chrono::milliseconds(5));
    if (!stop)
        m_versionRead = m_linesVersion;
    return !stop;
}

void FakeLineCalls::setLines(const std::optional<core::InputLines> &lines) {
    {
        const std::lock_guard lock(m_mutex);
        m_lines = lines;
        ++m_linesVersion;
    }
    m_changed.notify_all();
}

QList<FakeLineCalls::Call> FakeLineCalls::of(Call::Kind kind) const {
    QList<Call> out;
    for (const Call &call : calls)
        if (call.kind == kind)
            out.append(call);
    return out;
}
