#pragma once

#include <QObject>

class QLabel;
class QWidget;
namespace session {
class TerminalSession;
}

namespace ui {

class UpDown;

// The packet gap's spinner and readout; the session's receive poll frames
// packets with the gap set here.
class ReceivePath : public QObject {
    Q_OBJECT
public:
    struct Controls {
        UpDown *TimeOutRx;
        QLabel *TimeOutAns;
    };
    ReceivePath(const Controls &controls, session::TerminalSession &session, QWidget *window);

private:
    void TimeOutRxClick(int direction);

    Controls m_controls;
    session::TerminalSession &m_session;
    QWidget *m_window;
};

} // namespace ui
