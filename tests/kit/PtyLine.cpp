#include "kit/PtyLine.h"

// termios2 clashes with <termios.h>, hence a file of its own.
#include <asm/termios.h>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

PtyLine readPtyLine(int fd) {
    termios2 line{};
    PtyLine out;
    if (::ioctl(fd, TCGETS2, &line) != 0)
        return out;
    out.outputSpeed = line.c_ospeed;
    out.inputSpeed = line.c_ispeed;
    out.twoStopBits = (line.c_cflag & CSTOPB) != 0;
    out.rtsCts = (line.c_cflag & CRTSCTS) != 0;
    out.xonXoff = (line.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF);
    out.valid = true;
    return out;
}
