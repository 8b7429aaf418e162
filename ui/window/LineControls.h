#pragma once

#include "core/LineSettings.h"

#include <QObject>

#include <array>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;
namespace session {
class TerminalSession;
}

namespace ui {

// The serial line beyond the four lists: DTR and RTS switches, the pulse and
// break buttons and the lamps of CTS, DSR, DCD and RI on a strip along the
// window's bottom edge (below the designed panels, which keep their places),
// and a small dialog for parity, flow control and the pulse and break
// lengths. Everything done to an open port is applied at once; the session
// logs it.
class LineControls : public QObject {
    Q_OBJECT
public:
    LineControls(session::TerminalSession &session, QWidget *window);

    // The strip's height; it lies in the margin under the lower panel.
    static constexpr int kStripHeight = 13;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildStrip();
    void place();
    void refresh();
    void outputsSwitched();
    void pulseClicked();
    void breakClicked();
    void setupClicked();
    void showInputLines(const std::optional<core::InputLines> &lines);

    session::TerminalSession &m_session;
    QWidget *m_window;
    QFrame *m_strip = nullptr;
    QPushButton *m_dtr = nullptr;
    QPushButton *m_rts = nullptr;
    QPushButton *m_pulse = nullptr;
    QPushButton *m_break = nullptr;
    QPushButton *m_setup = nullptr;
    std::array<QLabel *, 4> m_lamps{};
    QLabel *m_note = nullptr;
    core::ModemLine m_pulseLine = core::ModemLine::Dtr;
    int m_pulseMs;
    int m_breakMs;
};

} // namespace ui
