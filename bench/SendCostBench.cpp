// What periodic sending costs the terminal's process, and whether the window
// stays answerable while the device takes nothing. A device thread stands at
// the other end of the pseudo-terminal; its own CPU is not the terminal's.
#include "Benches.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"
#include "ui/window/TForm1.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const QString kCommand = QStringLiteral("AT"); // "AT\r" on the wire
constexpr int kIdleMs = 5000;
constexpr int kStallMs = 5000;
constexpr int kFillBytes = 100000;
constexpr int kClickEveryMs = 100;
constexpr int kTokenStreamMs = 10000;
constexpr int kTokenEveryMs = 10;
constexpr int kTokenBytes = 100;

struct PeriodRun {
    int periodMs;
    int runMs;
    double targetPercent; // 0: none
};
constexpr PeriodRun kRuns[] = {{0, 3000, 0}, {10, 10000, 2.0}, {100, 20000, 0.5}, {1000, 10000, 0}};

// CPU seconds used so far by another thread of this process.
double cpuOf(std::thread &thread) {
    clockid_t clock{};
    timespec used{};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 || clock_gettime(clock, &used) != 0)
        return 0;
    return used.tv_sec + used.tv_nsec / 1e9;
}

template <typename T>
T *control(ui::TForm1 &form, const char *name) {
    return form.findChild<T *>(QLatin1String(name));
}

// Reads the device while `reading`; notes when each command's CR arrives.
struct Reader {
    int fd = -1;
    std::atomic<bool> reading{true};
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<qint64> arrivals;
    QByteArray wire;

    void run() {
        char buffer[4096];
        while (!stop) {
            pollfd readable{fd, POLLIN, 0};
            if (!reading || ::poll(&readable, 1, 20) <= 0) {
                if (!reading)
                    ::usleep(5000);
                continue;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            const qint64 now = monotonicNs();
            std::lock_guard guard(lock);
            for (ssize_t i = 0; i < n; ++i) {
                wire.append(buffer[i]);
                if (buffer[i] == '\r')
                    arrivals.push_back(now);
            }
        }
    }
};

// Posts a click to a button every so often, as the window system would,
// from a thread of its own so that clicks keep coming while the window is
// busy, and times until the button reacts.
class ClickProbe {
public:
    explicit ClickProbe(QAbstractButton *button) {
        QObject::connect(button, &QAbstractButton::clicked, &m_context, [this] {
            if (m_pending.exchange(false))
                m_ms.push_back((monotonicNs() - m_since) / 1e6);
        });
        QPointingDevice::primaryPointingDevice(); // made here, not by the first event in the thread
        const QPointF at = QRectF(button->rect()).center();
        const QPointF global = button->mapToGlobal(at);
        m_poster = std::thread([this, button, at, global] {
            while (!m_stop) {
                ::usleep(kClickEveryMs * 1000);
                if (m_pending)
                    continue;
                m_since = monotonicNs();
                m_pending = true;
                for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(
                        button, new QMouseEvent(type, at, global, Qt::LeftButton,
                                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                Qt::NoModifier));
            }
        });
    }
    ~ClickProbe() { stop(); }
    // The answer times, sorted; a click still unanswered counts with the
    // time it has waited so far.
    std::vector<double> stop() {
        if (m_poster.joinable()) {
            m_stop = true;
            m_poster.join();
            if (m_pending)
                m_ms.push_back((monotonicNs() - m_since) / 1e6);
            std::sort(m_ms.begin(), m_ms.end());
        }
        return m_ms;
    }

private:
    QObject m_context;
    std::thread m_poster;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_pending{false};
    std::atomic<qint64> m_since{0};
    std::vector<double> m_ms;
};

// The terminal's share of the process CPU over a stretch of event loop: the
// device thread's own CPU is left out.
struct Stretch {
    explicit Stretch(std::thread &thread) : device(thread) {}
    std::thread &device;
    double deviceBefore = cpuOf(device);
    double cpuBefore = processCpuSeconds();
    double windowBefore = windowCpuSeconds();
    qint64 wallBefore = monotonicNs();

    double seconds() const { return (monotonicNs() - wallBefore) / 1e9; }
    double processPercent() const {
        return 100.0 * (processCpuSeconds() - cpuBefore - (cpuOf(device) - deviceBefore)) / seconds();
    }
    double windowPercent() const { return 100.0 * (windowCpuSeconds() - windowBefore) / seconds(); }
};

void startPeriod(ConnectedWindow &window, int periodMs, const QString &command) {
    ui::TForm1 &form = window.form();
    control<QAbstractButton>(form, "RBManual")->click();
    control<QLineEdit>(form, "MainStrCmd")->setText(command);
    control<QLineEdit>(form, "PeriodTX")->setText(QString::number(periodMs));
    control<QAbstractButton>(form, "RBPeriod")->click();
}

void periodCosts(ConnectedWindow &window, Reader &reader, std::thread &device, const std::vector<PeriodRun> &runs) {
    for (const PeriodRun &run : runs) {
        size_t firstArrival = 0;
        {
            std::lock_guard guard(reader.lock);
            firstArrival = reader.arrivals.size();
        }
        const Stretch stretch(device);
        startPeriod(window, run.periodMs, kCommand);
        runEventLoopFor(run.runMs);
        const double windowPercent = stretch.windowPercent();
        const double processPercent = stretch.processPercent();
        control<QAbstractButton>(window.form(), "RBManual")->click();
        runEventLoopFor(200);
        std::vector<qint64> arrivals;
        {
            std::lock_guard guard(reader.lock);
            arrivals.assign(reader.arrivals.begin() + qsizetype(firstArrival), reader.arrivals.end());
        }
        const double seconds = run.runMs / 1000.0;
        const double sends = double(arrivals.size());
        std::vector<double> intervals;
        for (size_t i = 1; i < arrivals.size(); ++i)
            intervals.push_back((arrivals[i] - arrivals[i - 1]) / 1e6);
        std::sort(intervals.begin(), intervals.end());
        const auto inTarget = std::count_if(intervals.begin(), intervals.end(), [&](double ms) {
            return ms >= run.periodMs + 1 && ms <= run.periodMs + 3;
        });
        std::printf("send cost: P = %4d ms: %5.0f sends in %.0f s; window thread %.2f %% of a core, process "
                    "(device reader aside) %.2f %%%s; %.0f us of window CPU per send; intervals at the device: "
                    "median %.2f ms, %td of %zu within P+1..P+3\n",
                    run.periodMs, sends, seconds, windowPercent, processPercent,
                    run.targetPercent > 0 ? qPrintable(QStringLiteral(" (target <= %1 %)").arg(run.targetPercent)) : "",
                    sends > 0 ? 1e6 * windowPercent / 100.0 * seconds / sends : 0.0,
                    intervals.empty() ? 0.0 : intervals[intervals.size() / 2], inTarget, intervals.size());
    }
}

void idleTicks(ConnectedWindow &window, std::thread &device) {
    {
        const Stretch stretch(device);
        runEventLoopFor(kIdleMs);
        std::printf("send cost: connected, nothing sent (the floor of what follows): process %.3f %% of a core\n",
                    stretch.processPercent());
    }
    for (const int periodMs : {10, 100}) {
        startPeriod(window, periodMs, QString()); // nothing to send: ticks alone
        runEventLoopFor(200);
        const Stretch stretch(device);
        runEventLoopFor(kIdleMs);
        std::printf("send cost: ticks that send nothing, P = %d ms: process %.3f %% of a core (target <= 0.05 "
                    "%%)\n",
                    periodMs, stretch.processPercent());
        control<QAbstractButton>(window.form(), "RBManual")->click();
    }
}

// The device stops reading while periodic sends go on: clicks must still be
// answered, and once it reads again every queued packet arrives whole.
void stalledDevice(ConnectedWindow &window, Reader &reader) {
    {
        std::lock_guard guard(reader.lock);
        reader.wire.clear();
    }
    reader.reading = false;
    ui::TForm1 &form = window.form();
    const quint32 txBefore = form.terminalState().TxTotal;
    // One long command fills the line first: more than the system's queues
    // of a pseudo-terminal hold. The log's filter keeps its echo, one line of
    // 100000 characters, out of the measure.
    const QByteArray fill(kFillBytes, 'F');
    control<QLineEdit>(form, "FiltrLog")->setText(kCommand);
    control<QAbstractButton>(form, "RBManual")->click();
    control<QLineEdit>(form, "MainStrCmd")->setText(QString::fromLatin1(fill));
    control<QAbstractButton>(form, "ButtonSend")->click();
    startPeriod(window, 10, kCommand);
    std::vector<double> clicks;
    {
        ClickProbe probe(control<QAbstractButton>(form, "BTClrStat"));
        runEventLoopFor(kStallMs);
        clicks = probe.stop();
    }
    control<QAbstractButton>(form, "RBManual")->click();
    control<QLineEdit>(form, "FiltrLog")->clear();
    const quint32 sent = form.terminalState().TxTotal - txBefore;
    reader.reading = true;
    const bool drained = runUntil(
        [&] {
            std::lock_guard guard(reader.lock);
            return quint32(reader.wire.size()) >= sent;
        },
        20000);
    QByteArray wire;
    {
        std::lock_guard guard(reader.lock);
        wire = reader.wire;
    }
    const qsizetype packets = (wire.size() - fill.size() - 1) / 3;
    const bool whole = quint32(wire.size()) == sent && wire == fill + '\r' + QByteArray("AT\r").repeated(packets);
    std::printf("send cost: device reading nothing for %d s at P = 10 ms after a %d-byte command: %zu clicks "
                "answered in median %.1f ms, max %.1f ms (target <= 100 ms); %u bytes queued and counted, %s\n",
                kStallMs / 1000, kFillBytes, clicks.size(), clicks.empty() ? -1.0 : clicks[clicks.size() / 2],
                clicks.empty() ? -1.0 : clicks.back(), sent,
                drained && whole ? "all arrived whole, in order, once the device read again" : "NOT all arrived whole");
}

// A device that streams numbered tokens while periodic sends go out: every
// byte it wrote must be counted as received.
void streamingDevice(ConnectedWindow &window) {
    std::atomic<bool> done{false};
    std::atomic<qint64> written{0};
    const quint32 rxBefore = window.form().terminalState().RxTotal;
    std::thread writer([&] {
        for (int token = 0; !done; ++token) {
            QByteArray bytes = QByteArray::number(token).rightJustified(8, '0') + ' ';
            bytes = bytes.repeated(kTokenBytes / bytes.size()).leftJustified(kTokenBytes - 1, ' ') + '\n';
            for (qsizetype at = 0; at < bytes.size();) {
                const ssize_t n =
                    ::write(window.device().masterFd(), bytes.constData() + at, size_t(bytes.size() - at));
                if (n > 0)
                    at += n;
                else
                    ::usleep(1000);
            }
            written += bytes.size();
            ::usleep(kTokenEveryMs * 1000);
        }
    });
    startPeriod(window, 10, kCommand);
    runEventLoopFor(kTokenStreamMs);
    control<QAbstractButton>(window.form(), "RBManual")->click();
    done = true;
    writer.join();
    runUntil([&] { return window.form().terminalState().RxTotal - rxBefore == quint32(written); }, 5000);
    const quint32 received = window.form().terminalState().RxTotal - rxBefore;
    std::printf("send cost: device streaming %d bytes every %d ms while P = 10 ms sends: %lld bytes written, "
                "%u counted as received (%lld lost)\n",
                kTokenBytes, kTokenEveryMs, static_cast<long long>(written.load()), received,
                static_cast<long long>(written.load()) - received);
}

} // namespace

void runSendCostBench(int onlyPeriodMs, int seconds) {
    std::printf("send cost: platform %s\n", qPrintable(QGuiApplication::platformName()));
    ConnectedWindow window;
    if (!window.open() || !window.connect()) {
        std::printf("send cost: could not connect\n");
        return;
    }
    runEventLoopFor(500);
    Reader reader;
    reader.fd = window.device().masterFd();
    std::thread device([&] { reader.run(); });
    if (onlyPeriodMs >= 0) { // one period alone, for profiling, after the log has filled as in the full run
        periodCosts(window, reader, device, {kRuns[0]});
        periodCosts(window, reader, device, {{onlyPeriodMs, seconds * 1000, 0}});
        reader.stop = true;
        device.join();
        return;
    }
    periodCosts(window, reader, device, {std::begin(kRuns), std::end(kRuns)});
    idleTicks(window, device);
    stalledDevice(window, reader);
    reader.stop = true;
    device.join();
    streamingDevice(window);
}

void runSendCostBenchOnX(const char *program) {
    // The same under a real X server, where painting reaches a display.
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (QGuiApplication::platformName() == QLatin1String("xcb") || xvfb.isEmpty())
        return;
    std::fflush(stdout);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.start(xvfb, {QStringLiteral("-a"), QString::fromLocal8Bit(program), QStringLiteral("sendcost")});
    child.waitForFinished(-1);
}
