#include "core/platform/FileLock.h"

#include "core/FixedTexts.h"
#include "core/platform/FileDescriptor.h"
#include "core/platform/SafeFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace core {

namespace {

constexpr int kPollMs = 10;
bool s_programEnding = false;
QDeadlineTimer s_endingBudget;

QByteArray readProc(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The process holding an flock on the file of that device and inode, as the
// system's table of locks lists it; 0 when it lists none.
qint64 holderIn(const QByteArray &locksTable, quint64 device, quint64 inode) {
    // "1: FLOCK  ADVISORY  WRITE 4242 fe:00:1234 0 EOF"; a waiting one is
    // listed as "1: -> FLOCK ...".
    const QByteArray file =
        QString::asprintf("%02x:%02x:%llu", ::major(device), ::minor(device), static_cast<unsigned long long>(inode))
            .toLatin1();
    for (const QByteArray &line : locksTable.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] != "FLOCK" || fields[5] != file)
            continue;
        bool number = false;
        const qint64 pid = fields[4].toLongLong(&number);
        return number ? pid : 0;
    }
    return 0;
}

// Who holds the lock on the open folder, in the user's words.
QString holderText(int fd) {
    struct stat st {};
    const qint64 pid = ::fstat(fd, &st) == 0 ? holderIn(readProc("/proc/locks"), st.st_dev, st.st_ino) : 0;
    const QString name = QString::fromLocal8Bit(readProc(QStringLiteral("/proc/%1/comm").arg(pid))).trimmed();
    if (pid <= 0 || name.isEmpty())
        return QStringLiteral("Файл заблокирован другой программой");
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QString holder = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    if (pid != ::getpid() && !program.isEmpty() && holder == program)
        return QStringLiteral("Файл сейчас сохраняет другое окно %1 (процесс %2)").arg(kProgramName).arg(pid);
    return QStringLiteral("Файл заблокирован другой программой: %1 (процесс %2)").arg(name).arg(pid);
}

} // namespace

void FileLock::setProgramEnding(bool ending) {
    if (ending && !s_programEnding)
        s_endingBudget.setRemainingTime(kEndingWaitMs);
    s_programEnding = ending;
}

FileLock::~FileLock() { unlock(); }

bool FileLock::lock(const QString &fileName, int waitMs, const Waiting &waiting) {
    unlock();
    m_busy = false;
    QString target;
    if (!SafeFile::resolve(fileName, target, m_error))
        return false;
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_error = errnoText(errno);
        return false;
    }
    if (waitMs < 0)
        waitMs = s_programEnding ? kEndingWaitMs : kWaitMs;
    if (s_programEnding)
        waitMs = std::min<qint64>(waitMs, s_endingBudget.remainingTime());
    const QDeadlineTimer deadline(waitMs);
    QDeadlineTimer nextWord(kWaitMs);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int cause = errno;
        if ((cause != EWOULDBLOCK && cause != EINTR) || deadline.hasExpired()) {
            m_busy = cause == EWOULDBLOCK;
            m_error = m_busy ? holderText(fd) : errnoText(cause);
            ::close(fd);
            return false;
        }
        if (waiting && nextWord.hasExpired()) {
            waiting(holderText(fd));
            nextWord.setRemainingTime(kWaitingStepMs);
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

} // namespace core
