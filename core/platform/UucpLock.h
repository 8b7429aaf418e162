#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace core {

// The other way serial programs mark a device as theirs (minicom, cu, uucp,
// older modem tools): a lock file LCK..<name> in the system's lock folder
// holding the owner's process ID, in text or as a 4-byte number. Such a
// lock is honoured while its process lives and never removed then; one
// whose process is gone is stale and removed, as those programs do.
struct UucpLock {
    qint64 pid = 0;
    QString program; // the owner's command name, empty when hidden
    QString file;
    // "minicom, PID 1234, /run/lock/LCK..ttyUSB0"
    QString description() const;
};

// The folders where those lock files are kept.
inline const QStringList kUucpLockFolders{QStringLiteral("/run/lock"), QStringLiteral("/var/lock")};

// The lock on the device at that path held by another live process, if
// any. Both names in use are looked at: the device's file name (ttyUSB0,
// and "3" for /dev/pts/3) and its path below /dev with '/' as '_' (pts_3).
std::optional<UucpLock> liveUucpLock(const QString &devicePath, const QStringList &folders = kUucpLockFolders);

} // namespace core
