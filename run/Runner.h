#pragma once

#include "core/port/PortDirectory.h"
#include "run/CommandSource.h"
#include "run/Dialogue.h"
#include "run/RunOptions.h"
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
    Runner(const RunOptions &options, const Commands &commands, const core::PortEntry &port, FILE *out = stdout,
           FILE *err = stderr, QObject *parent = nullptr);

    // Creates the --log file and starts connecting. False (with the message
    // already on standard error) when the log file cannot be created.
    bool start();
    // SIGINT, SIGTERM: the log is written out and the port closed first.
    void stop(int signalNumber);

signals:
    void finished(int exitStatus);

private:
    void connected(bool ok);
    void portStateChanged(bool open);
    void logLine(const QByteArray &line);
    void answered(const QByteArray &text, bool complete);
    void tick();
    void carryOut(const DialogueStep &step);
    void finish(int status, const QString &reason);
    void complain(const QString &text);
    bool createLog();
    void complainLog();

    RunOptions m_options;
    Commands m_commands;
    core::PortEntry m_port;
    FILE *m_out;
    FILE *m_err;
    QElapsedTimer m_clock;
    Dialogue m_dialogue;
    session::TerminalSession m_session;
    // The packets of an answer that goes on (more bytes were waiting).
    QString m_answer;
    QTimer m_tick;
    QTimer m_outFlush;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace run
