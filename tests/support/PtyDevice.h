#pragma once

#include <QByteArray>
#include <QString>

// The device at the other end of the line: the master side of a
// pseudo-terminal. The terminal under test opens the slave side like any
// serial port.
class PtyDevice {
public:
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    QString slavePath() const { return slavePath_; }
    bool isOpen() const { return master_ >= 0; }
    // The device end, where the line's settings can be read back as well.
    int masterFd() const { return master_; }

    void send(const QByteArray &bytes);
    // Everything the terminal has written so far (waits up to timeoutMs for at
    // least minBytes to arrive, processing the application's events meanwhile).
    QByteArray receive(int minBytes = 1, int timeoutMs = 2000);
    // Bytes the terminal wrote within the next quietMs (processing events).
    QByteArray receiveFor(int quietMs);
    // Closing the master hangs the line up, as when an adapter is pulled.
    void hangUp();

private:
    QByteArray readAvailable();

    int master_ = -1;
    int slaveKeeper_ = -1;
    QString slavePath_;
};
