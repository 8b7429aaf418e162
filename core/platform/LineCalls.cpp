#include "core/platform/LineCalls.h"

#include "core/platform/FileDescriptor.h"

#include <cerrno>
// termios2 and its ioctls come from the kernel's headers, which clash with
// the C library's <termios.h> and <sys/ioctl.h>: neither is included here.
#include <asm/termios.h>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace core {

namespace {

constexpr tcflag_t kFramingFlags = CBAUD | (CBAUD << IBSHIFT) | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;

tcflag_t sizeFlag(int dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

tcflag_t parityFlags(Parity parity) {
    switch (parity) {
    case Parity::Even:
        return PARENB;
    case Parity::Odd:
        return PARENB | PARODD;
    case Parity::Mark:
        return PARENB | CMSPAR | PARODD;
    case Parity::Space:
        return PARENB | CMSPAR;
    case Parity::None:
        break;
    }
    return 0;
}

class SystemLineCalls : public LineCalls {
public:
    bool applyLine(int fd, const LineSettings &settings, QString &error) override {
        termios2 line{};
        if (::ioctl(fd, TCGETS2, &line) != 0)
            return fail(error);
        // The rate goes as a number (BOTHER), so that 250000 or 74880 need
        // no entry in the driver's table; input follows output.
        line.c_cflag &= ~kFramingFlags;
        line.c_cflag |= BOTHER | sizeFlag(settings.dataBits) | parityFlags(settings.parity) | CLOCAL | CREAD;
        if (settings.stopBits != StopBits::One)
            line.c_cflag |= CSTOPB;
        if (settings.flow == FlowControl::RtsCts)
            line.c_cflag |= CRTSCTS;
        line.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP | PARMRK);
        if (settings.flow == FlowControl::XonXoff)
            line.c_iflag |= IXON | IXOFF;
        if (settings.parity != Parity::None)
            line.c_iflag |= INPCK;
        line.c_ospeed = line.c_ispeed = static_cast<speed_t>(settings.baudRate);
        if (::ioctl(fd, TCSETS2, &line) != 0)
            return fail(error);
        return true;
    }

    std::optional<LineSettings> readLine(int fd) override {
        termios2 line{};
        if (::ioctl(fd, TCGETS2, &line) != 0)
            return std::nullopt;
        LineSettings settings;
        settings.baudRate = static_cast<qint32>(line.c_ospeed);
        const tcflag_t size = line.c_cflag & CSIZE;
        settings.dataBits = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
        if (line.c_cflag & CSTOPB)
            settings.stopBits = settings.dataBits == 5 ? StopBits::OneAndHalf : StopBits::Two;
        const tcflag_t parity = line.c_cflag & (PARENB | PARODD | CMSPAR);
        for (const Parity candidate : {Parity::Even, Parity::Odd, Parity::Mark, Parity::Space})
            if (parity == parityFlags(candidate))
                settings.parity = candidate;
        if (line.c_cflag & CRTSCTS)
            settings.flow = FlowControl::RtsCts;
        else if ((line.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF))
            settings.flow = FlowControl::XonXoff;
        return settings;
    }

    bool setModemLine(int fd, ModemLine line, bool active) override {
        const int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
        return ::ioctl(fd, active ? TIOCMBIS : TIOCMBIC, &bits) == 0;
    }

    bool setBreak(int fd, bool on) override { return ::ioctl(fd, on ? TIOCSBRK : TIOCCBRK) == 0; }

    std::optional<InputLines> inputLines(int fd) override {
        int bits = 0;
        // A pseudo-terminal answers ENOTTY or EINVAL: it has no such lines.
        if (::ioctl(fd, TIOCMGET, &bits) != 0)
            return std::nullopt;
        return InputLines{(bits & TIOCM_CTS) != 0, (bits & TIOCM_DSR) != 0, (bits & TIOCM_CD) != 0,
                          (bits & TIOCM_RI) != 0};
    }

    bool waitInputChange(int fd, const std::atomic<bool> &stop) override {
        // A pseudo-terminal answers ENOTTY or EINVAL, a device gone EIO; a
        // signal meant for stopping EINTR, any other signal is waited past.
        int result = 0;
        while ((result = ::ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RI)) != 0 && errno == EINTR &&
               !stop) {
        }
        return result == 0;
    }

private:
    static bool fail(QString &error) {
        error = errnoText(errno);
        return false;
    }
};

} // namespace

LineCalls &systemLineCalls() {
    static SystemLineCalls calls;
    return calls;
}

} // namespace core
