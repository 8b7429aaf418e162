#pragma once

#include "core/DataMode.h"
#include "rx/ReceiveBuffer.h"

#include <QObject>
#include <QTimer>

#include <functional>

class ConnectionControl;
class QLabel;
class QWidget;
class TrafficReadouts;
class UpDown;

// The receive poll: reads the port into the receive buffer, ends packets by
// the silence gap and hands their lines on.
class ReceivePath : public QObject {
    Q_OBJECT
public:
    struct Controls {
        UpDown *TimeOutRx;
        QLabel *TimeOutAns;
    };
    ReceivePath(const Controls &controls, ConnectionControl &connection, TrafficReadouts &readouts,
                std::function<DataMode()> dataMode, QWidget *window);

    qint32 packetGap() const { return m_packetGap; }
    quint32 buffered() const { return m_buffer.length(); }
    bool busy() const { return m_rxBusy; }

    // The port has just been opened: bytes gathered before it was closed are
    // framed with what comes now.
    void portOpened();
    // A packet is about to be sent: every byte that has arrived is read now
    // and ends the packet (shown and counted as usual), so that the answer
    // starts a packet of its own and nothing that arrived is lost.
    void takeArrivedInput();

signals:
    // The text of a received packet's line, without time stamp.
    void lineReceived(const QByteArray &text);
    // After the line: a complete answer is in.
    void answered();

private:
    void RxTimerTimer();
    // Reads up to the room left in the buffer; false when nothing came.
    bool readWaiting(qint64 waiting);
    void showLine(const std::optional<QByteArray> &line);
    void scheduleRxTick(qint32 now);
    void TimeOutRxClick(int direction);

    Controls m_controls;
    ConnectionControl &m_connection;
    TrafficReadouts &m_readouts;
    std::function<DataMode()> m_dataMode;
    QWidget *m_window;
    rx::ReceiveBuffer m_buffer;
    qint32 m_packetGap = 0;
    bool m_rxBusy = false;
    QTimer m_rxTimer;
};
