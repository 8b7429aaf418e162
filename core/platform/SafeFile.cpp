#include "core/platform/SafeFile.h"

#include "core/platform/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace core {

namespace {

// More links than this in a row are taken for a loop.
constexpr int kMaxLinks = 8;
// The temporaries of a save are named so that no file of the user's is
// ever taken for one; mkstemp() replaces the X's by letters and digits.
const QString kTemporaryMarker = QStringLiteral("terminalkvr-tmp-");
const QString kTemporaryTail = QStringLiteral("XXXXXX");
const QString kAsideMarker = QStringLiteral(".unsaved-");

QString foreignText() {
    return QStringLiteral("Not followed: the link or the file it leads to belongs to another user");
}

QByteArray encoded(const QString &name) { return QFile::encodeName(name); }

// How every temporary of the file of that name begins.
QString temporaryHead(const QString &fileName) {
    return QLatin1Char('.') + fileName + QLatin1Char('.') + kTemporaryMarker;
}

// Removes a temporary left behind, unless it is not a regular file of the
// user's, is younger than a save can take, or a save still holds it.
void removeIfStale(const QByteArray &path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        st.st_mtime < ::time(nullptr) - SafeFile::kStaleAfterS && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(path.constData());
    ::close(fd);
}

} // namespace

SafeFile::~SafeFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SafeFile::resolve(const QString &name, QString &target, QString &error) {
    QString current = name;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(encoded(current).constData(), &st) != 0) {
            if (errno != ENOENT) {
                error = errnoText(errno);
                return false;
            }
            target = current;
            return true;
        }
        if (!S_ISLNK(st.st_mode) || st.st_uid != ::geteuid()) {
            if (hop > 0 && st.st_uid != ::geteuid()) {
                error = foreignText();
                return false;
            }
            // Someone else's link is left to the callers, which refuse it as
            // no regular file.
            target = current;
            return true;
        }
        char link[PATH_MAX];
        const ssize_t length = ::readlink(encoded(current).constData(), link, sizeof link);
        if (length < 0 || length == ssize_t(sizeof link)) {
            error = errnoText(length < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        const QString to = QFile::decodeName(QByteArray(link, length));
        current = QDir::isAbsolutePath(to) ? to : QFileInfo(current).absolutePath() + QLatin1Char('/') + to;
    }
    error = errnoText(ELOOP);
    return false;
}

SafeFile::Kind SafeFile::kindOf(const QString &name) {
    QString target, error;
    if (!resolve(name, target, error))
        return Kind::Other;
    struct stat st {};
    if (::lstat(encoded(target).constData(), &st) != 0)
        return errno == ENOENT ? Kind::Missing : Kind::Other;
    return S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
}

QString SafeFile::notRegularText(const QString &name) {
    struct stat st {};
    if (::lstat(encoded(name).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return errnoText(EISDIR);
    return QStringLiteral("Not a regular file (a link, a pipe or a device)");
}

bool SafeFile::isTemporaryOf(const QString &entry, const QString &fileName) {
    const QString head = temporaryHead(fileName);
    if (fileName.isEmpty() || entry.size() != head.size() + kTemporaryTail.size() || !entry.startsWith(head))
        return false;
    const QStringView tail = QStringView(entry).right(kTemporaryTail.size());
    return std::all_of(tail.begin(), tail.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; });
}

void SafeFile::removeStaleTemporaries(const QString &name) {
    QString target, error;
    if (!resolve(name, target, error))
        return;
    const QFileInfo info(target);
    const QDir folder = info.absoluteDir();
    const QString pattern = temporaryHead(info.fileName()) + QLatin1Char('*');
    for (const QString &entry : folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (isTemporaryOf(entry, info.fileName()))
            removeIfStale(encoded(folder.filePath(entry)));
    }
}

QString SafeFile::asideName(const QString &name) {
    QString target, error;
    if (!resolve(name, target, error))
        target = name;
    // The start of the run beside the process number: a number used again
    // by a later process never replaces what an earlier one kept.
    static const QString run = QStringLiteral("%1-%2").arg(::getpid()).arg(::time(nullptr));
    return target + kAsideMarker + run;
}

QStringList SafeFile::asideFiles(const QString &name) {
    QString target, error;
    if (!resolve(name, target, error))
        return {};
    const QFileInfo info(target);
    const QDir folder = info.absoluteDir();
    const QString head = info.fileName() + kAsideMarker;
    QList<QFileInfo> found;
    for (const QFileInfo &entry :
         folder.entryInfoList({head + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System, QDir::Time)) {
        const QStringList numbers = entry.fileName().mid(head.size()).split(QLatin1Char('-'));
        const bool named = numbers.size() == 2 && std::all_of(numbers.cbegin(), numbers.cend(), [](const QString &n) {
                               return !n.isEmpty() && std::all_of(n.cbegin(), n.cend(), [](QChar c) {
                                   return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                               });
                           });
        if (named && !entry.isSymLink() && entry.ownerId() == ::geteuid())
            found.append(entry);
    }
    QStringList paths;
    for (auto it = found.crbegin(); it != found.crend(); ++it)
        paths.append(it->absoluteFilePath());
    return paths;
}

int SafeFile::takeDescriptor() { return std::exchange(m_fd, -1); }

bool SafeFile::handTo(QFile &file, QIODevice::OpenMode mode) {
    return adoptDescriptor(file, takeDescriptor(), mode) || failWith(file.errorString());
}

bool SafeFile::fail(int cause) {
    m_missing = cause == ENOENT;
    return failWith(errnoText(cause));
}

bool SafeFile::failWith(const QString &error) {
    m_error = error;
    return false;
}

bool SafeFile::checkOpened(int fd, const QString &name, bool ownerMatters) {
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular || (ownerMatters && st.st_uid != ::geteuid())) {
        ::close(fd);
        return failWith(regular ? foreignText() : notRegularText(name));
    }
    // Reads of a regular file never wait; the flag only kept the open from
    // blocking.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    return true;
}

bool SafeFile::openForReading(const QString &name) {
    QString target;
    if (!resolve(name, target, m_error))
        return false;
    const int fd = ::open(encoded(target).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? failWith(notRegularText(name)) : fail(errno);
    return checkOpened(fd, name, target != name);
}

bool SafeFile::openChosenForReading(const QString &name) {
    const int fd = ::open(encoded(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    return checkOpened(fd, name, false);
}

bool SafeFile::createNew(const QString &name) {
    const QByteArray path = encoded(name);
    m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd >= 0)
        return true;
    const int cause = errno;
    struct stat st {};
    if (cause == EEXIST && ::lstat(path.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return failWith(notRegularText(name));
    m_exists = cause == EEXIST;
    return fail(cause);
}

bool SafeFile::replaceWhole(const QString &name, const QByteArray &bytes) {
    QString target;
    if (!resolve(name, target, m_error))
        return false;
    const QByteArray targetPath = encoded(target);
    struct stat old {};
    const bool existed = ::lstat(targetPath.constData(), &old) == 0;
    if (!existed && errno != ENOENT)
        return fail(errno);
    if (existed && !S_ISREG(old.st_mode))
        return failWith(notRegularText(name));
    // The rename would replace a file the user may not write, or one marked
    // read-only for everybody (which root could write otherwise).
    if (existed && ((old.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, targetPath.constData(), W_OK, AT_EACCESS) != 0))
        return fail(EACCES);

    const QFileInfo info(target);
    QByteArray temp = encoded(info.absolutePath() + QLatin1Char('/') + temporaryHead(info.fileName()) + kTemporaryTail);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail(errno);
    // Held while it is written: a clean-up never takes it for a left-over.
    ::flock(fd, LOCK_EX | LOCK_NB);
    // The new file keeps the old one's permissions, and its owner and group
    // as far as the user may give them.
    ::fchmod(fd, existed ? old.st_mode & 07777 : 0644);
    if (existed && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not allowed: the file becomes the user's, as any edited file does.
    }
    int cause = 0;
    writeAll(fd, bytes.constData(), bytes.size(), cause);
    if (cause == 0 && ::fsync(fd) != 0)
        cause = errno;
    ::close(fd);
    if (cause == 0 && ::rename(temp.constData(), targetPath.constData()) != 0)
        cause = errno;
    if (cause == 0)
        return true;
    ::unlink(temp.constData());
    return fail(cause);
}

} // namespace core
