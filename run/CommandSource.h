#pragma once

#include "run/CommandStream.h"
#include "run/RunOptions.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

namespace run {

// The commands of a run, as windows-1251 bytes, read from where the options
// say: the arguments, a command file as the window loads one, a macro list
// of CmdConfig (read only), or the lines of standard input: the first read
// here, the others (stream) as the run sends them.
// Empty commands are passed over: the send routine would send nothing for
// them and no answer could come.
struct Commands {
    QList<QByteArray> bytes;
    // What the user wrote, for messages.
    QStringList texts;
    QString error; // names the option; exit status 1
    // The commands still to be read after those above; none when all are.
    std::shared_ptr<CommandStream> stream;
};

// inputFd: the descriptor of standard input.
Commands loadCommands(const RunOptions &options, int inputFd);

} // namespace run
