#include "core/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

Kind kindOf(const QString &name) {
    struct stat st {};
    if (::lstat(QFile::encodeName(name).constData(), &st) != 0)
        return errno == ENOENT ? Kind::Missing : Kind::Other;
    return S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
}

QString notRegularText(const QString &name) {
    struct stat st {};
    if (::lstat(QFile::encodeName(name).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    return QStringLiteral("Not a regular file (a link, a pipe or a device)");
}

int openForReading(const QString &name, QString *error) {
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int cause = errno;
        *error = cause == ELOOP ? notRegularText(name) : systemError();
        errno = cause;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = notRegularText(name);
        errno = EINVAL;
        return -1;
    }
    // Reads of a regular file never wait; the flag only kept the open from
    // blocking.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int createForWriting(const QString &name, QString *error) {
    const QByteArray path = QFile::encodeName(name);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            break;
        if (kindOf(name) != Kind::Regular) {
            *error = notRegularText(name);
            return -1;
        }
        if (::unlink(path.constData()) != 0 && errno != ENOENT)
            break;
    }
    *error = systemError();
    return -1;
}

bool replaceWhole(const QString &name, const QByteArray &bytes, QString *error) {
    const QFileInfo target(name);
    QByteArray temp = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                                        QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = systemError();
        return false;
    }
    // The new file keeps the old one's permissions.
    struct stat old {};
    ::fchmod(fd, ::stat(QFile::encodeName(name).constData(), &old) == 0 && S_ISREG(old.st_mode)
                     ? old.st_mode & 07777
                     : 0644);
    qsizetype done = 0;
    int cause = 0;
    while (done < bytes.size() && cause == 0) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n > 0)
            done += n;
        else if (n == 0)
            cause = ENOSPC;
        else if (errno != EINTR)
            cause = errno;
    }
    if (cause == 0 && ::fsync(fd) != 0)
        cause = errno;
    ::close(fd);
    if (cause == 0 && ::rename(temp.constData(), QFile::encodeName(name).constData()) != 0)
        cause = errno;
    if (cause == 0)
        return true;
    ::unlink(temp.constData());
    *error = QString::fromLocal8Bit(std::strerror(cause));
    return false;
}

} // namespace safefile
