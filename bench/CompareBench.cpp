// The terminal against picocom on the same flood, one after the other in one
// run so that both see the same load: each gets its own pseudo-terminal as
// the device, records a log file, and shows the stream (the terminal in its
// window, picocom in a tmux pane).
#include "Benches.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"
#include "ui/widgets/LogPane.h"
#include "ui/window/TForm1.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <ctime>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kLineChars = 76; // printable characters before CR LF
constexpr int kLineBytes = kLineChars + 2;
// How often a click is put to the window during the flood.
constexpr int kClickEveryMs = 100;

// The flood: lines of 76 printable characters, each ended by CR LF.
char floodByte(qint64 i) {
    const qint64 line = i / kLineBytes;
    const int column = int(i % kLineBytes);
    if (column == kLineChars)
        return '\r';
    if (column == kLineChars + 1)
        return '\n';
    return static_cast<char>('!' + (line + column) % 94);
}

struct Flood {
    qint64 bytes = 0;
    std::atomic<bool> finished = false;
    std::atomic<bool> giveUp = false;
    double writerCpu = 0; // CPU of the writing thread, which is neither side's
};

void writeFlood(int fd, Flood &flood) {
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (qint64 at = 0; at < flood.bytes && !flood.giveUp; at += kChunk) {
        const qint64 size = std::min(kChunk, flood.bytes - at);
        for (qint64 i = 0; i < size; ++i)
            chunk[i] = floodByte(at + i);
        const char *data = chunk.constData();
        qint64 left = size;
        while (left > 0 && !flood.giveUp) {
            const ssize_t n = ::write(fd, data, size_t(left));
            if (n > 0) {
                data += n;
                left -= n;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                flood.giveUp = true;
            } else {
                pollfd writable{fd, POLLOUT, 0};
                ::poll(&writable, 1, 100);
            }
        }
    }
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    flood.writerCpu =
        usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    flood.finished = true;
}

// Whether the file holds the flood; with `dropLineBreaks` CR and LF are left
// out on both sides (the terminal's log ends each packet line itself).
bool fileHoldsFlood(const QString &name, qint64 bytes, bool dropLineBreaks) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    qint64 expected = 0;
    const auto skipBreaks = [&] {
        while (dropLineBreaks && expected < bytes && (floodByte(expected) == '\r' || floodByte(expected) == '\n'))
            ++expected;
    };
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        for (const char c : chunk) {
            if (dropLineBreaks && (c == '\r' || c == '\n'))
                continue;
            skipBreaks();
            if (expected >= bytes || floodByte(expected) != c)
                return false;
            ++expected;
        }
    }
    skipBreaks();
    return expected == bytes;
}

// CPU seconds used so far by a process, from /proc.
double processCpu(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses: state is the
    // 3rd field, utime the 14th and stime the 15th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

struct Side {
    double seconds = 0;
    double cpu = 0;
    double cpuShown = 0; // of that, the part spent showing (tmux)
    bool complete = false;
    QString note;
};

// ---------------------------------------------------------------- picocom

QString tmuxOutput(const QString &socket, const QStringList &arguments) {
    QProcess tmux;
    tmux.start(QStringLiteral("tmux"), QStringList{QStringLiteral("-L"), socket} + arguments);
    tmux.waitForFinished(10000);
    return QString::fromLocal8Bit(tmux.readAllStandardOutput()).trimmed();
}

Side runPicocom(qint64 bytes) {
    Side side;
    PtyDevice device;
    const QString socket = QStringLiteral("kvrbench%1").arg(getpid());
    const QString logName = QDir::current().filePath(QStringLiteral("picocom.log"));
    QFile::remove(logName);
    const QString command = QStringLiteral("exec picocom -q -b 115200 --noreset --nolock --logfile '%1' '%2'")
                                .arg(logName, device.slavePath());
    tmuxOutput(socket,
               {QStringLiteral("-f"), QStringLiteral("/dev/null"), QStringLiteral("new-session"), QStringLiteral("-d"),
                QStringLiteral("-x"), QStringLiteral("80"), QStringLiteral("-y"), QStringLiteral("24"), command});
    const qint64 picocomPid =
        tmuxOutput(socket, {QStringLiteral("list-panes"), QStringLiteral("-F"), QStringLiteral("#{pane_pid}")})
            .toLongLong();
    const qint64 tmuxPid =
        tmuxOutput(socket, {QStringLiteral("display-message"), QStringLiteral("-p"), QStringLiteral("#{pid}")})
            .toLongLong();
    // Until picocom has opened the port and created its log.
    QElapsedTimer started;
    started.start();
    while (!QFile::exists(logName) && started.elapsed() < 10000)
        ::usleep(10000);
    if (picocomPid <= 0 || tmuxPid <= 0 || !QFile::exists(logName)) {
        side.note = QStringLiteral("picocom did not start (is picocom and tmux installed?)");
        tmuxOutput(socket, {QStringLiteral("kill-server")});
        return side;
    }
    ::usleep(200000);

    const double tmuxBefore = processCpu(tmuxPid);
    const double cpuBefore = processCpu(picocomPid) + tmuxBefore;
    Flood flood;
    flood.bytes = bytes;
    QElapsedTimer wall;
    wall.start();
    std::thread writer(writeFlood, device.masterFd(), std::ref(flood));
    while (QFileInfo(logName).size() < bytes && wall.elapsed() < 600000)
        ::usleep(2000);
    side.seconds = wall.elapsed() / 1000.0;
    flood.giveUp = true;
    writer.join();
    // tmux may still be drawing what picocom handed it: wait until it rests.
    double cpu = processCpu(picocomPid) + processCpu(tmuxPid);
    for (int calm = 0; calm < 3;) {
        ::usleep(100000);
        const double now = processCpu(picocomPid) + processCpu(tmuxPid);
        calm = now > cpu ? 0 : calm + 1;
        cpu = now;
    }
    side.cpu = cpu - cpuBefore;
    side.cpuShown = processCpu(tmuxPid) - tmuxBefore;
    side.complete = fileHoldsFlood(logName, bytes, false);
    tmuxOutput(socket, {QStringLiteral("kill-server")});
    QFile::remove(logName);
    return side;
}

// ---------------------------------------------------------------- terminal

struct ClickProbe {
    QElapsedTimer sinceClick;
    bool pending = false;
    std::vector<double> latenciesMs;
};

Side runTerminal(qint64 bytes, long &peakMb, double &clickMaxMs, double &clickMedianMs, int &clicks,
                 std::vector<qint64> &keptRows) {
    Side side;
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        side.note = QStringLiteral("could not connect");
        return side;
    }
    window.click("StartLog");
    const auto state = [&] { return window.form().terminalState(); };
    ui::LogPane &log = *window.log();
    // The rows the row limit leaves each time it empties the log.
    QObject::connect(&log, &ui::LogPane::rowsLimited, &log, [&](qint64 kept) { keptRows.push_back(kept); });

    // A click on the statistics reset button, put into the event queue as the
    // window system would, every so often; the time until the button reacts.
    auto *button = window.find<QAbstractButton>(QStringLiteral("BTClrStat"));
    ClickProbe probe;
    QObject::connect(button, &QAbstractButton::clicked, button, [&] {
        if (!probe.pending)
            return;
        probe.pending = false;
        probe.latenciesMs.push_back(probe.sinceClick.nsecsElapsed() / 1e6);
    });
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, button, [&] {
        if (probe.pending)
            return;
        const QPointF at = QRectF(button->rect()).center();
        const QPointF global = button->mapToGlobal(at);
        probe.pending = true;
        probe.sinceClick.start();
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                            Qt::NoButton, Qt::NoModifier));
    });

    Flood flood;
    flood.bytes = bytes;
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    clicker.start(kClickEveryMs);
    std::thread writer(writeFlood, window.device().masterFd(), std::ref(flood));
    runUntil([&] { return state().RxTotal == bytes && state().RxLen == 0; }, 600000);
    clicker.stop();
    window.click("StartLog"); // pausing puts the rest of the log on the disk
    side.seconds = wall.elapsed() / 1000.0;
    writer.join();
    side.cpu = processCpuSeconds() - cpuBefore - flood.writerCpu;
    peakMb = peakMemoryMb();

    std::sort(probe.latenciesMs.begin(), probe.latenciesMs.end());
    clicks = int(probe.latenciesMs.size());
    clickMaxMs = clicks ? probe.latenciesMs.back() : -1;
    clickMedianMs = clicks ? probe.latenciesMs[clicks / 2] : -1;

    // The window ends with the flood's last line: the row limit never
    // empties it of what just came.
    runEventLoopFor(100);
    QByteArray lastLine;
    for (qint64 i = (bytes - 1) / kLineBytes * kLineBytes; i < bytes && floodByte(i) != '\r'; ++i)
        lastLine.append(floodByte(i));
    const QString shown = log.toPlainText();
    const bool windowComplete = shown.endsWith(QString::fromLatin1(lastLine));
    std::sort(keptRows.begin(), keptRows.end());
    const QString logName = QDir::current().filePath(state().LogFileName);
    const bool fileComplete = fileHoldsFlood(logName, bytes, true);
    side.complete = state().RxTotal == bytes && windowComplete && fileComplete;
    if (!side.complete)
        side.note = QStringLiteral("received %1 of %2 bytes, window %3, log file %4")
                        .arg(state().RxTotal)
                        .arg(bytes)
                        .arg(windowComplete ? QStringLiteral("ends with the last line")
                                            : QStringLiteral("WRONG: %1 characters").arg(shown.size()))
                        .arg(fileComplete ? QStringLiteral("complete") : QStringLiteral("INCOMPLETE"));
    QFile::remove(logName);
    return side;
}

} // namespace

void runCompareBench(int megabytes, int rounds, bool terminalOnly) {
    const qint64 bytes = qint64(megabytes) * 1024 * 1024 / kLineBytes * kLineBytes;
    const double mb = bytes / (1024.0 * 1024.0);
    std::printf("compare: %.1f MB of %d-character lines ending in CR LF; terminal window on \"%s\", log "
                "recording; picocom logging, shown in a detached tmux pane\n",
                mb, kLineChars, qPrintable(QGuiApplication::platformName()));
    for (int round = 1; round <= rounds; ++round) {
        const Side pico = terminalOnly ? Side() : runPicocom(bytes);
        long peakMb = 0;
        double clickMaxMs = 0;
        double clickMedianMs = 0;
        int clicks = 0;
        std::vector<qint64> keptRows;
        const Side term = runTerminal(bytes, peakMb, clickMaxMs, clickMedianMs, clicks, keptRows);
        const double picoRate = pico.seconds > 0 ? mb / pico.seconds : 0;
        const double termRate = term.seconds > 0 ? mb / term.seconds : 0;
        std::printf(
            "compare round %d: picocom+tmux %.2f MB/s, %.4f CPU s/MB (tmux %.4f)%s%s | terminal %.2f MB/s, %.4f CPU "
            "s/MB, peak memory %ld MB (goal <= 40), click answered in median %.1f ms, max %.1f ms (%d clicks; "
            "goal <= 100)%s%s | row limit reached %zu times, rows kept min %lld, median %lld, max %lld | "
            "speed ratio (terminal / picocom) %.2f (goal >= 2), CPU ratio (terminal / picocom+tmux) %.2f "
            "(goal <= 0.5)\n",
            round, picoRate, pico.cpu / mb, pico.cpuShown / mb, pico.complete ? ", log complete" : ", LOG INCOMPLETE ",
            qPrintable(pico.note), termRate, term.cpu / mb, peakMb, clickMedianMs, clickMaxMs, clicks,
            term.complete ? ", every byte in the file, the last line in the window" : ", ", qPrintable(term.note),
            keptRows.size(), keptRows.empty() ? -1LL : (long long)keptRows.front(),
            keptRows.empty() ? -1LL : (long long)keptRows[keptRows.size() / 2],
            keptRows.empty() ? -1LL : (long long)keptRows.back(), picoRate > 0 ? termRate / picoRate : 0,
            pico.cpu > 0 ? term.cpu / pico.cpu : 0);
        std::fflush(stdout);
    }
}

// ---------------------------------------------------------------- terminalkvr-run

namespace {

// The command for scripts on the same flood: it paints nothing, so its
// standard output goes to a pipe that the benchmark only counts, and its
// --log file is checked afterwards. It asks with one command and then
// listens: a period far beyond the flood, a list gone through endlessly.
Side runRunner(qint64 bytes, long &peakMb) {
    Side side;
    PtyDevice device;
    const QString logName = QDir::current().filePath(QStringLiteral("run.log"));
    QProcess runner;
    runner.setProcessChannelMode(QProcess::SeparateChannels);
    runner.start(QStringLiteral(TERMINALKVR_RUN_BINARY),
                 {QStringLiteral("-b"), QStringLiteral("115200"), QStringLiteral("--period"), QStringLiteral("99999"),
                  QStringLiteral("--count"), QStringLiteral("0"), QStringLiteral("-t"), QStringLiteral("999999"),
                  QStringLiteral("--log"), logName, device.slavePath(), QStringLiteral("GO")});
    if (!runner.waitForStarted() || device.receive(3, 10000) != "GO\r") {
        side.note = QStringLiteral("terminalkvr-run did not start");
        return side;
    }
    // Every printable byte of the flood comes out once; line breaks aside.
    const qint64 printable = bytes / kLineBytes * kLineChars + std::min<qint64>(bytes % kLineBytes, kLineChars);
    qint64 shown = -2; // the echo "GO"
    QObject::connect(&runner, &QProcess::readyReadStandardOutput, &runner, [&] {
        const QByteArray out = runner.readAllStandardOutput();
        shown += out.size() - out.count('\n');
    });
    const double cpuBefore = processCpu(runner.processId());
    Flood flood;
    flood.bytes = bytes;
    QElapsedTimer wall;
    wall.start();
    std::thread writer(writeFlood, device.masterFd(), std::ref(flood));
    runUntil([&] { return shown >= printable; }, 600000);
    side.seconds = wall.elapsed() / 1000.0;
    side.cpu = processCpu(runner.processId()) - cpuBefore;
    writer.join();
    QFile status(QStringLiteral("/proc/%1/status").arg(runner.processId()));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peakMb = line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    ::kill(pid_t(runner.processId()), SIGTERM);
    runner.waitForFinished(10000);
    // The log without its first line, the echo of the command.
    QFile log(logName);
    QByteArray logged;
    if (log.open(QIODevice::ReadOnly))
        logged = log.readAll();
    logged.remove(0, logged.indexOf('\n') + 1);
    QFile rest(logName + QStringLiteral(".flood"));
    if (rest.open(QIODevice::WriteOnly))
        rest.write(logged);
    rest.close();
    const bool fileComplete = fileHoldsFlood(rest.fileName(), bytes, true);
    side.complete = shown == printable && fileComplete && runner.exitCode() == 143;
    if (!side.complete)
        side.note = QStringLiteral("shown %1 of %2 characters, log file %3, exit status %4")
                        .arg(shown)
                        .arg(printable)
                        .arg(fileComplete ? QStringLiteral("complete") : QStringLiteral("INCOMPLETE"))
                        .arg(runner.exitCode());
    QFile::remove(logName);
    QFile::remove(rest.fileName());
    return side;
}

// The pseudo-terminal's own limit: a reader that does nothing with the bytes.
Side runRawReader(qint64 bytes) {
    Side side;
    PtyDevice device;
    const int fd = ::open(QFile::encodeName(device.slavePath()).constData(), O_RDONLY | O_NOCTTY);
    Flood flood;
    flood.bytes = bytes;
    QElapsedTimer wall;
    wall.start();
    std::thread writer(writeFlood, device.masterFd(), std::ref(flood));
    qint64 got = 0;
    char buffer[64 * 1024];
    while (got < bytes && wall.elapsed() < 600000) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got += n;
    }
    side.seconds = wall.elapsed() / 1000.0;
    side.complete = got == bytes;
    flood.giveUp = true;
    writer.join();
    ::close(fd);
    return side;
}

// Times at the device of each command's arrival and of its reply.
struct Trips {
    std::vector<qint64> commandNs;
    std::vector<qint64> replyNs;
};

qint64 nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// A device that answers each command (ended by CR) at once with "OK" CR LF.
void answerAll(int fd, std::atomic<bool> &stop, Trips &trips) {
    while (!stop) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 50) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\r')
                continue;
            trips.commandNs.push_back(nowNs());
            (void)!::write(fd, "OK\r\n", 4);
            trips.replyNs.push_back(nowNs());
        }
    }
}

// From each reply to the next command: the answer framed, the next command
// encoded, echoed and written.
double medianTripMs(const Trips &trips) {
    std::vector<double> ms;
    for (std::size_t i = 0; i + 1 < trips.commandNs.size() && i < trips.replyNs.size(); ++i)
        ms.push_back((trips.commandNs[i + 1] - trips.replyNs[i]) / 1e6);
    if (ms.empty())
        return -1;
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The after-answer chain of a program given the device's path last: the
// median from each reply at the device to the next command there.
double tripsOf(const QString &program, QStringList arguments, int trips, int &exitStatus, std::size_t &commands) {
    PtyDevice device;
    Trips times;
    std::atomic<bool> stop{false};
    std::thread answering(answerAll, device.masterFd(), std::ref(stop), std::ref(times));
    QProcess process;
    for (QString &argument : arguments)
        argument.replace(QStringLiteral("PORT"), device.slavePath());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(600000);
    stop = true;
    answering.join();
    exitStatus = process.exitCode();
    commands = times.commandNs.size();
    return medianTripMs(times);
}

// The least a script can do: write a command, read until the reply's end.
const char *const kPyserialChain = R"(
import serial, sys
port = serial.Serial(sys.argv[1], 9600, timeout=5)
for _ in range(int(sys.argv[2])):
    port.write(b"AT\r")
    reply = b""
    while not reply.endswith(b"OK\r\n"):
        reply += port.read(port.in_waiting or 1)
)";

} // namespace

void runRoundTripBench(int trips) {
    int runStatus = 0;
    int pyStatus = 0;
    std::size_t runCommands = 0;
    std::size_t pyCommands = 0;
    QStringList runArguments{QStringLiteral("-b"), QStringLiteral("9600"), QStringLiteral("-e"), QStringLiteral("^OK"),
                             QStringLiteral("PORT")};
    for (int i = 0; i < trips; ++i)
        runArguments << QStringLiteral("AT");
    const double run = tripsOf(QStringLiteral(TERMINALKVR_RUN_BINARY), runArguments, trips, runStatus, runCommands);
    // /usr/bin/python3 is the one with python3-serial.
    const double py = tripsOf(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"), QString::fromLatin1(kPyserialChain), QStringLiteral("PORT"), QString::number(trips)},
        trips, pyStatus, pyCommands);
    std::printf("round trip, %d commands each answered at once with OK CR LF (reply at the device to the next "
                "command there, median):\n"
                "  terminalkvr-run -e '^OK': %.3f ms (%zu commands, exit %d)\n"
                "  pyserial script:          %.3f ms (%zu commands, exit %d)\n"
                "  ratio %.2f (goal: at most 2)\n",
                trips, run, runCommands, runStatus, py, pyCommands, pyStatus, py > 0 ? run / py : 0);
    std::fflush(stdout);
}

void runRunnerBench(int megabytes, int rounds, int trips) {
    const qint64 bytes = qint64(megabytes) * 1024 * 1024 / kLineBytes * kLineBytes;
    const double mb = bytes / (1024.0 * 1024.0);
    std::printf("run: %.1f MB flood of %d-character lines; picocom (tmux), the window (log recording) and "
                "terminalkvr-run (output counted, --log) one after the other\n",
                mb, kLineChars);
    for (int round = 1; round <= rounds; ++round) {
        const Side pico = runPicocom(bytes);
        long windowPeak = 0;
        double clickMax = 0;
        double clickMedian = 0;
        int clicks = 0;
        std::vector<qint64> keptRows; // the row limit is not reported here
        const Side window = runTerminal(bytes, windowPeak, clickMax, clickMedian, clicks, keptRows);
        long runPeak = 0;
        const Side run = runRunner(bytes, runPeak);
        const auto show = [mb](const char *name, const Side &s) {
            std::printf("  %s: %.2f MB/s, %.4f CPU s/MB%s%s\n", name, s.seconds > 0 ? mb / s.seconds : 0, s.cpu / mb,
                        s.complete ? ", complete" : ", INCOMPLETE ", qPrintable(s.note));
        };
        const Side raw = runRawReader(bytes);
        std::printf("run round %d:\n", round);
        std::printf("  bare read() of the pseudo-terminal: %.2f MB/s\n", raw.seconds > 0 ? mb / raw.seconds : 0);
        show("picocom+tmux", pico);
        show("window", window);
        show("terminalkvr-run", run);
        std::printf("  peak memory: window %ld MB, terminalkvr-run %ld MB\n", windowPeak, runPeak);
    }

    runRoundTripBench(trips);
    std::fflush(stdout);
}
