#pragma once

#include "core/ConnectionWatch.h"
#include "core/PortDirectory.h"
#include "core/SerialPortAccess.h"

#include <QObject>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;

// The port list, the line settings, connecting and the connection watch. It
// owns the port; the send and receive paths use it through port().
class ConnectionControl : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QComboBox *ComPort, *BaudRate, *ComBits, *ComStopBits;
        QPushButton *BTConnect, *BTRescan;
        QCheckBox *AutoConnect, *SendAsReconn;
    };
    // Fills the port list without complaint and starts the watch.
    ConnectionControl(const Controls &controls, PortDirectory directory, QWidget *window);

    bool isOpen() const { return m_open; }
    SerialPortAccess &port() { return m_port; }

    // Fills the port list; an empty system list is complained about unless
    // silent.
    void ScanComPorts(bool silent);

signals:
    void opened();
    // "Отправить при соединении" is checked and the port has just been opened.
    void sendOnConnect();
    // A click on the connect button or a beat of the watch is over; the port
    // may have opened or closed.
    void settled();

private:
    enum class OpenResult { Opened, Failed, SettingsUnreadable };
    OpenResult OpenComPort();
    void CloseComPort();
    void BTRescanClick();
    void BTConnectClick();
    void CheckConnectTimer();
    void setWanted(bool wanted);
    void setComPortColour(PortColour colour);
    void setLineSettingsEnabled(bool enabled);
    void setUpLineSettingLists();

    Controls m_controls;
    QWidget *m_window;
    SerialPortAccess m_port;
    PortDirectory m_directory;
    QTimer m_checkConnect;
    bool m_open = false;
    bool m_wanted = false; // shown in the connect button's tag and caption
};
