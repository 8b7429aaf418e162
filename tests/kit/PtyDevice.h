#pragma once

#include <QByteArray>
#include <QString>

// The device at the other end of the line: the master side of a
// pseudo-terminal. The terminal under test opens the slave side like any
// serial port. The master descriptor is non-blocking; a device thread may
// read and write it directly instead of send() and receive(), which run the
// application's events meanwhile and so belong to the window's thread.
class PtyDevice {
public:
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    QString slavePath() const { return m_slavePath; }
    bool isOpen() const { return m_master >= 0; }
    // The device end, where the line's settings can be read back as well.
    int masterFd() const { return m_master; }

    void send(const QByteArray &bytes);
    // Waits, without running the application's events, until the terminal's
    // side could read at least count bytes: the system hands sent bytes over
    // a moment later. False when that took longer than timeoutMs.
    bool waitUntilDelivered(int count, int timeoutMs = 2000) const;
    // Everything the terminal has written so far (waits up to timeoutMs for at
    // least minBytes to arrive, processing the application's events meanwhile).
    QByteArray receive(int minBytes = 1, int timeoutMs = 2000);
    // Bytes the terminal wrote within the next quietMs (processing events).
    QByteArray receiveFor(int quietMs);
    // Closing the master hangs the line up, as when an adapter is pulled.
    void hangUp();

private:
    QByteArray readAvailable();

    int m_master = -1;
    int m_slaveKeeper = -1;
    QString m_slavePath;
};
