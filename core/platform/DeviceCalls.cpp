#include "core/platform/DeviceCalls.h"

#include "core/platform/FileDescriptor.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace core {

bool lockDeviceExclusive(int fd, QString &error) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    error = errnoText(errno);
    return false;
}

bool mayReadAndWrite(const QString &path) { return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0; }

int bytesQueuedForReading(int fd) {
    int queued = 0;
    if (::ioctl(fd, FIONREAD, &queued) != 0)
        queued = 0;
    return queued;
}

int bytesQueuedForWriting(int fd) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
        queued = 0;
    return queued;
}

bool lineAnswers(int fd) {
    termios line{};
    return ::tcgetattr(fd, &line) == 0;
}

bool waitWritable(int fd, int timeoutMs) {
    pollfd device{fd, POLLOUT, 0};
    return ::poll(&device, 1, timeoutMs) > 0 && (device.revents & POLLOUT);
}

void setTcpKeepAlive(int fd, int idleS, int intervalS, int count) {
#ifdef Q_OS_LINUX
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleS, sizeof idleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalS, sizeof intervalS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
#else
    Q_UNUSED(fd)
    Q_UNUSED(idleS)
    Q_UNUSED(intervalS)
    Q_UNUSED(count)
#endif
}

bool peerHungUp(int fd) {
#ifdef Q_OS_LINUX
    pollfd connection{fd, POLLRDHUP, 0};
    return ::poll(&connection, 1, 0) > 0 && (connection.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
#else
    Q_UNUSED(fd)
    return false;
#endif
}

} // namespace core
