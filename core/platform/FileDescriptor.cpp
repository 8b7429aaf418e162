#include "core/platform/FileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

QString errnoText(int cause) { return QString::fromLocal8Bit(std::strerror(cause)); }

bool adoptDescriptor(QFile &file, int fd, QIODevice::OpenMode mode) {
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

void closeDescriptor(int fd) { ::close(fd); }

bool isUnlinked(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_nlink == 0;
}

qint64 readSome(int fd, char *data, qint64 size, int &cause) {
    cause = 0;
    for (;;) {
        const ssize_t n = ::read(fd, data, size_t(size));
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            cause = errno;
            return -1;
        }
    }
}

qint64 writeAll(int fd, const char *data, qint64 size, int &cause) {
    qint64 written = 0;
    cause = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n > 0) {
            written += n;
        } else if (n == 0 || errno != EINTR) {
            cause = n == 0 ? ENOSPC : errno;
            break;
        }
    }
    return written;
}

int truncateAt(int fd, qint64 length) {
    const int cause = ::ftruncate(fd, length) != 0 ? errno : 0;
    ::lseek(fd, length, SEEK_SET);
    return cause;
}

int renameReplacing(const QString &from, const QString &to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return errno;
    return 0;
}

} // namespace core
