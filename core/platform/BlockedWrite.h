#pragma once

#include <QByteArrayView>
#include <QString>

namespace core {

// The descriptor of the program's standard output.
constexpr int kStandardOutput = 1;

// How a write that may block went.
struct WriteOutcome {
    qint64 written = 0; // bytes written, from the start
    bool woken = false; // stopped early: the wake descriptor became readable
    bool timedOut = false;
    int error = 0; // the system's errno when the write failed
    bool done(qint64 size) const { return written == size; }
    // The failure in the system's words; a reader that went away is named so.
    QString errorString() const;
};

// Writes all the bytes to fd (a pipe, a terminal, a file), waiting while the
// reader does not take them, unless wakeFd (-1: none) becomes readable
// meanwhile, as the self-pipe of TerminationSignals does when a signal
// comes, or timeoutMs (-1: no limit) passes. A stalled reader so never holds
// the program against a signal. The descriptor stays blocking: it may be
// shared with other programs (a terminal).
WriteOutcome writeUnlessWoken(int fd, QByteArrayView bytes, int wakeFd, int timeoutMs = -1);

// A reader that closes the pipe (| head) then makes writes fail with EPIPE
// instead of ending the program without its clean-up.
void ignoreBrokenPipe();

} // namespace core
