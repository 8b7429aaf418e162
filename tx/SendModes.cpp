#include "tx/SendModes.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tx {

namespace {

qint64 steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

SendModeControls controlsForMode(SendMode mode) {
    switch (mode) {
    case SendMode::Manual:
        return {true, true, false, false};
    case SendMode::AfterAnswer:
        return {true, true, true, false};
    case SendMode::OnSelect:
        return {true, false, false, false};
    case SendMode::Period:
        return {true, true, true, true};
    }
    return {};
}

bool periodKeyAllowed(QStringView typed) {
    // Delete and Tab type nothing into the field either.
    if (typed.isEmpty() || typed == u"\x7f" || typed == u"\t")
        return true;
    return typed.size() == 1 && ((typed[0] >= u'0' && typed[0] <= u'9') || typed[0] == u'\b');
}

std::optional<qint64> periodMs(QStringView text) {
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    qint64 ms = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        ms = ms * 10 + (c.unicode() - u'0');
    }
    return ms;
}

SendSequencer::SendSequencer(Clock clock) : m_clock(clock ? std::move(clock) : Clock(steadyMs)) {}

SendStep SendSequencer::nextFileLine() {
    SendStep step{SendStep::What::FileLine, m_fileLineIndex};
    ++m_fileLineIndex;
    return step;
}

SendStep SendSequencer::startSendCommands(const SendInputs &in) {
    switch (in.mode) {
    case SendMode::Manual:
    case SendMode::AfterAnswer:
        if (m_fileLineIndex < in.lineCount)
            return nextFileLine();
        m_fileLineIndex = 0;
        return {.allSentNotice = true};
    case SendMode::Period:
        enablePeriodTimer();
        return {};
    case SendMode::OnSelect:
        return {};
    }
    return {};
}

SendStep SendSequencer::periodTick(const SendInputs &in, QStringView periodText, bool portOpen, bool outputPending) {
    if (!m_timerEnabled)
        return {};
    m_periodOwnsNotice = true;
    if (in.mode != SendMode::Period)
        return {};
    const qint64 now = m_clock();
    const std::optional<qint64> period = periodMs(periodText);
    if (!period)
        return {};
    // A clock that went back (only an injected one can) restarts the period
    // rather than holding sending back until it catches up.
    if (m_lastPeriodTime && now < *m_lastPeriodTime)
        m_lastPeriodTime = now;
    if ((m_lastPeriodTime && now - *m_lastPeriodTime <= *period) || !portOpen || outputPending)
        return {};
    m_lastPeriodTime = now;
    if (!in.fileMode)
        return {SendStep::What::CommandLine};
    if (m_fileLineIndex < in.lineCount)
        return nextFileLine();
    // Past the end: a cyclic file starts again at the next period.
    m_fileLineIndex = 0;
    if (in.cyclic)
        return {};
    m_timerEnabled = false;
    SendStep step{.stopTimer = true};
    if (m_periodOwnsNotice) {
        m_periodOwnsNotice = false;
        step.allSentNotice = true;
    }
    return step;
}

SendStep SendSequencer::afterAnswer(const SendInputs &in, bool bytesWaiting) {
    if (in.mode != SendMode::AfterAnswer || bytesWaiting)
        return {};
    if (!in.fileMode)
        return {SendStep::What::CommandLine};
    SendStep step;
    bool maySend = true;
    if (m_fileLineIndex >= in.lineCount) {
        maySend = in.cyclic;
        step.allSentNotice = !in.cyclic && !m_periodOwnsNotice;
        m_fileLineIndex = 0;
    }
    if (maySend && m_fileLineIndex < in.lineCount)
        return nextFileLine();
    return step;
}

void SendSequencer::enablePeriodTimer() {
    m_timerEnabled = true;
    // Set at every tick of the running timer; the first tick is due at once.
    m_periodOwnsNotice = true;
}

bool SendSequencer::rearmCyclic(bool cyclic, SendMode mode) {
    if (!cyclic || mode != SendMode::Period || m_timerEnabled)
        return false;
    enablePeriodTimer();
    return true;
}

void SendSequencer::lineNotSent(quint32 line) {
    if (line < m_fileLineIndex)
        m_fileLineIndex = line;
}

bool SendSequencer::periodRuns(const SendInputs &in, QStringView periodText, bool portOpen) const {
    return m_timerEnabled && in.mode == SendMode::Period && periodMs(periodText) && portOpen;
}

void SendSequencer::reschedule(const SendInputs &in, QStringView periodText, bool portOpen) {
    if (!periodRuns(in, periodText, portOpen))
        return;
    const bool wasIdle = std::exchange(m_idle, !in.fileMode && in.emptyCommandLine);
    if (m_idle || !wasIdle || !m_lastPeriodTime)
        return;
    // The empty sends skipped meanwhile each started a period anew.
    const qint64 now = m_clock();
    const qint64 length = *periodMs(periodText) + 1; // a send needs strictly more than the period
    if (now - *m_lastPeriodTime >= length)
        *m_lastPeriodTime += (now - *m_lastPeriodTime) / length * length;
}

std::optional<qint64> SendSequencer::nextTickDelayMs(const SendInputs &in, QStringView periodText, bool portOpen,
                                                     qint64 outputPendingMs) const {
    if (!periodRuns(in, periodText, portOpen) || m_idle)
        return std::nullopt;
    const qint64 length = *periodMs(periodText) + 1;
    const qint64 due = m_lastPeriodTime ? *m_lastPeriodTime + length - m_clock() : 0;
    return std::max({due, qint64(0), outputPendingMs});
}

} // namespace tx
