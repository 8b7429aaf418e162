#pragma once

#include "rx/LogFile.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace rx {

// Recording the log to its file: off until the first start, then recording
// or paused, one file per run. The texts of the recording button and of the
// status line belong to the state. A file deleted while open ends the
// recording: the status line says so, and the next click starts a new file.
class LogRecorder {
public:
    enum class State { Off, Recording, Paused };

    // A click on the recording button. Off: the file named for now is
    // created and recording starts; false when it cannot be (errorString(),
    // fileName() tell why and which), and the state stays. Recording: pauses
    // and writes out what is gathered; false when that write begins a failure
    // episode. Paused: recording goes on in the same file.
    bool toggle(const QDateTime &now);
    // Recording starts at once into the file of that name (a script's log),
    // whatever the state; false when it cannot be created (errorString()).
    bool recordTo(const QString &name);

    State state() const { return m_file.isGone() ? State::Off : m_state; }
    bool recording() const { return state() == State::Recording; }
    // The file was found deleted (at a flush, which then returned false).
    bool fileGone() const { return m_file.isGone(); }
    bool fileOpen() const { return m_file.isOpen(); }
    // The log file of the run, or the one that could not be created.
    QString fileName() const { return m_name; }
    QString errorString() const { return m_file.errorString(); }

    QString buttonCaption() const;
    QString statusText() const;

    // A line of the log; kept only while recording. Each returns false when
    // it begins a failure episode of the file.
    bool writeLine(QByteArrayView line);
    bool flush() { return m_file.flush(); }
    // The end of the run: the file is written out and closed.
    bool close();

private:
    State m_state = State::Off;
    QString m_name;
    LogFile m_file;
};

} // namespace rx
