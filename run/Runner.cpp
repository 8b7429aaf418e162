#include "run/Runner.h"

#include "core/Cp1251.h"
#include "core/platform/BlockedWrite.h"
#include "core/platform/StandardStreams.h"
#include "run/RunTexts.h"
#include "rx/LogDisplayText.h"

#include <climits>
#include <csignal>
#include <utility>

namespace run {

namespace {

// Standard output gathered beyond this is written out at once.
constexpr qsizetype kOutBufferBytes = 64 * 1024;
// How long the end of a run stopped by a signal waits for standard output.
constexpr int kSignalledOutputMs = 100;

DialogueRules rulesOf(const RunOptions &options, const Commands &commands) {
    DialogueRules rules;
    rules.commands = commands.texts;
    rules.expect = options.expect;
    rules.abort = options.abort;
    rules.timeoutMs = options.timeoutMs;
    if (options.periodMs)
        rules.periodMs = *options.periodMs;
    rules.count = options.count;
    rules.streamed = commands.stream != nullptr;
    return rules;
}

} // namespace

Runner::Runner(const RunOptions &options, const Commands &commands, const core::PortEntry &port, int out, FILE *err,
               QObject *parent)
    : QObject(parent), m_options(options), m_commands(commands), m_port(port), m_out(out), m_err(err),
      m_dialogue(rulesOf(options, commands), [this] { return m_clock.elapsed(); }) {
    m_clock.start();
    if (m_commands.stream) {
        m_ahead = std::exchange(m_commands.bytes, {});
        connect(m_commands.stream.get(), &CommandStream::commandReady, this, &Runner::readCommands);
    }
    m_session.setDataMode(options.mode);
    m_session.setTail(core::cp1251::fromUnicode(options.tail));
    m_session.setPacketGap(options.gapMs);
    m_session.setReadOnArrival(true);
    m_session.setTimeStamps(options.timeStamps);
    connect(&m_session, &session::TerminalSession::connectFinished, this, &Runner::connected);
    connect(&m_session, &session::TerminalSession::portStateChanged, this, &Runner::portStateChanged);
    connect(&m_session, &session::TerminalSession::logLine, this, &Runner::logLine);
    connect(&m_session, &session::TerminalSession::answered, this, &Runner::answered);
    if (options.mode == core::DataMode::Ascii)
        connect(&m_session, &session::TerminalSession::received, this, &Runner::arrived);
    // A log that cannot be written ends the run: its record would be cut.
    connect(&m_session, &session::TerminalSession::logFileFailed, this,
            [this] { finish(kOutputFailed, logFailure()); });

    // Lines are looked at once the receive poll is over: a send it leads to
    // must come after the packet it ends is shown.
    m_offerLines.setSingleShot(true);
    m_offerLines.setInterval(0);
    connect(&m_offerLines, &QTimer::timeout, this, &Runner::offerLines);
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &Runner::tick);
    // Standard output is written out once the events at hand are done, not
    // line by line: a flood costs no system call per line.
    m_outFlush.setSingleShot(true);
    m_outFlush.setInterval(0);
    connect(&m_outFlush, &QTimer::timeout, this, [this] { writeOut(); });

    connect(&m_transfer, &session::FileTransfer::progress, this, &Runner::transferProgress);
    connect(&m_transfer, &session::FileTransfer::finished, this, &Runner::transferFinished);
    m_fileAnswerWait.setSingleShot(true);
    connect(&m_fileAnswerWait, &QTimer::timeout, this, &Runner::fileAnswerDue);
}

void Runner::complain(const QString &text) {
    std::fprintf(m_err, "%s: %s\n", qPrintable(kRunProgram), text.toLocal8Bit().constData());
    std::fflush(m_err);
}

QString Runner::logFailure() const {
    const rx::LogRecorder &log = m_session.logRecorder();
    return QStringLiteral("--log: %1: %2").arg(log.fileName(), log.errorString());
}

bool Runner::createLog() {
    // The session records the log as the window does, into the file named.
    if (m_options.logFile.isEmpty() || m_session.recordTo(m_options.logFile))
        return true;
    complain(logFailure());
    return false;
}

bool Runner::start() {
    // A file that cannot be sent is found before the port is touched.
    if (!m_options.sendFile.isEmpty() && !m_transfer.prepare({m_options.sendFile}, m_options.protocol)) {
        complain(QStringLiteral("--send-file: %1").arg(m_transfer.errorString()));
        return false;
    }
    if (!createLog())
        return false;
    if (m_port.location.isEmpty()) {
        finish(kPortFailed, QStringLiteral("%1: no such port in the port list (see --list-ports)").arg(m_port.name));
        return true;
    }
    // The outputs hold from the open on; the input lines are read only when
    // asked for.
    m_session.setModemOutputs(m_options.outputs);
    if (m_options.printLines) {
        connect(&m_session, &session::TerminalSession::inputLinesChanged, this, &Runner::printInputLines);
        m_session.watchInputLines(true);
    }
    m_session.connectPort(m_port.location, m_options.line, m_port.stableLocation);
    return true;
}

void Runner::connected(bool ok) {
    if (!ok)
        return finish(kPortFailed, QStringLiteral("%1: %2").arg(m_port.location, m_session.errorString()));
    m_started = true;
    if (m_options.printLines && !m_session.inputLines())
        printInputLines(std::nullopt);
    prepareLine(0);
}

void Runner::prepareLine(int step) {
    if (m_finished)
        return;
    const auto next = [this, step](int ms) {
        QTimer::singleShot(ms, Qt::PreciseTimer, this, [=, this] { prepareLine(step + 1); });
    };
    if (step == 0 && m_options.pulse) {
        if (!m_session.pulseLine(m_options.pulse->first, m_options.pulse->second))
            complain(QStringLiteral("--pulse: %1 cannot be pulsed on this port")
                         .arg(core::modemLineName(m_options.pulse->first)));
        return next(m_options.pulse->second);
    }
    if (step <= 1 && m_options.breakMs) {
        if (!m_session.sendBreak(*m_options.breakMs))
            complain(QStringLiteral("--break: this port cannot send a break"));
        return QTimer::singleShot(*m_options.breakMs, Qt::PreciseTimer, this, [this] { prepareLine(2); });
    }
    carryOut(m_dialogue.start());
    readCommands();
}

void Runner::readCommands() {
    // One command is kept ahead: after an answer the dialogue knows at once
    // whether another follows. Sends made here read on in this loop.
    if (!m_commands.stream || !m_started || m_finished || m_readingCommands)
        return;
    m_readingCommands = true;
    while (!m_finished && m_dialogue.commandsAhead() < 1) {
        if (std::optional<QByteArray> command = m_commands.stream->take()) {
            m_ahead << *command;
            carryOut(m_dialogue.addCommand(core::cp1251::toUnicode(*command)));
        } else {
            if (!m_commands.stream->errorString().isEmpty())
                finish(kBadUsage, m_commands.stream->errorString());
            else if (m_commands.stream->atEnd() && !std::exchange(m_inputEnded, true))
                carryOut(m_dialogue.commandsEnded());
            break;
        }
    }
    m_readingCommands = false;
}

void Runner::printInputLines(const std::optional<core::InputLines> &lines) {
    if (m_options.quiet)
        return;
    const auto state = [](bool on) { return on ? "on" : "off"; };
    // Through the output's buffer, in order with the log lines.
    if (lines)
        m_outBuffer += QByteArray("lines: CTS ") + state(lines->cts) + ", DSR " + state(lines->dsr) + ", DCD " +
                       state(lines->dcd) + ", RI " + state(lines->ri) + '\n';
    else if (m_session.isOpen())
        m_outBuffer += "lines: none (the port has no modem lines)\n";
    writeOut();
}

void Runner::portStateChanged(bool open) {
    if (open || !m_started || m_finished)
        return;
    if (m_deferred)
        return finish(m_deferred->exitStatus, m_deferred->reason);
    finish(kPortFailed, QStringLiteral("%1: the port was lost").arg(m_port.location));
}

void Runner::logLine(const QByteArray &line) {
    if (m_finished || m_options.quiet)
        return;
    m_outBuffer += rx::logDisplayText(line).toLocal8Bit() + '\n';
    // A flood is written out as it comes, not gathered.
    if (m_outBuffer.size() >= kOutBufferBytes)
        writeOut();
    else if (!m_outFlush.isActive())
        m_outFlush.start();
}

bool Runner::writeOut(int timeoutMs) {
    if (m_outBuffer.isEmpty() || m_outFailed)
        return !m_outFailed;
    const core::WriteOutcome outcome = core::writeUnlessWoken(m_out, m_outBuffer, m_wake, timeoutMs);
    m_outBuffer.remove(0, outcome.written);
    // Woken by a signal: the rest waits; the signal ends the run first.
    if (outcome.error == 0)
        return true;
    m_outFailed = true;
    m_outBuffer.clear();
    m_outError = QStringLiteral("standard output: %1").arg(outcome.errorString());
    if (!m_finished)
        finish(kOutputFailed, m_outError);
    return false;
}

void Runner::arrived(const QByteArray &bytes) {
    // After the file the answer is matched against --file-answer.
    if (m_transferDone)
        return;
    for (const QByteArray &line : m_lines.add(bytes))
        m_pending.append({core::cp1251::toUnicode(line), false});
    if (!m_pending.isEmpty() && !m_offerLines.isActive())
        m_offerLines.start();
}

void Runner::answered(const QByteArray &text, bool complete) {
    if (m_transferDone) {
        m_afterFile += rx::logDisplayText(text);
        if (complete)
            fileAnswerDue();
        return;
    }
    // A receiver's request may end the last answer before the file.
    m_lastAnswer = text;
    if (m_options.mode == core::DataMode::Ascii) {
        // The device paused: a prompt without a line end may be the answer.
        if (const std::optional<QByteArray> unfinished = m_lines.pause(); unfinished && complete)
            m_pending.append({core::cp1251::toUnicode(*unfinished), true});
    } else {
        // Bytes have no lines: an answer is the packets up to a pause,
        // kept no longer than a line.
        const qsizetype room = AnswerLines::kMaxLineBytes - m_hexAnswer.size() - 1;
        if (room > 0) // (a negative length would take all of it)
            m_hexAnswer +=
                (m_hexAnswer.isEmpty() ? QString() : QStringLiteral(" ")) + rx::logDisplayText(text).left(room);
        if (complete)
            m_pending.append({std::exchange(m_hexAnswer, QString()), false});
    }
    if (m_deferred)
        return carryOut(*std::exchange(m_deferred, std::nullopt));
    if (!m_pending.isEmpty() && !m_offerLines.isActive())
        m_offerLines.start();
}

void Runner::offerLines() {
    while (!m_pending.isEmpty() && !m_finished && !m_deferred) {
        const auto [line, unfinished] = m_pending.takeFirst();
        const qint64 answersBefore = m_dialogue.answers();
        const DialogueStep step = m_dialogue.answer(line);
        if (unfinished && m_dialogue.answers() != answersBefore)
            m_lines.unfinishedTaken();
        if (step.what == DialogueStep::What::Finish && m_session.buffered() > 0) {
            // The end waits until the packet holding the answer is shown.
            m_deferred = step;
            m_tick.stop();
            return;
        }
        carryOut(step);
    }
}

void Runner::tick() { carryOut(m_dialogue.tick()); }

void Runner::carryOut(const DialogueStep &step) {
    if (step.what == DialogueStep::What::Send) {
        // Streamed commands go in order, each once.
        m_session.SendPortData(m_commands.stream ? m_ahead.takeFirst() : m_commands.bytes.value(step.command));
        // What came before the send answers nothing.
        m_pending.clear();
        m_lines.restart();
        m_hexAnswer.clear();
        readCommands();
    } else if (step.what == DialogueStep::What::Finish && step.exitStatus == kAllAnswered &&
               !m_options.sendFile.isEmpty() && !m_transferDone) {
        return startTransfer();
    } else if (step.what == DialogueStep::What::Finish)
        return finish(step.exitStatus, step.reason);
    if (const std::optional<qint64> next = m_dialogue.msToNextTick())
        m_tick.start(int(std::min<qint64>(*next, INT_MAX)));
    else
        m_tick.stop();
}

void Runner::startTransfer() {
    m_tick.stop();
    // A receiver's request that ended the last answer is not waited for again.
    QByteArray heard;
    if (m_lastAnswer.endsWith('C') || m_lastAnswer.endsWith(char(tx::FileSender::kNak)))
        heard = m_lastAnswer.right(1);
    if (!m_transfer.start(heard))
        finish(kPortFailed, QStringLiteral("--send-file: %1").arg(m_transfer.errorString()));
}

void Runner::transferProgress(qint64 done, qint64 total) {
    if (m_options.quiet || !core::isTerminal(m_err))
        return;
    m_progressShown = true;
    const qint64 percent = total > 0 ? done * 100 / total : 100;
    std::fprintf(m_err, "\r%s: %lld of %lld bytes (%lld%%)", qPrintable(m_transfer.fileName()), qlonglong(done),
                 qlonglong(total), qlonglong(percent));
    std::fflush(m_err);
}

void Runner::transferFinished(bool ok, const QString &reason) {
    if (std::exchange(m_progressShown, false))
        std::fputc('\n', m_err);
    m_transferDone = true;
    if (!ok) {
        const bool portLost = !m_session.isOpen();
        return finish(portLost ? kPortFailed : kTransferFailed,
                      QStringLiteral("--send-file: %1: %2").arg(m_options.sendFile, reason));
    }
    if (!reason.isEmpty())
        complain(QStringLiteral("--send-file: %1: %2").arg(m_options.sendFile, reason));
    if (!m_options.fileAnswer)
        return finish(kAllAnswered, {});
    m_fileAnswerWait.start(m_options.timeoutMs);
}

// An answer after the file, or the time for it is up.
void Runner::fileAnswerDue() {
    if (!m_transferDone || !m_options.fileAnswer || m_finished)
        return;
    if (m_options.fileAnswer->match(m_afterFile).hasMatch())
        return finish(kAllAnswered, {});
    if (m_fileAnswerWait.isActive())
        return;
    if (m_afterFile.isEmpty())
        return finish(kNoAnswer, QStringLiteral("--send-file: no answer within %1 ms").arg(m_options.timeoutMs));
    // As for the commands: an answer that does not match is one not given.
    finish(kNoAnswer, QStringLiteral("--send-file: no answer matching \"%1\" within %2 ms (the answer: \"%3\")")
                          .arg(m_options.fileAnswer->pattern())
                          .arg(m_options.timeoutMs)
                          .arg(m_afterFile.left(kQuotedChars)));
}

void Runner::stop(int signalNumber) {
    const QString name = signalNumber == SIGINT    ? QStringLiteral("SIGINT")
                         : signalNumber == SIGTERM ? QStringLiteral("SIGTERM")
                         : signalNumber == SIGHUP  ? QStringLiteral("SIGHUP")
                                                   : QStringLiteral("signal %1").arg(signalNumber);
    finish(kSignalExitBase + signalNumber, QStringLiteral("stopped by %1").arg(name));
}

void Runner::finish(int status, const QString &reason) {
    if (m_finished)
        return;
    m_finished = true;
    m_tick.stop();
    m_fileAnswerWait.stop();
    if (m_transfer.running())
        m_transfer.cancel();
    m_offerLines.stop();
    m_session.disconnectPort();
    m_outFlush.stop();
    // A run whose record could not be written is no success.
    if (!m_session.closeLog() && reason != logFailure()) {
        complain(logFailure());
        if (status == kAllAnswered)
            status = kOutputFailed;
    }
    // Ended by a signal: output a stalled reader does not take is given up
    // soon; the log is already written.
    const bool signalled = status > kSignalExitBase;
    if (!writeOut(signalled ? kSignalledOutputMs : -1) && reason != m_outError) {
        if (status == kAllAnswered)
            status = kOutputFailed;
        complain(m_outError);
    }
    if (!reason.isEmpty())
        complain(reason);
    emit finished(status);
}

} // namespace run
