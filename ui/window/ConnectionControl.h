#pragma once

#include "core/port/ConnectionWatch.h"
#include "core/port/NetPortList.h"
#include "core/port/PortDirectory.h"

#include <QObject>

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;
namespace session {
class TerminalSession;
}

namespace ui {

// The port list (the system's ports and those of the NetPorts file), the
// line settings and the connect button; the session opens the port and
// watches it, and its colours of the connection show here.
class ConnectionControl : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QComboBox *ComPort, *BaudRate, *ComBits, *ComStopBits;
        QPushButton *BTConnect, *BTRescan;
        QCheckBox *AutoConnect, *SendAsReconn;
    };
    // Fills the port list (an empty one without complaint).
    ConnectionControl(const Controls &controls, core::PortDirectory directory, session::TerminalSession &session,
                      QWidget *window);

    // Fills the port list; finding no port at all is complained about unless
    // silent. Lines of the NetPorts file that cannot be used are reported
    // either way, each once.
    void ScanComPorts(bool silent);

private:
    // Hands the chosen port and settings to the session; false when the
    // settings cannot be read.
    bool OpenComPort();
    void connectDone(bool ok);
    void BTRescanClick();
    void BTConnectClick();
    void finishClick();
    // The session's colour of the connection, shown at once (a local
    // reconnection holds the window next).
    void showPortColour(core::PortColour colour);
    // The adapter came back under another name.
    void relocatePort(const QString &name, const QString &location);
    void AddNetPortClick();
    void reportNetPortProblems();
    void showPortHint();
    void setWanted(bool wanted);
    void setComPortColour(core::PortColour colour);
    void setLineSettingsEnabled(bool enabled);
    void setUpLineSettingLists();
    // The rate list's last entry asks for a rate of the user's own, kept in
    // the list for the run.
    void rateChosen(int index);

    int m_rateIndex = 0;
    Controls m_controls;
    QWidget *m_window;
    session::TerminalSession &m_session;
    core::PortDirectory m_directory;
    core::NetPortList m_netPorts;
    QStringList m_netPortProblems; // those of the last read, already reported
};

} // namespace ui
