#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

namespace rx {

// "LOG_" + year, month, day, hour, minute and second of the given local time,
// separated by single blanks, without leading zeros, + ".txt".
QString logFileNameFor(const QDateTime &localNow);

// The log file of one run: lines exactly as shown in the log window, each
// ended by CR LF. Lines are gathered in memory and written in large chunks,
// never one by one; the owner calls flush() within about a second after a
// line was written (hasUnflushedData() tells when one is due) and when
// recording pauses, and close() at the end.
//
// Write failures (a full disk) are reported once per episode: the call that
// meets the first failure returns false (errorString() tells why), later
// failing calls return true, and the first successful write ends the episode.
// Lines that cannot be written are dropped, so memory stays bounded while the
// disk is full; the file holds whole lines only, since a short write is cut
// back to the end of its last whole line.
//
// A file deleted while open is looked for at every flush, whatever the state
// of the disk: the call that finds it gone returns false once (errorString()),
// isGone() tells it from then on, and every later line is dropped. Nothing
// here throws or shows anything.
class LogFile {
public:
    static constexpr qsizetype kBufferSize = 64 * 1024;

    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    // Creates the file; an existing file is never replaced nor removed (it may
    // be another window's log of the same second): while the name is taken
    // by a regular file, the next of "<base> (2).<ext>", "<base> (3).<ext>"
    // ... up to kMaxNumber is tried. A link or anything else under the name
    // is refused, never written through. A bare name lands in the current
    // directory. Any file open before is closed first. On failure
    // errorString() tells why and the log stays closed.
    static constexpr int kMaxNumber = 99;
    bool create(const QString &name);
    // The name tried for the given number: the name itself for 1.
    static QString numberedName(const QString &name, int number);

    bool isOpen() const;
    // The name the file was created under.
    QString fileName() const;
    // The open file has been deleted: the lines go nowhere.
    bool isGone() const { return m_gone; }
    // The system's text for the most recent failure.
    QString errorString() const;
    bool hasUnflushedData() const;

    // Each returns false when it begins a failure episode. Writing to a
    // closed log does nothing.
    bool writeLine(QByteArrayView line);
    bool flush();
    bool close();

private:
    bool writeOut();
    bool fail(const QString &error);

    int m_fd = -1;
    QString m_name;
    QByteArray m_buffer;
    QList<qsizetype> m_lineEnds; // offsets in m_buffer just after each line
    qint64 m_fileEnd = 0;        // the file's size: whole lines only
    QString m_error;
    bool m_failing = false;
    bool m_gone = false;
};

} // namespace rx
