#pragma once

#include <QObject>

class QLabel;
class QWidget;
class TerminalSession;
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
    ReceivePath(const Controls &controls, TerminalSession &session, QWidget *window);

private:
    void TimeOutRxClick(int direction);

    Controls m_controls;
    TerminalSession &m_session;
    QWidget *m_window;
};
