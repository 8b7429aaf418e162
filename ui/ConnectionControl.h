#pragma once

#include "core/ConnectionWatch.h"
#include "core/NetPortList.h"
#include "core/PortDirectory.h"
#include "core/TerminalPort.h"

#include <QObject>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;

// The port list (the system's ports and those of the NetPorts file), the
// line settings, connecting and the connection watch. It owns the port, local
// or network; the send and receive paths use it through port().
class ConnectionControl : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QComboBox *ComPort, *BaudRate, *ComBits, *ComStopBits;
        QPushButton *BTConnect, *BTRescan;
        QCheckBox *AutoConnect, *SendAsReconn;
    };
    // Fills the port list (an empty one without complaint) and starts the
    // watch.
    ConnectionControl(const Controls &controls, PortDirectory directory, QWidget *window);

    bool isOpen() const { return m_open; }
    PortAccess &port() { return m_port; }

    // Fills the port list; finding no port at all is complained about unless
    // silent. Lines of the NetPorts file that cannot be used are reported
    // either way, each once.
    void ScanComPorts(bool silent);

signals:
    void opened();
    // "Отправить при соединении" is checked and the port has just been opened.
    void sendOnConnect();
    // A click on the connect button, a beat of the watch or an open that
    // took time is over; the port may have opened or closed.
    void settled();

private:
    // Who started the open under way.
    enum class Opening { None, ByUser, Reconnect };
    enum class OpenResult { Started, Failed, SettingsUnreadable };
    OpenResult OpenComPort(Opening purpose);
    void portOpened(bool ok);
    void connectDone(bool ok);
    void reconnectDone(bool ok);
    void sendAfterReconnect();
    QString reconnectLocation();
    void CloseComPort();
    void BTRescanClick();
    void BTConnectClick();
    void finishClick();
    void CheckConnectTimer();
    void AddNetPortClick();
    void reportNetPortProblems();
    void showPortHint();
    void setWanted(bool wanted);
    void setComPortColour(PortColour colour);
    void setLineSettingsEnabled(bool enabled);
    void setUpLineSettingLists();

    Controls m_controls;
    QWidget *m_window;
    TerminalPort m_port;
    PortDirectory m_directory;
    NetPortList m_netPorts;
    QStringList m_netPortProblems; // those of the last read, already reported
    QTimer m_checkConnect;
    // A network port reconnects without holding the window; the device's
    // start-up time is waited for here.
    QTimer m_reconnectSettle;
    Opening m_opening = Opening::None;
    QString m_stableLocation; // the lasting name of the adapter the user connected
    bool m_open = false;
    bool m_wanted = false; // shown in the connect button's tag and caption
};
