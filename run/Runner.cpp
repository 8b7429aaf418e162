#include "run/Runner.h"

#include "core/Cp1251.h"
#include "run/RunTexts.h"
#include "rx/LogDisplayText.h"

#include <climits>
#include <csignal>
#include <utility>

namespace run {

namespace {

DialogueRules rulesOf(const RunOptions &options, const Commands &commands) {
    DialogueRules rules;
    rules.commands = commands.texts;
    rules.expect = options.expect;
    rules.abort = options.abort;
    rules.timeoutMs = options.timeoutMs;
    if (options.periodMs)
        rules.periodMs = *options.periodMs;
    rules.count = options.count;
    return rules;
}

} // namespace

Runner::Runner(const RunOptions &options, const Commands &commands, const core::PortEntry &port, FILE *out, FILE *err,
               QObject *parent)
    : QObject(parent), m_options(options), m_commands(commands), m_port(port), m_out(out), m_err(err),
      m_dialogue(rulesOf(options, commands), [this] { return m_clock.elapsed(); }) {
    m_clock.start();
    m_session.setDataMode(options.mode);
    m_session.setTail(core::cp1251::fromUnicode(options.tail));
    m_session.setPacketGap(options.gapMs);
    m_session.setTimeStamps(options.timeStamps);
    connect(&m_session, &session::TerminalSession::connectFinished, this, &Runner::connected);
    connect(&m_session, &session::TerminalSession::portStateChanged, this, &Runner::portStateChanged);
    connect(&m_session, &session::TerminalSession::logLine, this, &Runner::logLine);
    connect(&m_session, &session::TerminalSession::answered, this, &Runner::answered);
    connect(&m_session, &session::TerminalSession::logFileFailed, this, &Runner::complainLog);

    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &Runner::tick);
    // Standard output is written out once the events at hand are done, not
    // line by line: a flood costs no system call per line.
    m_outFlush.setSingleShot(true);
    m_outFlush.setInterval(0);
    connect(&m_outFlush, &QTimer::timeout, this, [this] { std::fflush(m_out); });
}

void Runner::complain(const QString &text) {
    std::fprintf(m_err, "%s: %s\n", qPrintable(kRunProgram), text.toLocal8Bit().constData());
    std::fflush(m_err);
}

void Runner::complainLog() {
    const rx::LogRecorder &log = m_session.logRecorder();
    complain(QStringLiteral("--log: %1: %2").arg(log.fileName(), log.errorString()));
}

bool Runner::createLog() {
    // The session records the log as the window does, into the file named.
    if (m_options.logFile.isEmpty() || m_session.recordTo(m_options.logFile))
        return true;
    complainLog();
    return false;
}

bool Runner::start() {
    if (!createLog())
        return false;
    if (m_port.location.isEmpty()) {
        finish(kPortFailed, QStringLiteral("%1: no such port in the port list (see --list-ports)").arg(m_port.name));
        return true;
    }
    m_session.connectPort(m_port.location, m_options.line, m_port.stableLocation);
    return true;
}

void Runner::connected(bool ok) {
    if (!ok)
        return finish(kPortFailed, QStringLiteral("%1: %2").arg(m_port.location, m_session.errorString()));
    m_started = true;
    carryOut(m_dialogue.start());
}

void Runner::portStateChanged(bool open) {
    if (!open && m_started && !m_finished)
        finish(kPortFailed, QStringLiteral("%1: the port was lost").arg(m_port.location));
}

void Runner::logLine(const QByteArray &line) {
    if (m_options.quiet)
        return;
    const QByteArray shown = rx::logDisplayText(line).toLocal8Bit() + '\n';
    std::fwrite(shown.constData(), 1, size_t(shown.size()), m_out);
    if (!m_outFlush.isActive())
        m_outFlush.start();
}

void Runner::answered(const QByteArray &text, bool complete) {
    // The packets of an answer still arriving are matched together.
    m_answer += rx::logDisplayText(text);
    if (complete)
        carryOut(m_dialogue.answer(std::exchange(m_answer, QString())));
}

void Runner::tick() { carryOut(m_dialogue.tick()); }

void Runner::carryOut(const DialogueStep &step) {
    if (step.what == DialogueStep::What::Send)
        m_session.SendPortData(m_commands.bytes.value(step.command));
    else if (step.what == DialogueStep::What::Finish)
        return finish(step.exitStatus, step.reason);
    if (const std::optional<qint64> next = m_dialogue.msToNextTick())
        m_tick.start(int(std::min<qint64>(*next, INT_MAX)));
    else
        m_tick.stop();
}

void Runner::stop(int signalNumber) {
    finish(kSignalExitBase + signalNumber, QStringLiteral("stopped by %1")
                                               .arg(signalNumber == SIGINT    ? QStringLiteral("SIGINT")
                                                    : signalNumber == SIGTERM ? QStringLiteral("SIGTERM")
                                                                              : QString::number(signalNumber)));
}

void Runner::finish(int status, const QString &reason) {
    if (m_finished)
        return;
    m_finished = true;
    m_tick.stop();
    m_session.disconnectPort();
    if (!m_session.closeLog())
        complainLog();
    std::fflush(m_out);
    if (!reason.isEmpty())
        complain(reason);
    emit finished(status);
}

} // namespace run
