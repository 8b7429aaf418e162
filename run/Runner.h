#pragma once

#include "core/port/PortDirectory.h"
#include "run/AnswerLines.h"
#include "run/CommandSource.h"
#include "run/Dialogue.h"
#include "run/RunOptions.h"
#include "session/FileTransfer.h"
#include "session/TerminalSession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdio>

namespace run {

// One run of terminalkvr-run: the terminal session on the chosen port, the
// dialogue deciding what goes next, the log lines on standard output and in
// the --log file. Everything the port does arrives as the session's signals;
// the dialogue's timeouts and periods run on one timer.
class Runner : public QObject {
    Q_OBJECT
public:
    // out: the descriptor of standard output.
    Runner(const RunOptions &options, const Commands &commands, const core::PortEntry &port, int out,
           FILE *err = stderr, QObject *parent = nullptr);
    // A descriptor that becomes readable when a signal comes: a write to a
    // stalled standard output gives way to it.
    void setWakeDescriptor(int fd) { m_wake = fd; }

    // Creates the --log file and starts connecting. False (with the message
    // already on standard error) when the log file cannot be created.
    bool start();
    // SIGINT, SIGTERM: the log is written out and the port closed first.
    void stop(int signalNumber);

signals:
    void finished(int exitStatus);

private:
    void connected(bool ok);
    // --pulse, then --break, then the first command.
    void prepareLine(int step);
    void printInputLines(const std::optional<core::InputLines> &lines);
    void portStateChanged(bool open);
    void logLine(const QByteArray &line);
    void arrived(const QByteArray &bytes);
    void answered(const QByteArray &text, bool complete);
    void offerLines();
    void tick();
    void carryOut(const DialogueStep &step);
    // Reads streamed commands until one is ahead of the send.
    void readCommands();
    void finish(int status, const QString &reason);
    // Writes the output gathered; false once standard output failed.
    bool writeOut(int timeoutMs = -1);
    void complain(const QString &text);
    bool createLog();
    void startTransfer();
    void transferProgress(qint64 done, qint64 total);
    void transferFinished(bool ok, const QString &reason);
    void fileAnswerDue();
    QString logFailure() const;

    RunOptions m_options;
    Commands m_commands;
    // Streamed: the bytes of the commands read but not sent, in order.
    QList<QByteArray> m_ahead;
    bool m_readingCommands = false;
    bool m_inputEnded = false;
    core::PortEntry m_port;
    int m_out;
    int m_wake = -1;
    QByteArray m_outBuffer;
    bool m_outFailed = false;
    QString m_outError;
    FILE *m_err;
    QElapsedTimer m_clock;
    Dialogue m_dialogue;
    session::TerminalSession m_session;
    AnswerLines m_lines;
    // Lines not yet offered to the dialogue; unfinished: the line still
    // arriving, offered at a pause.
    struct PendingLine {
        QString text;
        bool unfinished = false;
    };
    QList<PendingLine> m_pending;
    QTimer m_offerLines;
    // With --hex: the packets of an answer that goes on (more bytes waiting).
    QString m_hexAnswer;
    // The dialogue's end, waiting for the answer's packet to be shown.
    std::optional<DialogueStep> m_deferred;
    QTimer m_tick;
    QTimer m_outFlush;
    // --send-file: the transfer after the commands, the device's last
    // complete answer before it (a receiver's request may end it), and the
    // answers after it, matched against --file-answer.
    session::FileTransfer m_transfer{m_session};
    QByteArray m_lastAnswer;
    bool m_transferDone = false;
    QString m_afterFile;
    QTimer m_fileAnswerWait;
    bool m_progressShown = false;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace run
