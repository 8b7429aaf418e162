#pragma once

#include <QObject>

class QLabel;
class QPushButton;
class QWidget;
namespace session {
class TerminalSession;
}

namespace ui {

// The log file's button and status line: the session records; failures are
// told without piling up notices.
class LogRecorderControl : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton *StartLog;
        QLabel *STLog;
    };
    LogRecorderControl(const Controls &controls, session::TerminalSession &session, QWidget *window);

    // The end of the run.
    void close();
    // Editor mode was entered (true) or left: its list-name edit takes the
    // status line's place.
    void setEditorModeActive(bool active);

private:
    void StartLogClick();
    // The button and the status line as the recorder stands.
    void showState();
    void reportLogFileError(const QString &fileName, const QString &error);

    Controls m_controls;
    session::TerminalSession &m_session;
    QWidget *m_window;
    bool m_noticeOpen = false;
};

} // namespace ui
