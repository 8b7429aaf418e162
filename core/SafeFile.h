#pragma once

#include <QByteArray>
#include <QString>

// Opening the program's files in the working directory without being led
// elsewhere: a symbolic link, a FIFO or a device named like one of them is
// never followed, written through or waited on, and is reported instead.
// One object serves one operation; a failed one says why in errorString().
class SafeFile {
public:
    // What lies under a name, the name itself looked at (links not followed).
    enum class Kind { Missing, Regular, Other };
    static Kind kindOf(const QString &name);
    // The report for a name that is not a regular file.
    static QString notRegularText(const QString &name);

    SafeFile() = default;
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    // Opens an existing regular file for reading without blocking (a FIFO must
    // not hang the program). missing() tells a name that does not exist.
    bool openForReading(const QString &name);
    // Creates the file empty for writing. A regular file of that name is
    // replaced; anything else there is refused.
    bool createForWriting(const QString &name);
    // Writes the bytes to a temporary file in the same directory and renames
    // it over the name: the file is whole at every moment, and a link of that
    // name is replaced rather than written through.
    bool replaceWhole(const QString &name, const QByteArray &bytes);

    // The descriptor opened, now the caller's to close.
    int takeDescriptor();
    bool missing() const { return m_missing; }
    QString errorString() const { return m_error; }

private:
    bool fail(int cause);
    bool failWith(const QString &error);

    int m_fd = -1;
    bool m_missing = false;
    QString m_error;
};
