// LD_PRELOAD shim for the GUI peers: a pseudo-terminal has no modem lines,
// so TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC fail on it and GtkTerm closes the
// port. On a pseudo-terminal descriptor these four are answered here from
// a remembered set of lines (DSR, CTS and CD up); every other call goes to
// the C library. CuteCom (through Qt's serial port) closes the port too
// when one of them fails after a write. GtkTerm also closes a port that
// udev does not know, which a pseudo-terminal slave never is: its query is
// answered with the pseudo-terminal multiplexer's entry instead.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <string.h>
#include <termios.h>

static int s_lines = TIOCM_DTR | TIOCM_RTS | TIOCM_DSR | TIOCM_CTS | TIOCM_CD;

// Unix98 pseudo-terminal slaves have majors 136..143, the master 5:2.
static int isPseudoTerminal(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    const unsigned int m = major(st.st_rdev);
    return (m >= 136 && m <= 143) || (m == 5 && minor(st.st_rdev) == 2);
}

int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    static int (*real)(int, unsigned long, ...) = 0;
    if (!real)
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    if ((request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC) &&
        isPseudoTerminal(fd)) {
        int *bits = (int *)argument;
        if (!bits) {
            errno = EFAULT;
            return -1;
        }
        if (request == TIOCMGET)
            *bits = s_lines;
        else if (request == TIOCMSET)
            s_lines = *bits | TIOCM_DSR | TIOCM_CTS | TIOCM_CD;
        else if (request == TIOCMBIS)
            s_lines |= *bits;
        else
            s_lines &= ~*bits | TIOCM_DSR | TIOCM_CTS | TIOCM_CD;
        return 0;
    }
    return real(fd, request, argument);
}

// gudev's GUdevDevice *g_udev_client_query_by_device_file(GUdevClient *, const gchar *)
void *g_udev_client_query_by_device_file(void *client, const char *file) {
    void *(*real)(void *, const char *) = (void *(*)(void *, const char *))dlsym(RTLD_NEXT, __func__);
    if (!real)
        return 0;
    void *device = real(client, file);
    if (!device && file && strncmp(file, "/dev/pts/", 9) == 0)
        device = real(client, "/dev/ptmx");
    return device;
}
