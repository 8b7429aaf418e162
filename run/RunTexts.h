#pragma once

#include <QString>

namespace run {

// The command's name, in its messages and its help.
inline const QString kRunProgram = QStringLiteral("terminalkvr-run");

// The exit statuses scripts rely on.
enum ExitStatus : int {
    kAllAnswered = 0,
    kBadUsage = 1,
    kPortFailed = 2,
    kNoAnswer = 3,
    kWrongAnswer = 4,
    // --send-file: the receiver did not take the file (it cancelled, did not
    // answer, refused the blocks) or the file changed meanwhile.
    kTransferFailed = 5,
};

// A run ended by a signal exits as a shell reports it: 128 + its number.
constexpr int kSignalExitBase = 128;

} // namespace run
