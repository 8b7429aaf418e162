#include "core/platform/UucpLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <cstring>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace core {

namespace {

// Lock files are a few bytes; anything longer is not one.
constexpr qint64 kMaxLockFileBytes = 128;

std::optional<qint64> pidIn(const QByteArray &content) {
    // The old binary form: the process ID as a 4-byte number.
    const bool binary = std::any_of(content.begin(), content.end(), [](char c) {
        return !std::isprint(static_cast<unsigned char>(c)) && !std::isspace(static_cast<unsigned char>(c));
    });
    if (content.size() == 4 && binary) {
        qint32 pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        return pid;
    }
    // The text form "      1234\n", with the owner's name after it in some.
    bool ok = false;
    const qint64 pid = content.simplified().split(' ').value(0).toLongLong(&ok);
    return ok ? std::optional<qint64>(pid) : std::nullopt;
}

bool alive(qint64 pid) {
    // Signal 0 only asks whether the process exists; EPERM: it does, as
    // another user's.
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

QString commandName(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
}

} // namespace

QString UucpLock::description() const {
    return (program.isEmpty() ? QString() : program + QStringLiteral(", ")) +
           QStringLiteral("PID %1, %2").arg(pid).arg(file);
}

std::optional<UucpLock> liveUucpLock(const QString &devicePath, const QStringList &folders) {
    const QString device =
        QFileInfo(devicePath).canonicalFilePath().isEmpty() ? devicePath : QFileInfo(devicePath).canonicalFilePath();
    QStringList names{QFileInfo(device).fileName()};
    if (device.startsWith(QLatin1String("/dev/")))
        names << device.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
    QSet<QString> seen;
    for (const QString &folder : folders) {
        const QString real = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || seen.contains(real))
            continue;
        seen.insert(real);
        for (const QString &name : names) {
            QFile file(QDir(real).filePath(QStringLiteral("LCK..") + name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const std::optional<qint64> pid = pidIn(file.read(kMaxLockFileBytes));
            if (!pid || *pid == ::getpid())
                continue;
            if (alive(*pid))
                return UucpLock{*pid, commandName(*pid), QDir(folder).filePath(QStringLiteral("LCK..") + name)};
            // The owner is gone without cleaning up: a stale lock goes, as
            // every program of this kind does with one.
            file.close();
            file.remove();
        }
    }
    return std::nullopt;
}

} // namespace core
