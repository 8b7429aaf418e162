#include "ui/LogRecorderControl.h"

#include "ui/ModalSeam.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>

namespace {

// Lines reach the disk within this long of being shown.
constexpr int kFlushMs = 1000;

} // namespace

LogRecorderControl::LogRecorderControl(const Controls &controls, QWidget *window)
    : QObject(window), m_controls(controls), m_window(window) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &LogRecorderControl::flushLogFile);
    connect(m_controls.StartLog, &QPushButton::clicked, this, &LogRecorderControl::StartLogClick);
}

void LogRecorderControl::recordLine(const QByteArray &line) {
    if (!m_recorder.recording())
        return;
    if (!m_recorder.writeLine(line))
        reportLogFileError();
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void LogRecorderControl::StartLogClick() {
    const bool starting = m_recorder.state() == rx::LogRecorder::State::Off;
    const bool done = m_recorder.toggle(QDateTime::currentDateTime());
    if (!done && starting) {
        modal::reportFileError(m_window, m_recorder.fileName(), m_recorder.errorString());
        return;
    }
    showState();
    if (m_recorder.recording())
        return;
    // Pausing wrote out what was gathered.
    m_flushTimer.stop();
    if (!done)
        reportLogFileError();
}

void LogRecorderControl::showState() {
    m_controls.StartLog->setProperty("tag", m_recorder.recording() ? 1 : 0);
    m_controls.StartLog->setText(m_recorder.buttonCaption());
    m_controls.STLog->setText(m_recorder.statusText());
}

void LogRecorderControl::flushLogFile() {
    if (!m_recorder.flush())
        reportLogFileError();
}

void LogRecorderControl::close() {
    if (!m_recorder.fileOpen())
        return;
    m_flushTimer.stop();
    if (!m_recorder.close())
        modal::reportFileError(m_window, m_recorder.fileName(), m_recorder.errorString());
}

void LogRecorderControl::reportLogFileError() {
    // A file found deleted no longer records.
    showState();
    // Reported from the event loop, not from inside the poll or the send
    // routine, which carry on while the message is open.
    QTimer::singleShot(0, this, [this, error = m_recorder.errorString()] {
        // The notice already open tells of the failing log; boxes must not
        // pile up while free space comes and goes.
        if (m_noticeOpen)
            return;
        m_noticeOpen = true;
        modal::reportFileError(m_window, m_recorder.fileName(), error);
        m_noticeOpen = false;
    });
}
