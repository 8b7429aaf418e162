#include "kit/PtyDevice.h"

#include "kit/EventWait.h"

#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyDevice::PtyDevice() {
    char name[256] = {};
    int slave = -1;
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    // Raw line on the slave side so that the bytes pass unchanged both ways.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    // Keeping a slave descriptor open keeps the line up while the terminal
    // closes and reopens its port.
    m_slaveKeeper = slave;
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // A program the test starts (the command for scripts) must not inherit
    // the device's ends: holding them, it would keep the line from hanging up.
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slaveKeeper, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyDevice::~PtyDevice() { hangUp(); }

bool PtyDevice::waitUntilDelivered(int count, int timeoutMs) const {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int queued = 0;
        if (::ioctl(m_slaveKeeper, FIONREAD, &queued) == 0 && queued >= count)
            return true;
        if (clock.hasExpired(timeoutMs))
            return false;
        QThread::msleep(1);
    }
}

void PtyDevice::send(const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            throw std::runtime_error("write to pty failed");
        else
            processEventsFor(1);
    }
}

QByteArray PtyDevice::readAvailable() {
    QByteArray out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}

QByteArray PtyDevice::receive(int minBytes, int timeoutMs) {
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (out.size() < minBytes && clock.elapsed() < timeoutMs) {
        processEventsFor(2);
        out += readAvailable();
    }
    return out;
}

QByteArray PtyDevice::receiveFor(int quietMs) {
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < quietMs) {
        processEventsFor(2);
        out += readAvailable();
    }
    return out;
}

void PtyDevice::hangUp() {
    if (m_slaveKeeper >= 0)
        ::close(m_slaveKeeper);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveKeeper = m_master = -1;
}
