#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace tx {

// The four ways of sending, as chosen with the mode radio buttons.
enum class SendMode { Manual, AfterAnswer, OnSelect, Period };

// Notice shown when the end of a command file has been passed.
inline const QString kAllSentNotice = QStringLiteral("Все команды отправлены");

// What a mode button does to the other send controls.
struct SendModeControls {
    bool commandListEnabled = true;
    bool sendStartEnabled = true;
    bool cyclicEnabled = false;
    bool enablesPeriodTimer = false;
};
SendModeControls controlsForMode(SendMode mode);

// The period field takes digits and Backspace only; keys that type nothing
// into it (arrows, Delete, Tab) pass.
bool periodKeyAllowed(QStringView typed);

// The period in ms, or none for an empty or pasted text that is not a
// decimal number (nothing is then sent, and nothing is said).
std::optional<qint64> periodMs(QStringView text);

// The outcome of one step of the sequencing, for the window to carry out.
struct SendStep {
    enum class What { Nothing, CommandLine, FileLine };
    What what = What::Nothing;
    quint32 line = 0;           // the command file's line to send (FileLine)
    bool allSentNotice = false; // show kAllSentNotice after the send
    bool stopTimer = false;     // the period timer has switched itself off

    bool operator==(const SendStep &) const = default;
};

// The inputs each step reads from the window.
struct SendInputs {
    SendMode mode = SendMode::Manual;
    bool fileMode = false;         // a command file is loaded
    quint32 lineCount = 0;         // lines of the loaded file
    bool cyclic = false;           // "send the file in cycles" is checked
    bool emptyCommandLine = false; // outside file mode a periodic send sends nothing
};

// Sequencing of automatic sending: which line of a command file goes next,
// when the period has passed, when the end-of-file notice is due. Times come
// from an injected monotonic clock (ms), so periodic sending goes on across
// midnight and across changes of the system clock. The file position is
// advanced when the step is handed out, before the send: a send that the send
// routine drops still moves on, and the position never passes the end; a
// line the port refused (the connection is gone) is handed back with
// lineNotSent() and goes first once the port is back.
class SendSequencer {
public:
    using Clock = std::function<qint64()>;
    // The default clock is the system's steady clock.
    explicit SendSequencer(Clock clock = {});

    // The command file's line that goes next.
    quint32 fileLineIndex() const { return m_fileLineIndex; }
    void fileLoaded() { m_fileLineIndex = 0; }

    // "Send from file" and sending on connect with a file loaded.
    SendStep startSendCommands(const SendInputs &in);
    // One tick of the period timer. Sending is paced by the line: a tick
    // that finds output of an earlier send still queued (outputPending)
    // queues nothing, and the send goes at the first tick that finds the
    // line free, so the queue never grows.
    SendStep periodTick(const SendInputs &in, QStringView periodText, bool portOpen, bool outputPending = false);
    // A complete answer arrived (bytesWaiting: more bytes follow at once).
    SendStep afterAnswer(const SendInputs &in, bool bytesWaiting);
    // The file line a step handed out did not leave (the port refused it):
    // it is the next line again.
    void lineNotSent(quint32 line);

    void enablePeriodTimer();
    // Cyclic periodic sending of a file keeps the timer switched on; returns
    // whether it was off.
    bool rearmCyclic(bool cyclic, SendMode mode);

    // The timer sleeps between the moments that can make a difference. The
    // window calls reschedule() whenever one of them changes (the mode, the
    // period, the port, the command line, a step) and then asks
    // nextTickDelayMs(): ms until the next tick that could send, or none
    // while no tick can (timer off, another mode, no usable period, port
    // closed, nothing to send). outputPendingMs: how long the output already
    // queued still needs to leave. An early tick does nothing. While the
    // command line is empty the period runs on as if its empty sends were
    // made, so text typed meanwhile goes at the next period's end, as it
    // would with a timer ticking all along.
    void reschedule(const SendInputs &in, QStringView periodText, bool portOpen);
    std::optional<qint64> nextTickDelayMs(const SendInputs &in, QStringView periodText, bool portOpen,
                                          qint64 outputPendingMs = 0) const;

private:
    SendStep nextFileLine();
    bool periodRuns(const SendInputs &in, QStringView periodText, bool portOpen) const;

    Clock m_clock;
    quint32 m_fileLineIndex = 0;
    // Set while the period timer runs; keeps the after-answer chain from
    // showing its end notice once the period timer has taken that over.
    bool m_periodOwnsNotice = false;
    bool m_timerEnabled = false;
    std::optional<qint64> m_lastPeriodTime; // none: no periodic send yet
    bool m_idle = false;                    // asleep for an empty command line
};

} // namespace tx
