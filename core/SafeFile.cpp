#include "core/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

QString textOf(int cause) { return QString::fromLocal8Bit(std::strerror(cause)); }

} // namespace

SafeFile::~SafeFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

SafeFile::Kind SafeFile::kindOf(const QString &name) {
    struct stat st {};
    if (::lstat(QFile::encodeName(name).constData(), &st) != 0)
        return errno == ENOENT ? Kind::Missing : Kind::Other;
    return S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
}

QString SafeFile::notRegularText(const QString &name) {
    struct stat st {};
    if (::lstat(QFile::encodeName(name).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return textOf(EISDIR);
    return QStringLiteral("Not a regular file (a link, a pipe or a device)");
}

int SafeFile::takeDescriptor() { return std::exchange(m_fd, -1); }

bool SafeFile::fail(int cause) {
    m_missing = cause == ENOENT;
    return failWith(textOf(cause));
}

bool SafeFile::failWith(const QString &error) {
    m_error = error;
    return false;
}

bool SafeFile::openForReading(const QString &name) {
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? failWith(notRegularText(name)) : fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failWith(notRegularText(name));
    }
    // Reads of a regular file never wait; the flag only kept the open from
    // blocking.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    return true;
}

bool SafeFile::createForWriting(const QString &name) {
    const QByteArray path = QFile::encodeName(name);
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            return true;
        if (errno != EEXIST)
            break;
        if (kindOf(name) != Kind::Regular)
            return failWith(notRegularText(name));
        if (::unlink(path.constData()) != 0 && errno != ENOENT)
            break;
    }
    return fail(errno);
}

bool SafeFile::replaceWhole(const QString &name, const QByteArray &bytes) {
    const QFileInfo target(name);
    QByteArray temp = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                                        QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail(errno);
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
    return fail(cause);
}
