#include "BenchDevice.h"

#include <QFile>

#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

BenchDevice::BenchDevice() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    QFile::link(QString::fromLocal8Bit(name), folder_.filePath(QStringLiteral("ttyV0")));
}

BenchDevice::~BenchDevice() {
    ::close(slave_);
    ::close(master_);
}
