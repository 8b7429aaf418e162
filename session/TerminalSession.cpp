#include "session/TerminalSession.h"

#include "rx/LogLineRenderer.h"
#include "rx/LogTimeStamp.h"
#include "rx/WeekClock.h"
#include "tx/CommandEncoding.h"

#include <QScopeGuard>
#include <QThread>
#include <QTime>

#include <climits>
#include <utility>

namespace session {

namespace {

// The watch looks at the port this often.
constexpr int kCheckConnectMs = 1000;
// The device gets this long to start up after a reconnection; what it says
// meanwhile is logged before the next send.
constexpr unsigned long kReconnectSettleMs = 2000;
// Every open of the port pauses this long first.
constexpr unsigned long kOpenPauseMs = 5;

} // namespace

TerminalSession::TerminalSession(core::PortDirectory directory, QObject *parent)
    : QObject(parent), m_directory(std::move(directory)), m_tail(tx::kAsciiTail.toLatin1()),
      m_periodText(QStringLiteral("1000")) {
    connect(&m_port, &core::PortAccess::opened, this, &TerminalSession::portOpened);
    connect(&m_port, &core::PortAccess::readable, this, [this] {
        // New bytes are looked at on the next millisecond tick, as a poll
        // every millisecond would.
        if (!m_rxTimer.isActive() || m_rxTimer.remainingTime() > 1)
            m_rxTimer.start(1);
    });
    m_checkConnect.setInterval(kCheckConnectMs);
    connect(&m_checkConnect, &QTimer::timeout, this, &TerminalSession::CheckConnectTimer);
    m_checkConnect.start();
    // A network port reconnects without holding the thread; the device's
    // start-up time is waited for here.
    m_reconnectSettle.setSingleShot(true);
    m_reconnectSettle.setInterval(int(kReconnectSettleMs));
    connect(&m_reconnectSettle, &QTimer::timeout, this, &TerminalSession::sendAfterReconnect);

    m_rxTimer.setSingleShot(true);
    m_rxTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_rxTimer, &QTimer::timeout, this, &TerminalSession::RxTimerTimer);
    // The period timer sleeps until the next send can be due instead of
    // beating every millisecond; each tick reads the clock anew.
    m_timerPeriod.setSingleShot(true);
    m_timerPeriod.setTimerType(Qt::PreciseTimer);
    connect(&m_timerPeriod, &QTimer::timeout, this, &TerminalSession::TimerPeriodTimer);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kLogFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] {
        if (!m_recorder.flush())
            emit logFileFailed(m_recorder.fileName(), m_recorder.errorString());
    });
}

TerminalSession::~TerminalSession() = default;

// --- Connection ------------------------------------------------------------

bool TerminalSession::connectPort(const QString &location, const core::LineSettings &settings,
                                  const QString &stableLocation) {
    m_settings = settings;
    m_location = location;
    m_stableLocation = stableLocation;
    if (OpenComPort(location, Opening::ByUser))
        return true;
    emit connectFinished(false);
    return false;
}

bool TerminalSession::OpenComPort(const QString &location, Opening purpose) {
    // Never leave a port open on an old handle.
    if (m_port.probe())
        m_port.close();
    QThread::msleep(kOpenPauseMs);
    if (location.isEmpty())
        return false;
    m_opening = purpose;
    // A local port reports before this returns, a network port later.
    m_port.openAsync(location, m_settings);
    return true;
}

// An adapter the user connected is looked for by its lasting name: it may
// be back under another device name.
QString TerminalSession::reconnectLocation() {
    std::optional<QString> stableNow;
    if (const std::optional<core::PortEntry> now = m_directory.findStable(m_stableLocation)) {
        stableNow = now->location;
        m_location = now->location;
        emit portRelocated(now->name, now->location);
    }
    return core::reopenLocation(m_location, m_stableLocation, stableNow);
}

void TerminalSession::portOpened(bool ok) {
    const Opening purpose = std::exchange(m_opening, Opening::None);
    if (ok) {
        m_open = true;
        if (purpose == Opening::ByUser)
            m_wanted = true;
        emit portStateChanged(true);
        // Bytes gathered before the port was closed are framed with what
        // comes now.
        if (m_buffer.length() > 0)
            m_rxTimer.start(0);
    }
    if (purpose == Opening::ByUser) {
        emit connectFinished(ok);
        if (ok && m_sendOnConnect)
            CheckSendDataAftConnect();
    } else if (purpose == Opening::Reconnect) {
        reconnectDone(ok);
    }
    schedulePeriodTick();
}

void TerminalSession::disconnectPort() {
    m_wanted = false;
    CloseComPort();
    schedulePeriodTick();
}

void TerminalSession::CloseComPort() {
    m_reconnectSettle.stop();
    // An open under way is dropped without a report.
    if (std::exchange(m_opening, Opening::None) != Opening::None)
        m_port.close();
    if (!m_open)
        return;
    m_port.discard();
    m_port.close();
    m_open = false;
    emit portStateChanged(false);
}

void TerminalSession::CheckConnectTimer() { watchBeat(m_port.probe()); }

void TerminalSession::watchBeat(bool alive) {
    const core::WatchAction action = core::watchStep({alive, m_autoConnect, m_wanted, m_open, isOpening()});
    if (action.colour)
        emit portColourChanged(*action.colour);
    if (action.close) {
        // What the device sent before the connection went is still shown.
        takeArrivedInput();
        CloseComPort();
    }
    if (action.reopen && !OpenComPort(reconnectLocation(), Opening::Reconnect))
        reconnectDone(false);
    schedulePeriodTick();
}

void TerminalSession::reconnectDone(bool ok) {
    emit portColourChanged(core::reopenColour(ok));
    if (!ok)
        return;
    if (m_port.isNetwork())
        return m_reconnectSettle.start();
    // A local device is given its time with the thread held, as it always was.
    QThread::msleep(kReconnectSettleMs);
    sendAfterReconnect();
}

void TerminalSession::sendAfterReconnect() {
    if (m_sendOnConnect)
        CheckSendDataAftConnect();
}

void TerminalSession::CheckSendDataAftConnect() {
    if (m_fileSendMode)
        StartSendCommands();
    else
        sendCommandLine();
}

// --- Sending ---------------------------------------------------------------

void TerminalSession::SendPortData(const QByteArray &command) {
    // A send that arrives while another is inside (a timer firing in a modal
    // loop) is dropped, not queued.
    if (m_sendBusy)
        return;
    // The watch is told of a connection the write found gone once the send
    // is over, so that a send on reconnection is not dropped.
    if (!sendOnce(command))
        watchBeat(false);
}

bool TerminalSession::sendOnce(const QByteArray &command) {
    m_sendBusy = true;
    const auto release = qScopeGuard([this] { m_sendBusy = false; });

    if (m_open && !command.isEmpty()) {
        emit commandSent(command);
        const QByteArray tail = tx::ConvAddStr(command, m_tail, m_dataMode);
        const tx::Packet packet = tx::BuildPacket(command, tail, m_dataMode);
        // What has arrived so far is shown before the echo, in the order of
        // events, and the answer to this command starts a packet of its own.
        // Output still queued is not waited for: it goes out first, in order.
        takeArrivedInput();
        // The echo and the counters say what the port took: nothing of a
        // connection that is gone.
        const qint64 taken = m_port.write(packet.bytes);
        if (taken <= 0)
            return false;
        putLogLine(packet.echo, Direction::Sent);
        m_traffic.TxTotal += static_cast<quint32>(taken);
        ++m_traffic.statistics.SendCount;
        emit bytesSent(static_cast<quint32>(taken));
    } else if (!m_open) {
        emit portNotOpen();
    }
    return true;
}

void TerminalSession::setCommandLine(const QByteArray &command) {
    m_commandLine = command;
    // An empty command line lets the period sleep; text typed wakes it.
    schedulePeriodTick();
}

// --- Send modes ------------------------------------------------------------

tx::SendInputs TerminalSession::sendInputs() const {
    return {m_sendMode, m_fileSendMode, m_fileSendMode ? static_cast<quint32>(m_fileLines.size()) : 0u, m_cyclic,
            m_commandLine.isEmpty()};
}

void TerminalSession::setSendMode(tx::SendMode mode) {
    if (std::exchange(m_sendMode, mode) == mode)
        return;
    if (tx::controlsForMode(mode).enablesPeriodTimer)
        m_sequencer.enablePeriodTimer();
    schedulePeriodTick();
}

void TerminalSession::setPeriodText(const QString &text) {
    m_periodText = text;
    schedulePeriodTick();
}

void TerminalSession::loadCommandLines(const QList<QByteArray> &lines) {
    m_sequencer.fileLoaded();
    m_fileLines = lines;
    m_fileSendMode = true;
    schedulePeriodTick();
}

void TerminalSession::closeCommandFile() {
    m_fileSendMode = false;
    m_fileLines.clear();
    schedulePeriodTick();
}

void TerminalSession::StartSendCommands() {
    carryOut(m_sequencer.startSendCommands(sendInputs()));
    schedulePeriodTick();
}

void TerminalSession::TimerPeriodTimer() {
    carryOut(m_sequencer.periodTick(sendInputs(), m_periodText, m_open, m_port.outputPendingMs() > 0));
    schedulePeriodTick();
}

void TerminalSession::schedulePeriodTick() {
    const std::optional<qint64> delay =
        m_sequencer.nextTickDelayMs(sendInputs(), m_periodText, m_open, m_open ? m_port.outputPendingMs() : 0);
    if (delay)
        m_timerPeriod.start(static_cast<int>(std::min<qint64>(*delay, INT_MAX)));
    else
        m_timerPeriod.stop();
}

void TerminalSession::rearmCyclicPeriod() {
    if (m_sequencer.rearmCyclic(m_cyclic, m_sendMode))
        schedulePeriodTick();
}

void TerminalSession::carryOut(const tx::SendStep &step) {
    if (step.what == tx::SendStep::What::CommandLine)
        sendCommandLine();
    else if (step.what == tx::SendStep::What::FileLine)
        SendPortData(m_fileLines.value(static_cast<qsizetype>(step.line)));
    if (step.stopTimer) {
        m_timerPeriod.stop();
        // Housekeeping switches the timer on again for cyclic sending; it
        // does not wait for its next beat.
        QTimer::singleShot(0, this, &TerminalSession::rearmCyclicPeriod);
    }
    if (step.allSentNotice)
        emit notice(tx::kAllSentNotice);
}

void TerminalSession::AfterAnswerSend(bool complete) {
    // Only an answer that is complete asks for the next command.
    carryOut(m_sequencer.afterAnswer(sendInputs(), !complete));
}

// --- Receiving -------------------------------------------------------------

void TerminalSession::RxTimerTimer() {
    // A tick that arrives while an earlier one is still inside returns at
    // once; reading resumes when that one ends.
    if (m_rxBusy)
        return;
    m_rxBusy = true;
    const auto release = qScopeGuard([this] { m_rxBusy = false; });
    if (!m_open)
        return;

    const qint64 waiting = m_port.bytesWaiting();
    // Silence is measured on a clock that steps of the wall clock (daylight
    // saving, NTP) do not move; the statistics keep the week clock.
    const qint32 now = rx::monotonicWeekMs();
    if (waiting > 0)
        readWaiting(waiting);
    if (const std::optional<QByteArray> line = m_buffer.tick(now, waiting > 0, m_packetGap, m_dataMode))
        ReadBufRxInLog(*line);
    scheduleRxTick(now);
}

bool TerminalSession::readWaiting(qint64 waiting) {
    const QByteArray bytes = m_port.read(std::min(waiting, m_buffer.room()));
    m_buffer.append(bytes);
    const auto count = static_cast<quint32>(bytes.size());
    m_traffic.RxTotal += count;
    const bool waitsMeasured = m_traffic.statistics.recordRead(rx::WeekClockMs());
    emit bytesReceived(count, waitsMeasured);
    if (!bytes.isEmpty())
        emit received(bytes);
    return !bytes.isEmpty();
}

void TerminalSession::takeArrivedInput() {
    // A poll that is still inside keeps its buffer as it is; the input stays
    // queued and is framed once the poll goes on.
    if (m_rxBusy || !m_open)
        return;
    m_rxBusy = true;
    const auto release = qScopeGuard([this] { m_rxBusy = false; });
    // The port's input is read, not dropped: whatever a drop took would have
    // arrived by then, and a busy machine can stall between any two calls.
    // A buffer that fills ends its packet there, as the threshold would.
    for (qint64 waiting; (waiting = m_port.bytesWaiting()) > 0;) {
        if (m_buffer.room() == 0)
            showReceived(m_buffer.endPacket(m_dataMode));
        if (!readWaiting(waiting))
            break;
    }
    // The packet ended by the send is no answer to it: the after-answer
    // chain is not asked, the send under way being the next command.
    showReceived(m_buffer.endPacket(m_dataMode));
}

void TerminalSession::showReceived(const std::optional<QByteArray> &line) {
    if (!line)
        return;
    emit packetReceived(*line);
    putLogLine(*line, Direction::Received);
}

// A finished packet: its line is shown and recorded, then the after-answer
// hook runs, whether or not the filter let the line through.
void TerminalSession::ReadBufRxInLog(const QByteArray &text) {
    showReceived(text);
    const bool complete = answerComplete();
    emit answered(text, complete);
    AfterAnswerSend(complete);
}

bool TerminalSession::answerComplete() {
    // More bytes waiting behind the packet: the answer is still arriving.
    return m_port.bytesWaiting() == 0;
}

void TerminalSession::scheduleRxTick(qint32 now) {
    if (!m_open)
        return;
    const std::optional<qint32> delay = m_buffer.nextTickDelayMs(now, m_packetGap, m_port.bytesWaiting() > 0);
    if (delay && (!m_rxTimer.isActive() || m_rxTimer.remainingTime() > *delay))
        m_rxTimer.start(*delay);
}

// --- Log -------------------------------------------------------------------

void TerminalSession::putLogLine(const QByteArray &text, Direction direction) {
    const char mark = direction == Direction::Sent ? rx::kSentMark : rx::kReceivedMark;
    const QByteArray line = m_timeStamps ? rx::timeStampPrefix(QTime::currentTime(), mark) + text : text;
    if (!rx::passesFilter(line, m_filter))
        return;
    emit logLine(line, direction);
    if (!m_recorder.recording())
        return;
    if (!m_recorder.writeLine(line))
        emit logFileFailed(m_recorder.fileName(), m_recorder.errorString());
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

bool TerminalSession::toggleLogRecording(const QDateTime &now) {
    const bool done = m_recorder.toggle(now);
    // Pausing wrote out what was gathered.
    if (!m_recorder.recording())
        m_flushTimer.stop();
    return done;
}

bool TerminalSession::closeLog() {
    if (!m_recorder.fileOpen())
        return true;
    m_flushTimer.stop();
    return m_recorder.close();
}

} // namespace session
