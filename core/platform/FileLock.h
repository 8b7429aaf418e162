#pragma once

#include <QString>

namespace core {

// Keeps the copies of the program that share a folder from saving the same
// file at the same moment: an advisory lock (flock) on the folder that holds
// the file (the folder of the file a user's link leads to). No lock file is
// left behind, and a folder the user may not write can still be locked. The
// lock ends with the object, or with the process however it ends.
class FileLock {
public:
    // The window's thread never waits longer: another window's save is over
    // sooner, and a lock held longer belongs to some other program (a backup
    // tool, an editor) that may hold it for any time.
    static constexpr int kWaitMs = 200;
    // Once the program ends without a user to wait on its window, a window
    // ending at the same moment may be writing its own files first.
    static constexpr int kEndingWaitMs = 5000;
    static void setProgramEnding(bool ending);

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Waits up to waitMs (by default kWaitMs, or kEndingWaitMs once the
    // program is ending) for the lock; false with the reason when it is not
    // had by then, naming who holds it, or when the folder cannot be opened.
    bool lock(const QString &fileName, int waitMs = -1);
    void unlock();
    QString errorString() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace core
