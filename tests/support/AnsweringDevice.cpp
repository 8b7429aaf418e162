#include "support/AnsweringDevice.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

AnsweringDevice::AnsweringDevice(QByteArray reply) : m_reply(std::move(reply)) {
    char name[256] = {};
    if (openpty(&m_master, &m_slaveKeeper, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    termios t{};
    tcgetattr(m_slaveKeeper, &t);
    cfmakeraw(&t);
    tcsetattr(m_slaveKeeper, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { onReadable(); });
}

AnsweringDevice::~AnsweringDevice() {
    m_notifier.reset();
    ::close(m_slaveKeeper);
    ::close(m_master);
}

void AnsweringDevice::onReadable() {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
        m_pending.append(buffer, n);
    qsizetype end;
    while ((end = m_pending.indexOf('\r')) >= 0) {
        m_commands.append(m_pending.left(end));
        m_pending.remove(0, end + 1);
        // A reply of a few bytes always fits into the line's queue.
        (void)!::write(m_master, m_reply.constData(), m_reply.size());
    }
}
