#include "session/SendModeDriver.h"

#include "session/PortChannel.h"
#include "session/Transmitter.h"

#include <climits>
#include <utility>

namespace session {

SendModeDriver::SendModeDriver(PortChannel &channel, Transmitter &transmitter, QObject *parent)
    : QObject(parent), m_channel(channel), m_transmitter(transmitter), m_periodText(QStringLiteral("1000")) {
    // The period timer sleeps until the next send can be due instead of
    // beating every millisecond; each tick reads the clock anew.
    m_timerPeriod.setSingleShot(true);
    m_timerPeriod.setTimerType(Qt::PreciseTimer);
    connect(&m_timerPeriod, &QTimer::timeout, this, &SendModeDriver::TimerPeriodTimer);
    connect(&m_channel, &PortChannel::changed, this, &SendModeDriver::reschedule);
}

tx::SendInputs SendModeDriver::sendInputs() const {
    return {m_sendMode, m_fileSendMode, m_fileSendMode ? static_cast<quint32>(m_fileLines.size()) : 0u, m_cyclic,
            m_transmitter.commandLine().isEmpty()};
}

void SendModeDriver::setSendMode(tx::SendMode mode) {
    if (std::exchange(m_sendMode, mode) == mode)
        return;
    if (tx::controlsForMode(mode).enablesPeriodTimer)
        m_sequencer.enablePeriodTimer();
    reschedule();
}

void SendModeDriver::setPeriodText(const QString &text) {
    m_periodText = text;
    reschedule();
}

void SendModeDriver::loadCommandLines(const QList<QByteArray> &lines) {
    m_sequencer.fileLoaded();
    m_fileLines = lines;
    m_fileSendMode = true;
    reschedule();
}

void SendModeDriver::closeCommandFile() {
    m_fileSendMode = false;
    m_fileLines.clear();
    reschedule();
}

void SendModeDriver::sendOnConnect() {
    if (m_sendOnConnect)
        CheckSendDataAftConnect();
}

void SendModeDriver::CheckSendDataAftConnect() {
    if (m_fileSendMode)
        StartSendCommands();
    else
        m_transmitter.sendCommandLine();
}

void SendModeDriver::StartSendCommands() {
    carryOut(m_sequencer.startSendCommands(sendInputs()));
    reschedule();
}

void SendModeDriver::TimerPeriodTimer() {
    carryOut(m_sequencer.periodTick(sendInputs(), m_periodText, m_channel.freeForSession(),
                                    m_channel.outputPendingMs() > 0));
    reschedule();
}

void SendModeDriver::reschedule() {
    const bool free = m_channel.freeForSession();
    const tx::SendInputs in = sendInputs();
    m_sequencer.reschedule(in, m_periodText, free);
    const std::optional<qint64> delay =
        m_sequencer.nextTickDelayMs(in, m_periodText, free, free ? m_channel.outputPendingMs() : 0);
    if (delay)
        m_timerPeriod.start(static_cast<int>(std::min<qint64>(*delay, INT_MAX)));
    else
        m_timerPeriod.stop();
}

void SendModeDriver::rearmCyclicPeriod() {
    if (m_sequencer.rearmCyclic(m_cyclic, m_sendMode))
        reschedule();
}

void SendModeDriver::carryOut(const tx::SendStep &step) {
    if (step.what == tx::SendStep::What::CommandLine)
        m_transmitter.sendCommandLine();
    else if (step.what == tx::SendStep::What::FileLine &&
             m_transmitter.SendPortData(m_fileLines.value(static_cast<qsizetype>(step.line))) ==
                 Transmitter::Outcome::Refused)
        // A line that did not go out goes first once the port is back.
        m_sequencer.lineNotSent(step.line);
    if (step.stopTimer) {
        m_timerPeriod.stop();
        // Housekeeping switches the timer on again for cyclic sending; it
        // does not wait for its next beat.
        QTimer::singleShot(0, this, &SendModeDriver::rearmCyclicPeriod);
    }
    if (step.allSentNotice)
        emit notice(tx::kAllSentNotice);
}

void SendModeDriver::afterAnswer(bool complete) {
    // Only an answer that is complete asks for the next command.
    carryOut(m_sequencer.afterAnswer(sendInputs(), !complete));
}

} // namespace session
