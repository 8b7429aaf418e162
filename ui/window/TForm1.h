#pragma once

#include "core/TerminalState.h"
#include "core/port/PortDirectory.h"

#include <QWidget>

#include <memory>

namespace Ui {
class TForm1;
}
namespace core {
class LineCalls;
}
namespace macros {
class MacroStore;
}
namespace session {
class TerminalSession;
}

namespace ui {

class ConnectionControl;
class HistoryInput;
class Housekeeping;
class LogRecorderControl;
class LogView;
class MacroPanel;
class PlotWindow;
class FileSendWindow;
class ReceivePath;
class LineControls;
class SendModesPanel;
class ShareWindow;
class TFormEditHelpCmd;
class TInfo;
class TOpenPortError;
class TrafficReadouts;
class TransmitLine;
class TSave;
class WindowArrangement;

// The terminal's main window. Each of its subsystems owns its controls and
// its state; the window creates them in the order of the startup sequence
// and connects them.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(core::PortDirectory portDirectory, QWidget *parent = nullptr);
    ~TForm1() override;

    void attachPortErrorWindow(TOpenPortError *window);
    // The macro editor works on this window's store and description panel;
    // the save prompt is asked at close when the store has unsaved changes.
    void attachMacroWindows(TFormEditHelpCmd *editor, TSave *savePrompt);
    void attachInfoWindow(TInfo *window);

    const macros::MacroStore &macroStore() const;
    // The run's variables as their owners hold them now.
    core::TerminalState terminalState() const;

    // Tests record the calls made on the serial line.
    void setLineCalls(core::LineCalls &calls);

    // The single routine that writes to the port.
    void SendPortData(const QByteArray &command);

    // The program must end with no one to answer (a signal, the end of the
    // desktop session): closes as the window's close does, without asking;
    // unsaved macro changes go to the recovery file. Once only.
    void endSession();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createLogSide();
    // Returns the commands of the history, for the command list.
    QList<QByteArray> createMacroSide();
    void createPortSide(core::PortDirectory portDirectory);
    void connectSubsystems();
    void FormClose();

    std::unique_ptr<Ui::TForm1> m_ui;
    // The session below the window: first made, last gone.
    std::unique_ptr<session::TerminalSession> m_session;
    std::unique_ptr<TrafficReadouts> m_readouts;
    std::unique_ptr<LogView> m_logView;
    std::unique_ptr<LogRecorderControl> m_logRecorder;
    std::unique_ptr<SendModesPanel> m_sendModes;
    std::unique_ptr<WindowArrangement> m_arrangement;
    std::unique_ptr<MacroPanel> m_macros;
    std::unique_ptr<HistoryInput> m_history;
    std::unique_ptr<ConnectionControl> m_connection;
    std::unique_ptr<TransmitLine> m_transmit;
    std::unique_ptr<ReceivePath> m_receive;
    std::unique_ptr<LineControls> m_line;
    std::unique_ptr<Housekeeping> m_housekeeping;
    std::unique_ptr<PlotWindow> m_plot;
    std::unique_ptr<FileSendWindow> m_fileSend;
    std::unique_ptr<ShareWindow> m_share;
    bool m_sessionEnded = false;
};

} // namespace ui
