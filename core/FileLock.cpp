#include "core/FileLock.h"

#include "core/SafeFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kPollMs = 10;

} // namespace

FileLock::~FileLock() { unlock(); }

bool FileLock::lock(const QString &fileName, int waitMs) {
    unlock();
    QString target;
    if (!SafeFile::resolve(fileName, target, m_error))
        return false;
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const QDeadlineTimer deadline(waitMs);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int cause = errno;
        if ((cause != EWOULDBLOCK && cause != EINTR) || deadline.hasExpired()) {
            m_error = cause == EWOULDBLOCK ? QStringLiteral("Another copy of the program is saving this file")
                                           : QString::fromLocal8Bit(std::strerror(cause));
            ::close(fd);
            return false;
        }
        QThread::msleep(kPollMs);
    }
    m_fd = fd;
    return true;
}

void FileLock::unlock() {
    if (m_fd < 0)
        return;
    ::close(m_fd); // releases the lock
    m_fd = -1;
}
