#pragma once

#include <QString>

#include <functional>

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
    // ending at the same moment may be writing its own files first. This is
    // the budget of all the locks taken from then on together: the session
    // manager's kill comes a few seconds after its SIGTERM.
    static constexpr int kEndingWaitMs = 5000;
    static void setProgramEnding(bool ending);
    // At a close the user has left the window: a save of slow storage (a
    // stick, NFS) by another window is waited for, this long at most.
    static constexpr int kClosingWaitMs = 5000;
    // While a wait lasts past kWaitMs, about this often the waiting caller is
    // told who holds the lock (to show it and keep its window painted).
    static constexpr int kWaitingStepMs = 100;
    using Waiting = std::function<void(const QString &holder)>;

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Waits up to waitMs (by default kWaitMs; once the program is ending, no
    // longer than what is left of the ending budget) for the lock; false with the reason
    // when it is not had by then, naming who holds it (busy()), or when the
    // folder cannot be opened. waiting, when given, is called past kWaitMs.
    bool lock(const QString &fileName, int waitMs = -1, const Waiting &waiting = {});
    void unlock();
    QString errorString() const { return m_error; }
    // The last lock() failed because someone else held the lock.
    bool busy() const { return m_busy; }

private:
    int m_fd = -1;
    bool m_busy = false;
    QString m_error;
};

} // namespace core
