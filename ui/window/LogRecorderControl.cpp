#include "ui/window/LogRecorderControl.h"

#include "session/TerminalSession.h"
#include "ui/dialogs/ModalSeam.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace ui {

LogRecorderControl::LogRecorderControl(const Controls &controls, session::TerminalSession &session, QWidget *window)
    : QObject(window), m_controls(controls), m_session(session), m_window(window) {
    connect(m_controls.StartLog, &QPushButton::clicked, this, &LogRecorderControl::StartLogClick);
    connect(&m_session, &session::TerminalSession::logFileFailed, this, &LogRecorderControl::reportLogFileError);
}

void LogRecorderControl::StartLogClick() {
    const rx::LogRecorder &recorder = m_session.logRecorder();
    const bool starting = recorder.state() == rx::LogRecorder::State::Off;
    const bool done = m_session.toggleLogRecording();
    if (!done && starting) {
        modal::reportFileError(m_window, recorder.fileName(), recorder.errorString());
        return;
    }
    showState();
    if (!recorder.recording() && !done)
        reportLogFileError(recorder.fileName(), recorder.errorString());
}

void LogRecorderControl::showState() {
    const rx::LogRecorder &recorder = m_session.logRecorder();
    m_controls.StartLog->setProperty("tag", recorder.recording() ? 1 : 0);
    m_controls.StartLog->setText(recorder.buttonCaption());
    m_controls.STLog->setText(recorder.statusText());
}

void LogRecorderControl::close() {
    if (!m_session.closeLog())
        modal::reportFileError(m_window, m_session.logRecorder().fileName(), m_session.logRecorder().errorString());
}

void LogRecorderControl::reportLogFileError(const QString &fileName, const QString &error) {
    // A file found deleted no longer records.
    showState();
    // Reported from the event loop, not from inside the poll or the send
    // routine, which carry on while the message is open.
    QTimer::singleShot(0, this, [this, fileName, error] {
        // The notice already open tells of the failing log; boxes must not
        // pile up while free space comes and goes.
        if (m_noticeOpen)
            return;
        m_noticeOpen = true;
        modal::reportFileError(m_window, fileName, error);
        m_noticeOpen = false;
    });
}

void LogRecorderControl::setEditorModeActive(bool active) { m_controls.STLog->setVisible(!active); }

} // namespace ui
