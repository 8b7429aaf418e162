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
    return lines;
}

QList<FakeLineCalls::Call> FakeLineCalls::of(Call::Kind kind) const {
    QList<Call> out;
    for (const Call &call : calls)
        if (call.kind == kind)
            out.append(call);
    return out;
}
