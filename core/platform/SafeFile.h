#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

class QFile;

namespace core {

// Opening the program's files in the working directory without being led
// elsewhere: a FIFO or a device named like one of them is never written
// through or waited on, and is reported instead. A symbolic link is followed
// only when the user running the program owns it and the file it leads to
// (a user may keep the history elsewhere); anyone else's link is refused.
// One object serves one operation; a failed one says why in errorString().
class SafeFile {
public:
    // What lies under a name: the name itself, or what the user's own links
    // lead to (a link of the user's to nothing counts as Missing).
    enum class Kind { Missing, Regular, Other };
    static Kind kindOf(const QString &name);
    // The report for a name that is not a regular file.
    static QString notRegularText(const QString &name);
    // Where the file of that name really lies: the name itself, or the end of
    // a chain of the user's own links, which may not exist yet. False, with
    // the reason, for a link owned by someone else or leading to someone
    // else's file.
    static bool resolve(const QString &name, QString &target, QString &error);
    // Removes what replaceWhole() leaves when the program is killed half-way:
    // ".<name>.terminalkvr-tmp-XXXXXX" beside the file, a regular file of the
    // user's, more than kStaleAfterS old and held by no running save. Call it
    // under the FileLock of the name, so that no save of this program is
    // writing one.
    static void removeStaleTemporaries(const QString &name);
    // Whether a folder entry is one of those temporaries of the file named.
    static bool isTemporaryOf(const QString &entry, const QString &fileName);
    static constexpr int kStaleAfterS = 60;
    // Where a program that must end while another holds the folder's lock
    // leaves what it could not merge into the file:
    // "<file>.unsaved-<pid>-<start>" beside the file (a name of its own, so
    // no lock is needed). The next start merges such files in under the lock
    // and removes them.
    static QString asideName(const QString &name);
    // Those of any process, regular files of the user's, oldest first.
    static QStringList asideFiles(const QString &name);

    SafeFile() = default;
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    // Opens an existing regular file for reading without blocking (a FIFO must
    // not hang the program). missing() tells a name that does not exist.
    bool openForReading(const QString &name);
    // The same for a file the user picked by hand: links lead wherever they
    // lead, but it is still a regular file or nothing, and never waited on.
    bool openChosenForReading(const QString &name);
    // Creates a new file for writing; nothing of that name is ever replaced
    // or removed. exists() tells that a regular file has the name already.
    bool createNew(const QString &name);
    // Writes the bytes to a temporary file beside the target and renames it
    // over the target: the file is whole at every moment. The file keeps its
    // permissions; one the user may not write (or marked read-only for all)
    // is refused, as is anything that is not a regular file.
    bool replaceWhole(const QString &name, const QByteArray &bytes);

    // The descriptor opened, now the caller's to close.
    int takeDescriptor();
    // Hands the descriptor opened to the QFile, which closes it when done;
    // false when Qt refuses it (errorString()).
    bool handTo(QFile &file, QIODevice::OpenMode mode = QIODevice::ReadOnly);
    bool missing() const { return m_missing; }
    bool exists() const { return m_exists; }
    QString errorString() const { return m_error; }

private:
    bool fail(int cause);
    bool failWith(const QString &error);
    bool checkOpened(int fd, const QString &name, bool ownerMatters);

    int m_fd = -1;
    bool m_missing = false;
    bool m_exists = false;
    QString m_error;
};

} // namespace core
