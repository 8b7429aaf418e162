#include "session/TerminalSession.h"

#include "core/Cp1251.h"

#include <utility>

namespace session {

TerminalSession::TerminalSession(core::PortDirectory directory, QObject *parent)
    : QObject(parent), m_channel(std::move(directory)), m_receiver(m_channel, m_log, m_traffic),
      m_transmitter(m_channel, m_receiver, m_log, m_traffic), m_sendModes(m_channel, m_transmitter) {
    // The signals are passed on before the parts act on them: the window
    // hears of a connect before the send on connect goes, and of an answer
    // before the next command.
    connect(&m_channel, &PortChannel::connectFinished, this, &TerminalSession::connectFinished);
    connect(&m_channel, &PortChannel::connectFinished, this, [this](bool ok) {
        if (ok)
            m_sendModes.sendOnConnect();
    });
    connect(&m_channel, &PortChannel::settled, this, [this] {
        m_sendModes.sendOnConnect();
        m_transmitter.sendHeld();
    });
    connect(&m_channel, &PortChannel::portStateChanged, this, &TerminalSession::portStateChanged);
    connect(&m_channel, &PortChannel::portColourChanged, this, &TerminalSession::portColourChanged);
    connect(&m_channel, &PortChannel::portRelocated, this, &TerminalSession::portRelocated);
    connect(&m_channel, &PortChannel::claimChanged, this, &TerminalSession::claimChanged);
    connect(&m_channel, &PortChannel::inputLinesChanged, this, &TerminalSession::inputLinesChanged);

    connect(&m_log, &LogSink::line, this, &TerminalSession::logLine);
    connect(&m_log, &LogSink::fileFailed, this, &TerminalSession::logFileFailed);

    connect(&m_receiver, &Receiver::packetReceived, this, &TerminalSession::packetReceived);
    connect(&m_receiver, &Receiver::bytesReceived, this, &TerminalSession::bytesReceived);
    connect(&m_receiver, &Receiver::received, this, &TerminalSession::received);
    connect(&m_receiver, &Receiver::answered, this, &TerminalSession::answered);
    connect(&m_receiver, &Receiver::answered, this,
            [this](const QByteArray &, bool complete) { m_sendModes.afterAnswer(complete); });

    connect(&m_transmitter, &Transmitter::commandSent, this, &TerminalSession::commandSent);
    connect(&m_transmitter, &Transmitter::portNotOpen, this, &TerminalSession::portNotOpen);
    connect(&m_transmitter, &Transmitter::bytesSent, this, &TerminalSession::bytesSent);
    connect(&m_transmitter, &Transmitter::sendRefused, this,
            [this](const QString &claimant) { emit notice(kPortClaimedNotice.arg(claimant)); });

    connect(&m_sendModes, &SendModeDriver::notice, this, &TerminalSession::notice);
}

TerminalSession::~TerminalSession() = default;

bool TerminalSession::connectPort(const QString &location, const core::LineSettings &settings,
                                  const QString &stableLocation) {
    if (m_channel.connectPort(location, settings, stableLocation))
        return true;
    emit connectFinished(false);
    return false;
}

bool TerminalSession::changeLineSettings(const core::LineSettings &settings) {
    if (settings == m_channel.lineSettings())
        return true;
    if (!m_channel.setLineSettings(settings))
        return false;
    if (m_channel.isOpen())
        logLineAction(core::describe(settings));
    return true;
}

void TerminalSession::setModemOutputs(const core::ModemOutputs &outputs) {
    const core::ModemOutputs before = std::exchange(m_outputs, outputs);
    m_channel.setModemLines(outputs);
    if (!m_channel.isOpen())
        return;
    for (const core::ModemLine line : {core::ModemLine::Dtr, core::ModemLine::Rts}) {
        const bool was = line == core::ModemLine::Dtr ? before.dtr : before.rts;
        const bool now = line == core::ModemLine::Dtr ? outputs.dtr : outputs.rts;
        if (was != now)
            logLineAction(core::modemLineName(line) + (now ? QStringLiteral(" вкл.") : QStringLiteral(" выкл.")));
    }
}

bool TerminalSession::pulseLine(core::ModemLine line, int ms) {
    if (!m_channel.pulse(line, ms))
        return false;
    logLineAction(QStringLiteral("импульс %1 %2 мс").arg(core::modemLineName(line)).arg(ms));
    return true;
}

bool TerminalSession::sendBreak(int ms) {
    if (!m_channel.sendBreak(ms))
        return false;
    logLineAction(QStringLiteral("break %1 мс").arg(ms));
    return true;
}

void TerminalSession::logLineAction(const QString &what) {
    m_log.putLine(core::cp1251::fromUnicode(QStringLiteral("*** Линия: ") + what), Direction::Line);
}

void TerminalSession::setCommandLine(const QByteArray &command) {
    m_transmitter.setCommandLine(command);
    // An empty command line lets the period sleep; text typed wakes it.
    m_sendModes.reschedule();
}

void TerminalSession::setDataMode(core::DataMode mode) {
    m_transmitter.setDataMode(mode);
    m_receiver.setDataMode(mode);
}

void TerminalSession::logNote(const QString &text) { m_log.putLine(core::cp1251::fromUnicode(text), Direction::Sent); }

} // namespace session
