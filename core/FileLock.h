#pragma once

#include <QString>

// Keeps the copies of the program that share a folder from saving the same
// file at the same moment: an advisory lock (flock) on the folder that holds
// the file (the folder of the file a user's link leads to). No lock file is
// left behind, and a folder the user may not write can still be locked. The
// lock ends with the object, or with the process however it ends.
class FileLock {
public:
    // Long enough for another window's save of the 10 MB macro store.
    static constexpr int kWaitMs = 5000;

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Waits up to waitMs for the lock; false with the reason when it is not
    // had by then or the folder cannot be opened.
    bool lock(const QString &fileName, int waitMs = kWaitMs);
    void unlock();
    bool isLocked() const { return m_fd >= 0; }
    QString errorString() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};
