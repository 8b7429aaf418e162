#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <termios.h>

// A serial port on "another machine": ser2net on the loopback serving one end
// of a socat pseudo-terminal pair over RFC 2217 and over raw TCP, from a
// configuration written here; the test plays the device on the other end.
class Ser2netPeer {
public:
    // The tools that are not installed; empty when the peer can run.
    static QString missingTools();

    Ser2netPeer();
    ~Ser2netPeer();

    bool startServer();
    void stopServer();
    QString address(bool rfc2217) const;

    // The device's end of the line.
    void send(const QByteArray &bytes) const;
    // The same end, non-blocking, for a device thread of its own.
    int deviceFd() const { return m_device; }
    QByteArray receive(int count) const;
    // The line settings ser2net put on its end.
    termios serverLine() const;

private:
    QTemporaryDir m_folder;
    QProcess m_socat;
    QProcess m_ser2net;
    quint16 m_ports[3] = {}; // RFC 2217, raw TCP, and an echo that says ser2net is up
    int m_device = -1;
};
