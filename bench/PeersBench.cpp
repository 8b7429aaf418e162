// The terminal beside the GUI peers (GtkTerm, CuteCom) in one run, each a
// process of its own on the X server the benchmark runs under, one at a
// time, each with its own pseudo-terminal as the device. Everything is
// measured from outside, the same way for all three: CPU from the kernel's
// per-thread run times, memory from /proc, a typed key as an X event
// (XTest) until its byte reaches the device.
#include "Benches.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"
#include "ui/window/TForm1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kLineChars = 76; // the flood's printable characters before CR LF
constexpr int kKeyGapMs = 50;
constexpr int kMinKeys = 12;  // the flood is sent again until so many keys were typed
constexpr int kMaxFloods = 5; // between an arrived key and the next one
constexpr int kKeyTimeoutMs = 3000;
constexpr int kSettleMs = 2000; // after the port is open, before measuring

// ---------------------------------------------------------------- /proc

QByteArray readProc(qint64 pid, const QString &file) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(file));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// CPU seconds of every live thread of the process, to the nanosecond (the
// first field of each thread's schedstat): idle figures are far below the
// 10 ms ticks of /proc/<pid>/stat.
double cpuSeconds(qint64 pid) {
    double total = 0;
    const QStringList tasks =
        QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks)
        total += readProc(pid, QStringLiteral("task/%1/schedstat").arg(task)).split(' ').value(0).toDouble() / 1e9;
    return total;
}

// Context switches of every live thread.
qint64 contextSwitches(qint64 pid) {
    qint64 total = 0;
    const QStringList tasks =
        QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks)
        for (const QByteArray &line : readProc(pid, QStringLiteral("task/%1/status").arg(task)).split('\n'))
            if (line.contains("ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    return total;
}

// A field of /proc/<pid>/status in MB (VmRSS, VmHWM).
double statusMb(qint64 pid, const char *field) {
    for (const QByteArray &line : readProc(pid, QStringLiteral("status")).split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

bool holdsOpen(qint64 pid, const QString &path) {
    const QString folder = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString &fd : QDir(folder).entryList(QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(folder + QLatin1Char('/') + fd) == path)
            return true;
    return false;
}

// The X server the benchmark draws on, for its share of the painting.
qint64 xServerPid() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const qint64 pid = entry.toLongLong();
        if (pid <= 0 || readProc(pid, QStringLiteral("comm")).trimmed() != "Xvfb")
            continue;
        const QList<QByteArray> arguments = readProc(pid, QStringLiteral("cmdline")).split('\0');
        if (arguments.contains(display))
            return pid;
    }
    return 0;
}

// ---------------------------------------------------------------- X keys

// Keys put to the focused window as the keyboard would, through XTest,
// loaded at run time so that building the benchmark needs no X headers.
class XKeys {
public:
    XKeys() {
        m_x11 = dlopen("libX11.so.6", RTLD_NOW);
        m_xtst = dlopen("libXtst.so.6", RTLD_NOW);
        if (!m_x11 || !m_xtst)
            return;
        auto *open = reinterpret_cast<void *(*)(const char *)>(dlsym(m_x11, "XOpenDisplay"));
        m_flush = reinterpret_cast<int (*)(void *)>(dlsym(m_x11, "XFlush"));
        m_keycode = reinterpret_cast<unsigned char (*)(void *, unsigned long)>(dlsym(m_x11, "XKeysymToKeycode"));
        m_fake = reinterpret_cast<int (*)(void *, unsigned, int, unsigned long)>(dlsym(m_xtst, "XTestFakeKeyEvent"));
        if (open && m_flush && m_keycode && m_fake)
            m_display = open(nullptr);
    }
    bool usable() const { return m_display != nullptr; }
    // Press and release of a key by its keysym; returns the press's time.
    qint64 tap(unsigned long keysym) {
        const unsigned code = m_keycode(m_display, keysym);
        const qint64 at = monotonicNs();
        m_fake(m_display, code, 1, 0);
        m_fake(m_display, code, 0, 0);
        m_flush(m_display);
        return at;
    }

private:
    void *m_x11 = nullptr;
    void *m_xtst = nullptr;
    void *m_display = nullptr;
    int (*m_flush)(void *) = nullptr;
    unsigned char (*m_keycode)(void *, unsigned long) = nullptr;
    int (*m_fake)(void *, unsigned, int, unsigned long) = nullptr;
};

constexpr unsigned long kKeyReturn = 0xff0d;
constexpr unsigned long kKeyK = 0x6b;

QString xdotool() { return QStandardPaths::findExecutable(QStringLiteral("xdotool")); }

// The first visible window of the process (xdotool), or nothing.
QString windowOf(qint64 pid) {
    if (xdotool().isEmpty())
        return {};
    QProcess search;
    search.start(xdotool(), {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--pid"), QString::number(pid)});
    if (!search.waitForFinished(20000)) {
        search.kill();
        search.waitForFinished();
        return {};
    }
    return QString::fromLatin1(search.readAllStandardOutput().split('\n').value(0));
}

// Gives the window the keyboard, through the window manager.
bool activate(const QString &window) {
    if (window.isEmpty())
        return false;
    QProcess activate;
    // Not --sync: that waits for a change that never comes when the
    // window has the keyboard already.
    activate.start(xdotool(), {QStringLiteral("windowactivate"), window});
    const bool done = activate.waitForFinished(10000) && activate.exitCode() == 0;
    ::usleep(300000);
    return done;
}

// ---------------------------------------------------------------- device

// Reads what the program writes to the device; notes when bytes came.
struct DeviceReader {
    int fd = -1;
    std::atomic<bool> stop{false};
    std::atomic<qint64> bytes{0};
    std::atomic<qint64> lastArrivalNs{0};
    std::thread thread;

    void start(int masterFd) {
        fd = masterFd;
        thread = std::thread([this] {
            char buffer[4096];
            while (!stop) {
                pollfd readable{fd, POLLIN, 0};
                if (::poll(&readable, 1, 20) <= 0)
                    continue;
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    lastArrivalNs = monotonicNs();
                    bytes += n;
                } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                    ::usleep(10000);
                }
            }
        });
    }
    ~DeviceReader() {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
};

bool writeAll(int fd, const char *data, qint64 size, const std::atomic<bool> &giveUp) {
    while (size > 0 && !giveUp) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n > 0) {
            data += n;
            size -= n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd writable{fd, POLLOUT, 0};
            ::poll(&writable, 1, 100);
        }
    }
    return size == 0;
}

void sleepUntilNs(qint64 ns) {
    timespec at{time_t(ns / 1000000000), long(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

// ---------------------------------------------------------------- programs

struct Figures {
    bool ran = false;
    QString note;
    double period100 = NAN, period10 = NAN;                 // % of a core
    double period100X = NAN, period10X = NAN;               // the X server's share
    double period100Switches = NAN, period10Switches = NAN; // per second
    double idleRss = NAN, peakRss = NAN, idleCpu = NAN, steadyCpu = NAN, steadyX = NAN;
    double floodMbPerS = NAN, floodCpuPerMb = NAN;
    double keyMedian = NAN, keyWorst = NAN;
    int keys = 0, keysLost = 0;
};

struct Options {
    int floodMb = 20;
    int steadySeconds = 20;
    int idleSeconds = 60;
    int periodSeconds = 20;
    QStringList programs{QStringLiteral("terminal"), QStringLiteral("gtkterm"), QStringLiteral("cutecom")};
};

// One program running against one device.
class Running {
public:
    Running(const QString &program, const QString &self, const QString &shim, const QString &mode)
        : m_program(program) {
        m_home.setAutoRemove(true);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/.local/share"));
        m_process.setWorkingDirectory(m_home.path());
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(m_home.path() + QStringLiteral("/stderr.txt"));
        QStringList arguments;
        QString binary;
        if (program == QLatin1String("terminal")) {
            binary = self;
            arguments = {QStringLiteral("peer-child"), m_device.slavePath(), mode};
        } else if (program == QLatin1String("gtkterm")) {
            binary = QStandardPaths::findExecutable(program);
            env.insert(QStringLiteral("LD_PRELOAD"), shim);
            // Without a configuration it greets with a window of its own first.
            QDir().mkpath(m_home.path() + QStringLiteral("/.config"));
            QFile rc(m_home.path() + QStringLiteral("/.config/.gtktermrc"));
            if (rc.open(QIODevice::WriteOnly))
                rc.write("[default]\nport\t= /dev/ttyS0\nspeed\t= 115200\nbits\t= 8\nstopbits\t= 1\nparity\t= "
                         "none\nflow\t= none\nwait_delay\t= 0\nwait_char\t= -1\necho\t= False\ncrlfauto\t= "
                         "False\ntimestamp\t= False\nfont\t= \"Monospace 12\"\nterm_scrollback\t= 10000\n");
            arguments = {QStringLiteral("--port"), m_device.slavePath(), QStringLiteral("--speed"),
                         QStringLiteral("115200")};
        } else if (program == QLatin1String("cutecom")) {
            binary = QStandardPaths::findExecutable(program);
            env.insert(QStringLiteral("LD_PRELOAD"), shim);
            // Its session names the device; it opens it on "Open" (Alt+O).
            QDir().mkpath(m_home.path() + QStringLiteral("/.config/CuteCom"));
            QFile conf(m_home.path() + QStringLiteral("/.config/CuteCom/CuteCom5.conf"));
            if (conf.open(QIODevice::WriteOnly))
                conf.write(QStringLiteral("[sessions]\n1\\BaudRate=115200\n1\\DataBits=8\n1\\Device=%1\n"
                                          "1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n"
                                          "1\\LineTerminator=0\n1\\autoReconnect=false\n1\\name=Default\n"
                                          "1\\showCtrlCharacters=false\n1\\showTimestamp=false\nsize=1\n")
                               .arg(m_device.slavePath())
                               .toUtf8());
        }
        if (binary.isEmpty()) {
            m_note = QStringLiteral("%1 is not installed (sh bench/setup.sh)").arg(program);
            return;
        }
        m_process.setProcessEnvironment(env);
        m_process.start(binary, arguments);
        if (!m_process.waitForStarted(10000)) {
            m_note = QStringLiteral("%1 did not start").arg(program);
            return;
        }
        m_window = windowOf(pid());
        if (program == QLatin1String("cutecom")) {
            if (activate(m_window)) {
                ::usleep(300000);
                // Alt+O: "Open"
                QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+o")});
            } else {
                m_note = QStringLiteral("cannot open CuteCom's port without xdotool");
            }
        }
        QElapsedTimer waited;
        waited.start();
        while (!holdsOpen(pid(), m_device.slavePath()) && waited.elapsed() < 20000 &&
               m_process.state() == QProcess::Running)
            QThread::msleep(50);
        if (!holdsOpen(pid(), m_device.slavePath())) {
            m_note = QStringLiteral("%1 did not open its port").arg(program);
            return;
        }
        QThread::msleep(kSettleMs);
        m_ready = holdsOpen(pid(), m_device.slavePath());
        if (!m_ready)
            m_note = QStringLiteral("%1 closed its port").arg(program);
    }
    ~Running() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }
    bool ready() const { return m_ready; }
    QString note() const { return m_note; }
    qint64 pid() const { return m_process.processId(); }
    PtyDevice &device() { return m_device; }
    const QString &program() const { return m_program; }
    QString window() const { return m_window; }

private:
    QString m_program;
    PtyDevice m_device;
    QTemporaryDir m_home;
    QProcess m_process;
    bool m_ready = false;
    QString m_note;
    QString m_window;
};

// CPU of the program (and of the X server) over a stretch.
struct CpuStretch {
    CpuStretch(qint64 pid, qint64 xPid) : m_pid(pid), m_xPid(xPid) {}
    qint64 m_pid, m_xPid;
    double m_cpu = cpuSeconds(m_pid);
    double m_x = m_xPid ? cpuSeconds(m_xPid) : 0;
    qint64 m_switches = contextSwitches(m_pid);
    qint64 m_wall = monotonicNs();
    double seconds() const { return (monotonicNs() - m_wall) / 1e9; }
    double percent() const { return 100.0 * (cpuSeconds(m_pid) - m_cpu) / seconds(); }
    double xPercent() const { return m_xPid ? 100.0 * (cpuSeconds(m_xPid) - m_x) / seconds() : NAN; }
    double switchesPerSecond() const { return (contextSwitches(m_pid) - m_switches) / seconds(); }
};

void periodRun(const Options &options, const QString &self, qint64 xPid, int periodMs, double &percent,
               double &xPercent, double &switches, QString &note) {
    Running run(QStringLiteral("terminal"), self, QString(), QStringLiteral("period%1").arg(periodMs));
    if (!run.ready()) {
        note = run.note();
        return;
    }
    DeviceReader reader;
    reader.start(run.device().masterFd());
    ::usleep(1000000);
    const CpuStretch stretch(run.pid(), xPid);
    const qint64 bytesBefore = reader.bytes;
    ::usleep(useconds_t(options.periodSeconds) * 1000000);
    percent = stretch.percent();
    xPercent = stretch.xPercent();
    switches = stretch.switchesPerSecond();
    const double sends = (reader.bytes - bytesBefore) / 3.0; // "AT" CR
    std::printf("peers:   terminal P = %d ms: %.0f sends in %.0f s, %.3f %% of a core, X server %.3f %%, %.0f "
                "context switches/s\n",
                periodMs, sends, stretch.seconds(), percent, xPercent, switches);
    std::fflush(stdout);
}

void measureProgram(const Options &options, const QString &program, const QString &self, const QString &shim,
                    qint64 xPid, Figures &figures) {
    Running run(program, self, shim, QStringLiteral("manual"));
    if (!run.ready()) {
        figures.note = run.note();
        std::printf("peers: %s skipped: %s\n", qPrintable(program), qPrintable(run.note()));
        std::fflush(stdout);
        return;
    }
    figures.ran = true;
    const int fd = run.device().masterFd();
    DeviceReader reader;
    reader.start(fd);

    // Idle, connected.
    {
        const CpuStretch stretch(run.pid(), xPid);
        ::usleep(useconds_t(options.idleSeconds) * 1000000);
        figures.idleCpu = stretch.percent();
        figures.idleRss = statusMb(run.pid(), "VmRSS:");
    }
    std::printf("peers:   %s idle %d s: %.3f %% of a core, RSS %.1f MB\n", qPrintable(program), options.idleSeconds,
                figures.idleCpu, figures.idleRss);
    std::fflush(stdout);

    // A steady 1000 lines a second of "OK".
    {
        std::atomic<bool> giveUp{false};
        const CpuStretch stretch(run.pid(), xPid);
        const qint64 start = monotonicNs();
        const qint64 lines = qint64(options.steadySeconds) * 1000;
        for (qint64 i = 0; i < lines; ++i) {
            sleepUntilNs(start + i * 1000000);
            writeAll(fd, "OK\r\n", 4, giveUp);
        }
        figures.steadyCpu = stretch.percent();
        figures.steadyX = stretch.xPercent();
    }
    std::printf("peers:   %s steady 1000 lines/s for %d s: %.2f %% of a core, X server %.2f %%\n", qPrintable(program),
                options.steadySeconds, figures.steadyCpu, figures.steadyX);
    std::fflush(stdout);
    ::usleep(1000000);

    // The flood, a key typed now and then meanwhile.
    const qint64 floodBytes = qint64(options.floodMb) * 1024 * 1024 / (kLineChars + 2) * (kLineChars + 2);
    std::atomic<bool> floodDone{false};
    std::atomic<bool> giveUp{false};
    QByteArray block;
    for (int line = 0; block.size() < 64 * 1024; ++line) {
        for (int c = 0; c < kLineChars; ++c)
            block.append(char('!' + (line + c) % 94));
        block.append("\r\n");
    }
    std::vector<double> keyMs;
    XKeys keys;
    const bool typing = keys.usable() && activate(run.window());
    if (!typing)
        figures.note = QStringLiteral("no keys typed (xdotool and libXtst needed)");
    const CpuStretch stretch(run.pid(), xPid);
    std::atomic<int> keysTyped{0};
    std::atomic<int> floods{0};
    double firstFloodPeak = 0;
    std::thread writer([&] {
        do {
            for (qint64 at = 0; at < floodBytes && !giveUp;) {
                const qint64 size = std::min<qint64>(block.size(), floodBytes - at);
                if (!writeAll(fd, block.constData(), size, giveUp))
                    giveUp = true;
                at += size;
            }
            // The peak of one flood: a peer's scroll-back grows with the next.
            if (++floods == 1)
                firstFloodPeak = statusMb(run.pid(), "VmHWM:");
        } while (typing && !giveUp && keysTyped < kMinKeys && floods < kMaxFloods);
        floodDone = true;
    });
    while (typing && !floodDone) {
        // CuteCom sends its input line on Enter: a character goes there first.
        if (program == QLatin1String("cutecom")) {
            keys.tap(kKeyK);
            ::usleep(30000);
        }
        const qint64 before = reader.bytes;
        const qint64 pressed = keys.tap(kKeyReturn);
        while (reader.bytes == before && monotonicNs() - pressed < kKeyTimeoutMs * 1000000LL)
            ::usleep(200);
        if (reader.bytes == before) {
            ++figures.keysLost;
            keyMs.push_back(kKeyTimeoutMs);
        } else {
            keyMs.push_back((reader.lastArrivalNs - pressed) / 1e6);
        }
        ++keysTyped;
        ::usleep(kKeyGapMs * 1000);
    }
    writer.join();
    const double floodSeconds = stretch.seconds();
    // What is still in the program's hands after the last write: until its
    // CPU rests.
    for (int calm = 0; calm < 3;) {
        const double before = cpuSeconds(run.pid());
        ::usleep(100000);
        calm = cpuSeconds(run.pid()) - before < 0.002 ? calm + 1 : 0;
    }
    const double mb = floods * floodBytes / (1024.0 * 1024.0);
    figures.floodMbPerS = mb / floodSeconds;
    figures.floodCpuPerMb = stretch.percent() / 100.0 * stretch.seconds() / mb;
    figures.peakRss = firstFloodPeak;
    std::sort(keyMs.begin(), keyMs.end());
    figures.keys = int(keyMs.size());
    figures.keyMedian = keyMs.empty() ? NAN : keyMs[keyMs.size() / 2];
    figures.keyWorst = keyMs.empty() ? NAN : keyMs.back();
    std::printf("peers:   %s flood %.1f MB (%d times): %.2f MB/s, %.4f CPU s/MB, peak RSS %.1f MB (after every flood "
                "%.1f MB); %d keys: "
                "median %.1f ms, worst %.1f ms%s\n",
                qPrintable(program), mb / floods, floods.load(), figures.floodMbPerS, figures.floodCpuPerMb,
                figures.peakRss, statusMb(run.pid(), "VmHWM:"), figures.keys, figures.keyMedian, figures.keyWorst,
                figures.keysLost ? qPrintable(QStringLiteral(", %1 never arrived").arg(figures.keysLost)) : "");
    std::fflush(stdout);
}

QString figure(double value, int decimals) {
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'f', decimals);
}

void printRow(const char *what, const QString &goal, bool met, double terminal, double gtk, double cute, int decimals) {
    // A figure shown for the profile only gets no verdict.
    const bool verdict = !goal.startsWith(QLatin1Char('('));
    std::printf("%-44s %-34s %-9s %9s %9s %9s\n", what, qPrintable(goal),
                !verdict               ? ""
                : std::isnan(terminal) ? "-"
                : met                  ? "met"
                                       : "NOT MET",
                qPrintable(figure(terminal, decimals)), qPrintable(figure(gtk, decimals)),
                qPrintable(figure(cute, decimals)));
}

// Below the peers that ran (a peer that did not run does not count).
bool below(double value, double peer, double factor = 1.0) { return std::isnan(peer) || value < peer * factor; }
bool atMost(double value, double peer, double factor = 1.0) { return std::isnan(peer) || value <= peer * factor; }

} // namespace

int peerChild(int argc, char **argv) {
    if (argc < 4)
        return 1;
    ConnectedWindow window;
    QFile::remove(QDir(window.portFolder()).filePath(QStringLiteral("ttyV0")));
    QFile::link(QString::fromLocal8Bit(argv[2]), QDir(window.portFolder()).filePath(QStringLiteral("ttyV0")));
    if (!window.open() || !window.connect())
        return 2;
    ui::TForm1 &form = window.form();
    const QByteArray mode = argv[3];
    if (mode.startsWith("period")) {
        form.findChild<QLineEdit *>(QStringLiteral("MainStrCmd"))->setText(QStringLiteral("AT"));
        form.findChild<QLineEdit *>(QStringLiteral("PeriodTX"))->setText(QString::fromLatin1(mode.mid(6)));
        form.findChild<QAbstractButton *>(QStringLiteral("RBPeriod"))->click();
    } else {
        // Enter in the command line sends "k" CR.
        auto *line = form.findChild<QLineEdit *>(QStringLiteral("MainStrCmd"));
        line->setText(QStringLiteral("k"));
        window.window()->activateWindow();
        line->setFocus();
    }
    return QApplication::exec();
}

void runPeersBench(const QStringList &arguments, const QString &self, const QString &shim) {
    Options options;
    for (const QString &argument : arguments) {
        const QString key = argument.section(QLatin1Char('='), 0, 0);
        const QString value = argument.section(QLatin1Char('='), 1);
        if (key == QLatin1String("flood"))
            options.floodMb = value.toInt();
        else if (key == QLatin1String("steady"))
            options.steadySeconds = value.toInt();
        else if (key == QLatin1String("idle"))
            options.idleSeconds = value.toInt();
        else if (key == QLatin1String("period"))
            options.periodSeconds = value.toInt();
        else if (key == QLatin1String("programs"))
            options.programs = value.split(QLatin1Char(','));
        else if (key == QLatin1String("quick"))
            options = {5, 5, 10, 5, options.programs};
    }
    const qint64 xPid = xServerPid();
    std::printf("peers: on %s (X server pid %lld); flood %d MB, steady %d s, idle %d s, periodic %d s; %s\n",
                qgetenv("DISPLAY").constData(), (long long)xPid, options.floodMb, options.steadySeconds,
                options.idleSeconds, options.periodSeconds, qPrintable(options.programs.join(QLatin1Char(' '))));
    std::fflush(stdout);
    std::map<QString, Figures> all;
    for (const QString &program : options.programs) {
        Figures &figures = all[program];
        if (program == QLatin1String("terminal") && options.periodSeconds > 0) {
            periodRun(options, self, xPid, 100, figures.period100, figures.period100X, figures.period100Switches,
                      figures.note);
            periodRun(options, self, xPid, 10, figures.period10, figures.period10X, figures.period10Switches,
                      figures.note);
        }
        measureProgram(options, program, self, shim, xPid, figures);
    }
    const Figures &t = all[QStringLiteral("terminal")];
    const Figures &g = all[QStringLiteral("gtkterm")];
    const Figures &c = all[QStringLiteral("cutecom")];
    std::printf("\n%-44s %-34s %-9s %9s %9s %9s\n", "figure", "goal", "", "terminal", "gtkterm", "cutecom");
    printRow("periodic 100 ms, log shown, % of a core", QStringLiteral("<= 0.5 (peers: no such mode)"),
             t.period100 <= 0.5, t.period100, NAN, NAN, 3);
    printRow("  X server meanwhile, % of a core", QStringLiteral("(for the profile)"), true, t.period100X, NAN, NAN, 3);
    printRow("periodic 10 ms, log shown, % of a core", QStringLiteral("<= 2"), t.period10 <= 2, t.period10, NAN, NAN,
             3);
    printRow("  X server meanwhile, % of a core", QStringLiteral("(for the profile)"), true, t.period10X, NAN, NAN, 3);
    printRow("peak RSS during the flood, MB", QStringLiteral("<= 40"), t.peakRss <= 40, t.peakRss, g.peakRss, c.peakRss,
             1);
    printRow("idle RSS, MB", QStringLiteral("< GtkTerm's"), below(t.idleRss, g.idleRss), t.idleRss, g.idleRss,
             c.idleRss, 1);
    printRow("steady 1000 lines/s, % of a core", QStringLiteral("<= GtkTerm's / 2, <= CuteCom's"),
             atMost(t.steadyCpu, g.steadyCpu, 0.5) && atMost(t.steadyCpu, c.steadyCpu), t.steadyCpu, g.steadyCpu,
             c.steadyCpu, 2);
    printRow("  X server meanwhile, % of a core", QStringLiteral("(for the profile)"), true, t.steadyX, g.steadyX,
             c.steadyX, 2);
    printRow("idle connected, % of a core", QStringLiteral("<= 0.05, below both peers"),
             t.idleCpu <= 0.05 && below(t.idleCpu, g.idleCpu) && below(t.idleCpu, c.idleCpu), t.idleCpu, g.idleCpu,
             c.idleCpu, 3);
    printRow("key during the flood, median ms", QStringLiteral("<= 20, below GtkTerm's"),
             t.keyMedian <= 20 && below(t.keyMedian, g.keyMedian), t.keyMedian, g.keyMedian, c.keyMedian, 1);
    printRow("key during the flood, worst ms", QStringLiteral("<= 100, below GtkTerm's"),
             t.keyWorst <= 100 && below(t.keyWorst, g.keyWorst), t.keyWorst, g.keyWorst, c.keyWorst, 1);
    printRow("flood speed, MB/s", QStringLiteral("(for the record)"), true, t.floodMbPerS, g.floodMbPerS, c.floodMbPerS,
             2);
    printRow("flood CPU s per MB", QStringLiteral("(for the record)"), true, t.floodCpuPerMb, g.floodCpuPerMb,
             c.floodCpuPerMb, 4);
    for (const auto &[program, figures] : all)
        if (!figures.note.isEmpty())
            std::printf("note: %s: %s\n", qPrintable(program), qPrintable(figures.note));
    std::fflush(stdout);
}
