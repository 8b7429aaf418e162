#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tx {

// Notice shown when a command file reached the line limit.
inline const QString kBigFileNotice = QStringLiteral("Большой файл");

// A text file of commands, one per line, in windows-1251. A line ends at LF
// or at CR LF (files written on Windows and on Linux load the same); the
// terminator is not part of the command. At most kMaxLines lines are read;
// a line of kSkippedLength characters or more is counted but not loaded.
// Reading stops after kMaxBytesRead bytes as well, so that no file, however
// large and whatever its lines, holds the window for long.
class CommandFile {
public:
    static constexpr int kMaxLines = 500;
    static constexpr int kSkippedLength = 255;
    // Far more than the 500 lines that can be loaded (about 125 KiB), and
    // read in a few milliseconds.
    static constexpr qint64 kMaxBytesRead = 16 * 1024 * 1024;

    // Reads the file; false with the system's error text when it cannot be
    // opened or read (the lines read until then stay). Only a regular file
    // is read: a FIFO or a device is reported, never waited on.
    bool read(const QString &path);
    QString errorString() const { return m_error; }

    // The commands loaded, as bytes.
    const QList<QByteArray> &lines() const { return m_lines; }
    // A limit was reached: the file may hold more than was read.
    bool reachedLimit() const { return m_linesRead == kMaxLines || m_stoppedEarly; }

private:
    void endLine(QByteArray &line, bool tooLong, bool terminated);

    QList<QByteArray> m_lines;
    int m_linesRead = 0;
    bool m_stoppedEarly = false;
    QString m_error;
};

} // namespace tx
