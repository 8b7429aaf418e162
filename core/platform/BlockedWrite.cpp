#include "core/platform/BlockedWrite.h"

#include "core/platform/FileDescriptor.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

QString WriteOutcome::errorString() const {
    if (error == EPIPE)
        return QStringLiteral("closed by its reader");
    return errnoText(error);
}

WriteOutcome writeUnlessWoken(int fd, QByteArrayView bytes, int wakeFd, int timeoutMs) {
    WriteOutcome out;
    // A pipe or a terminal that says it takes bytes takes PIPE_BUF of them
    // without blocking; a file always takes everything.
    struct stat info {};
    const bool file = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    while (out.written < bytes.size()) {
        if (!file) {
            pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
            const int ready =
                ::poll(fds, wakeFd >= 0 ? 2 : 1,
                       deadline.isForever() ? -1 : int(std::min<qint64>(deadline.remainingTime(), INT_MAX)));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0) {
                out.error = errno;
                return out;
            }
            if (wakeFd >= 0 && (fds[1].revents & POLLIN)) {
                out.woken = true;
                return out;
            }
            if (ready == 0) {
                out.timedOut = true;
                return out;
            }
        }
        const qint64 chunk = file ? bytes.size() - out.written : std::min<qint64>(bytes.size() - out.written, PIPE_BUF);
        const ssize_t n = ::write(fd, bytes.data() + out.written, size_t(chunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.error = errno;
            return out;
        }
        out.written += n;
    }
    return out;
}

void ignoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

} // namespace core
