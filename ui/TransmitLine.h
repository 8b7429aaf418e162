#pragma once

#include "core/DataMode.h"

#include <QByteArray>
#include <QObject>

class ConnectionControl;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TOpenPortError;
class TrafficReadouts;
class QWidget;

// The command line, the tail string and the data mode, and the single
// routine that writes to the port.
class TransmitLine : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLineEdit *MainStrCmd, *AddStrCmd;
        QPushButton *ButtonSend;
        QRadioButton *RBASCII, *RBHEX;
    };
    TransmitLine(const Controls &controls, ConnectionControl &connection, TrafficReadouts &readouts,
                 QWidget *window);

    void attachPortErrorWindow(TOpenPortError *window) { m_portErrorWindow = window; }

    // The single routine that writes to the port.
    void SendPortData(const QByteArray &command);
    void sendCommandLine() { SendPortData(commandLine()); }
    // A chosen command goes into the command line, which takes the focus.
    void showInCommandLine(const QByteArray &command);
    void focusCommandLine();
    void focusSendButton();

    DataMode dataMode() const;
    bool commandLineEmpty() const;
    bool sendBusy() const { return m_sendBusy; }

signals:
    // Before anything goes out: the history takes the command.
    void commandSent(const QByteArray &command);
    // The command line's text changed.
    void commandLineChanged();
    // Before the echo: the input that has arrived so far ends its packet.
    void aboutToSend();
    // The echo line of the packet, without time stamp.
    void echoed(const QByteArray &echo);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QByteArray commandLine() const;
    void ButtonSendClick() { sendCommandLine(); }
    // Both return whether the key was handled (and is swallowed).
    bool MainStrCmdKeyPress(int key);
    bool AddStrCmdKeyPress(int key);
    void RBASCIIClick();
    void RBHEXClick();

    Controls m_controls;
    ConnectionControl &m_connection;
    TrafficReadouts &m_readouts;
    QWidget *m_window;
    TOpenPortError *m_portErrorWindow = nullptr;
    bool m_sendBusy = false;
    // The data mode the tail string was last set for: a click on the mode
    // already chosen leaves the tail alone.
    DataMode m_tailMode = DataMode::Ascii;
};
