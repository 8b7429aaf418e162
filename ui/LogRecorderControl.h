#pragma once

#include "rx/LogRecorder.h"

#include <QObject>
#include <QTimer>

class QLabel;
class QPushButton;
class QWidget;

// The log file's button and status line: recording, pausing, writing out
// within a second, and telling of failures without piling up notices.
class LogRecorderControl : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton *StartLog;
        QLabel *STLog;
    };
    LogRecorderControl(const Controls &controls, QWidget *window);

    // A line shown in the log; kept while recording.
    void recordLine(const QByteArray &line);
    // The end of the run.
    void close();
    const rx::LogRecorder &recorder() const { return m_recorder; }

private:
    void StartLogClick();
    // The button and the status line as the recorder stands.
    void showState();
    void flushLogFile();
    void reportLogFileError();

    Controls m_controls;
    QWidget *m_window;
    rx::LogRecorder m_recorder;
    QTimer m_flushTimer;
    bool m_noticeOpen = false;
};
