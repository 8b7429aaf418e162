#pragma once

#include "ui/widgets/FrameThrottle.h"

#include <QObject>

#include <vector>

class QLabel;
class QPushButton;
class QWidget;
namespace session {
class TerminalSession;
}

namespace ui {

// The byte totals and the statistics panel: what went out and came in.
class TrafficReadouts : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLabel *StaticText3, *LSend, *LRead, *MinTimeWait, *MaxTimeWait;
        QPushButton *BTClrStat;
    };
    // Shows the session's counters as they change.
    TrafficReadouts(const Controls &controls, session::TerminalSession &session, QObject *parent);

private:
    // A read of the port that found bytes waiting; a packet went out.
    void showRead(bool waitsMeasured);
    void showSent();
    void BTClrStatClick();
    void showTotals();
    void showWaits();
    void show(QLabel *readout, const QString &text);
    void paint();

    Controls m_controls;
    session::TerminalSession &m_session;
    // Readouts changed since their last repaint, which comes at most once
    // per frame.
    std::vector<QLabel *> m_held;
    FrameThrottle m_paint{[this] { paint(); }};
};

} // namespace ui
