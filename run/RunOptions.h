#pragma once

#include "core/DataMode.h"
#include "core/LineSettings.h"
#include "tx/FileSender.h"

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace run {

// What one invocation of terminalkvr-run asks for, read from its arguments.
struct RunOptions {
    enum class Action { Run, Help, Version, ListPorts };
    // Where the commands come from; exactly one per run.
    enum class Source { Arguments, File, Macros, StandardInput };

    Action action = Action::Run;
    QString port;
    core::LineSettings line = core::kStartLineSettings;
    // DTR and RTS from the open on (inactive unless --dtr on / --rts on).
    core::ModemOutputs outputs;
    // --pulse LINE:MS and --break MS, done in that order before the first
    // command.
    std::optional<std::pair<core::ModemLine, int>> pulse;
    std::optional<int> breakMs;
    // --lines: the input lines printed as they are and as they change.
    bool printLines = false;

    Source source = Source::Arguments;
    QStringList commands; // Source::Arguments
    QString file;         // Source::File
    int macroList = 0;    // Source::Macros, 1..100

    core::DataMode mode = core::DataMode::Ascii;
    // As typed; the window's tail of the mode unless --tail was given.
    QString tail;

    int gapMs = 0;
    // Sending every periodMs instead of after each answer.
    std::optional<int> periodMs;
    // Times through the list; 0: until stopped.
    int count = 1;

    // One for every command, or one per command in order.
    QList<QRegularExpression> expect;
    int timeoutMs = 2000;
    std::optional<QRegularExpression> abort;

    bool timeStamps = false;
    QString logFile;
    bool quiet = false;

    // After the commands: a file sent to the device, and the answer the
    // device must give once it has it.
    QString sendFile;
    tx::TransferProtocol protocol = tx::TransferProtocol::Xmodem;
    std::optional<QRegularExpression> fileAnswer;
};

// The arguments read; error names the option at fault when they are not
// usable (exit status 1).
struct ParsedOptions {
    RunOptions options;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// arguments as QCoreApplication::arguments() gives them, the program first.
ParsedOptions parseRunOptions(const QStringList &arguments);

// Every option with its meaning, then examples.
QString runHelpText();

// An expectation for every command or one per command: empty when the
// number of --expect options fits the number of commands, else why not.
QString checkExpectations(const RunOptions &options, qsizetype commandCount);

} // namespace run
