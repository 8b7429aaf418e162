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
    // Standard output or the --log file could not be written (a full disk,
    // a reader that closed the pipe).
    kOutputFailed = 5,
    // --send-file: the receiver did not take the file (it cancelled, did not
    // answer, refused the blocks) or the file changed meanwhile.
    kTransferFailed = 6,
};

// A run ended by a signal exits as a shell reports it: 128 + its number.
constexpr int kSignalExitBase = 128;

// A command or a line quoted in a message is cut after this many characters:
// a flood or a long command does not make a message of megabytes.
constexpr qsizetype kQuotedChars = 200;

// The text in double quotes, cut to kQuotedChars with how much more there was.
inline QString quoted(const QString &text) {
    if (text.size() <= kQuotedChars)
        return QLatin1Char('"') + text + QLatin1Char('"');
    return QStringLiteral("\"%1...\" (%2 more characters)")
        .arg(text.left(kQuotedChars))
        .arg(text.size() - kQuotedChars);
}

} // namespace run
