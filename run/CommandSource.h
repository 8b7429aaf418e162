#pragma once

#include "run/RunOptions.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

namespace run {

// The commands of a run, as windows-1251 bytes, read from where the options
// say: the arguments, a command file as the window loads one, a macro list
// of CmdConfig (read only), or the lines of standard input up to its end.
// Empty commands are passed over: the send routine would send nothing for
// them and no answer could come.
struct Commands {
    QList<QByteArray> bytes;
    // What the user wrote, for messages.
    QStringList texts;
    QString error; // names the option; exit status 1
};

Commands loadCommands(const RunOptions &options, QIODevice &standardInput);

} // namespace run
