#pragma once

#include "rx/LogRecorder.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

namespace session {

// Which way a log line went; Line: what was done to the serial line (new
// settings, a pulse, a break).
enum class Direction { Sent, Received, Line };

// Where the log lines go: each line of the session, sent or received, gets
// its time stamp when asked for, passes the filter or not, is handed on as
// shown and, while recording, written to the log file, which reaches the
// disk within kLogFlushMs. One file for the window's recording button and
// for a script's --log alike, so both write the same bytes.
class LogSink : public QObject {
    Q_OBJECT
public:
    // Log lines reach the disk within this long of being shown.
    static constexpr int kLogFlushMs = 1000;

    explicit LogSink(QObject *parent = nullptr);

    // A line of the session (without stamp), as it went.
    void putLine(const QByteArray &text, Direction direction);

    // " [ hh:mm:ss:zzz > ] " in front of each line ("TIME + ").
    void setTimeStamps(bool on) { m_timeStamps = on; }
    // Only lines holding the text are shown and recorded; empty: all.
    void setFilter(const QString &filter) { m_filter = filter; }

    // The recording button: start, pause, resume (see rx::LogRecorder).
    bool toggleRecording(const QDateTime &now);
    // Every line from now on goes to the file of that name; a regular file
    // already there is replaced (the file named is the file written), a link
    // is refused. False when it cannot be created (recorder() says why).
    bool recordTo(const QString &path);
    const rx::LogRecorder &recorder() const { return m_recorder; }
    // The end of the run: written out and closed; false when that failed.
    bool close();

signals:
    // The line as shown and recorded.
    void line(const QByteArray &line, Direction direction);
    // The log file failed (a write, a flush); once per failure.
    void fileFailed(const QString &fileName, const QString &error);

private:
    bool m_timeStamps = false;
    QString m_filter;
    rx::LogRecorder m_recorder;
    QTimer m_flushTimer;
};

} // namespace session
