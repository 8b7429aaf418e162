#pragma once

#include "core/DataMode.h"
#include "core/LineSettings.h"
#include "core/port/ConnectionWatch.h"
#include "core/port/PortDirectory.h"
#include "rx/LogRecorder.h"
#include "session/LogSink.h"
#include "session/PortChannel.h"
#include "session/Receiver.h"
#include "session/SendModeDriver.h"
#include "session/Traffic.h"
#include "session/Transmitter.h"
#include "tx/SendModes.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

namespace session {

// One terminal session without a window, as one object: the window and the
// command for scripts talk to it. It is made of parts with one job each
// (see README.md): the channel to the port (PortChannel), the receiving
// (Receiver), the sending (Transmitter), the log lines and the log file
// (LogSink) and the send modes (SendModeDriver); this class only joins them
// and passes their calls and signals on. It needs only QtCore, QtNetwork and
// QtSerialPort, runs under a QCoreApplication and never opens a window or a
// modal loop: whatever the user is to be told goes out as a signal, and a
// window shows it from its own event loop (a receiver that ran a modal loop
// inside the receive poll would hold the poll while it is open).
//
// Settings are handed in through the set...() calls, as the user changes
// them; until then each has its start value (ASCII, tail "$0D", gap 0, mode
// "Ручная", period "1000", no time stamps, no filter).
//
// A program with no window uses it like this:
//   TerminalSession session;
//   connect(&session, &TerminalSession::logLine, ...);     // print the log
//   session.connectPort("/dev/ttyUSB0", settings);         // or tcp://host:port
//   ...connectFinished(true)...
//   session.SendPortData("AT");                            // bytes + tail
//   session.toggleLogRecording();                          // LOG_....txt
// A client that needs the raw port for a while (a file transfer) claims
// channel() and gives it back (see PortChannel).
class TerminalSession : public QObject {
    Q_OBJECT
public:
    using Direction = session::Direction;
    using Traffic = session::Traffic;

    // directory: where an adapter the user connected is looked for by its
    // lasting name when the connection is to be made again.
    explicit TerminalSession(core::PortDirectory directory = core::PortDirectory(), QObject *parent = nullptr);
    ~TerminalSession() override;

    // The channel to the port, for its clients (the claim, the line).
    PortChannel &channel() { return m_channel; }
    // The clock (ms, monotonic) the settle time after a reconnection and the
    // period are measured on; the system's steady clock unless a test sets
    // its own before connecting.
    void setClock(const PortChannel::Clock &clock) {
        m_channel.setClock(clock);
        m_sendModes.setClock(clock);
    }

    // --- Connection -------------------------------------------------------
    // The user's connect: opens the port at location with the settings.
    // connectFinished() follows once (before this returns for a local port,
    // later for a network one); on success the session counts as wanted and
    // the watch keeps it open. stableLocation: the adapter's lasting name, if
    // it has one. Returns false when the open could not even start (no
    // location), after connectFinished(false).
    bool connectPort(const QString &location, const core::LineSettings &settings, const QString &stableLocation = {});
    // The user's disconnect (also of a lost port): closes, not wanted.
    void disconnectPort() { m_channel.disconnectPort(); }
    bool isOpen() const { return m_channel.isOpen(); }
    bool isOpening() const { return m_channel.isOpening(); }
    // The user connected and has not disconnected (the connect button's tag).
    bool connectWanted() const { return m_channel.connectWanted(); }
    // Why the last open failed, in the system's words.
    QString errorString() const { return m_channel.errorString(); }
    // "AutoConnect": a lost port is opened again on the watch's beats.
    void setAutoConnect(bool on) { m_channel.setAutoConnect(on); }
    // "Отправить при соединении": send once connected (CheckSendDataAftConnect).
    void setSendOnConnect(bool on) { m_sendModes.setSendOnConnect(on); }
    // The watch's beat, every second (its own timer calls it).
    void CheckConnectTimer() { m_channel.CheckConnectTimer(); }

    // --- The serial line (on the channel; each change of an open port is
    // logged) ---------------------------------------------------------------
    // A pulse and a break last this long unless the user says otherwise.
    static constexpr int kDefaultPulseMs = 100;
    static constexpr int kDefaultBreakMs = 250;
    bool hasLineControl() const { return m_channel.hasLineControl(); }
    const core::LineSettings &lineSettings() const { return m_channel.lineSettings(); }
    // New framing: kept for the next open and applied at once to an open
    // port; false when the port refused them (errorString() says why).
    bool changeLineSettings(const core::LineSettings &settings);
    // DTR and RTS as the user wants them, now and at every open.
    void setModemOutputs(const core::ModemOutputs &outputs);
    const core::ModemOutputs &modemOutputs() const { return m_outputs; }
    bool pulseLine(core::ModemLine line, int ms = kDefaultPulseMs);
    bool sendBreak(int ms = kDefaultBreakMs);
    // The lamps are shown: inputLinesChanged() follows the lines.
    void watchInputLines(bool on) { m_channel.watchInputLines(on); }
    std::optional<core::InputLines> inputLines() const { return m_channel.inputLines(); }
    // Tests record the local port's line calls.
    void setLineCalls(core::LineCalls &calls) { m_channel.setLineCalls(calls); }

    // --- Sending ----------------------------------------------------------
    // The single routine that writes to the port: the command part plus the
    // tail, encoded in the data mode; echoed and counted when the port took
    // it. A connection the write finds gone is handed to the watch at once.
    void SendPortData(const QByteArray &command) { m_transmitter.SendPortData(command); }
    // Sends the command line (setCommandLine).
    void sendCommandLine() { m_transmitter.sendCommandLine(); }
    void setCommandLine(const QByteArray &command);
    void setTail(const QByteArray &tail) { m_transmitter.setTail(tail); }
    void setDataMode(core::DataMode mode);
    core::DataMode dataMode() const { return m_transmitter.dataMode(); }
    bool sendBusy() const { return m_transmitter.busy(); }

    // --- Send modes -------------------------------------------------------
    void setSendMode(tx::SendMode mode) { m_sendModes.setSendMode(mode); }
    tx::SendMode sendMode() const { return m_sendModes.sendMode(); }
    // The period field's text (ms); not a number: nothing is sent.
    void setPeriodText(const QString &text) { m_sendModes.setPeriodText(text); }
    // "Циклическая отправка из файла".
    void setCyclic(bool on) { m_sendModes.setCyclic(on); }
    // A command file's lines: sending from the file starts at its first line.
    void loadCommandLines(const QList<QByteArray> &lines) { m_sendModes.loadCommandLines(lines); }
    // Back to sending the command line.
    void closeCommandFile() { m_sendModes.closeCommandFile(); }
    bool fileSendMode() const { return m_sendModes.fileSendMode(); }
    // The loaded command file's lines (windows-1251 bytes).
    const QList<QByteArray> &commandLines() const { return m_sendModes.fileLines(); }
    quint32 fileLineIndex() const { return m_sendModes.fileLineIndex(); }
    // "Отправить из файла" (and the send on connect with a file loaded).
    void StartSendCommands() { m_sendModes.StartSendCommands(); }
    // The period timer's tick (its own timer calls it).
    void TimerPeriodTimer() { m_sendModes.TimerPeriodTimer(); }
    // Housekeeping's beat: cyclic periodic sending keeps its timer on.
    void rearmCyclicPeriod() { m_sendModes.rearmCyclicPeriod(); }

    // --- Receiving --------------------------------------------------------
    void setPacketGap(qint32 ms) { m_receiver.setPacketGap(ms); }
    void setReadOnArrival(bool on) { m_receiver.setReadOnArrival(on); }
    qint32 packetGap() const { return m_receiver.packetGap(); }
    quint32 buffered() const { return m_receiver.buffered(); }
    bool rxBusy() const { return m_receiver.busy(); }
    // The receive poll's tick (its own timer calls it).
    void RxTimerTimer() { m_receiver.RxTimerTimer(); }

    // --- Log --------------------------------------------------------------
    // Log lines reach the disk within this long of being shown.
    static constexpr int kLogFlushMs = LogSink::kLogFlushMs;
    // " [ hh:mm:ss:zzz > ] " in front of each line ("TIME + ").
    void setTimeStamps(bool on) { m_log.setTimeStamps(on); }
    // Only lines holding the text are shown and recorded; empty: all.
    void setLogFilter(const QString &filter) { m_log.setFilter(filter); }
    // The recording button: start, pause, resume (see rx::LogRecorder). A
    // file that cannot be created returns false (logRecorder() says why).
    bool toggleLogRecording(const QDateTime &now = QDateTime::currentDateTime()) { return m_log.toggleRecording(now); }
    // Every line from now on is recorded to that file (a script's --log);
    // false when it cannot be created (logRecorder() says why).
    bool recordTo(const QString &path) { return m_log.recordTo(path); }
    const rx::LogRecorder &logRecorder() const { return m_log.recorder(); }
    // The end of the run: the log file is written out and closed; false
    // when that failed (logRecorder() says why).
    bool closeLog() { return m_log.close(); }
    // A line of a channel client's in the log (a file transfer's start and
    // end), shown and recorded as a sent line.
    void logNote(const QString &text);

    // --- Other clients of the port (a shared port) --------------------------
    // Another client's bytes as one piece, logged as sent under logText; a
    // line of the log on its behalf (see Transmitter).
    bool writeShared(const QByteArray &bytes, const QByteArray &logText) {
        return m_transmitter.writeShared(bytes, logText);
    }
    void logShared(const QByteArray &logText) { m_transmitter.logShared(logText); }

    // --- Counters ---------------------------------------------------------
    const Traffic &traffic() const { return m_traffic; }
    // The statistics' "0" button; the byte totals stay.
    void resetStatistics() { m_traffic.statistics.reset(); }

signals:
    // The user's connect ended; on false errorString() says why.
    void connectFinished(bool ok);
    // The port opened or closed (any cause).
    void portStateChanged(bool open);
    // The connection watch's colour of the port list.
    void portColourChanged(core::PortColour colour);
    // The adapter the user connected came back under another name.
    void portRelocated(const QString &name, const QString &location);
    // A client took the channel (its name), or gave it back (empty): while
    // it holds it, the log and the sends stand aside.
    void claimChanged(const QString &claimant);

    // A command is about to go out (the history takes it).
    void commandSent(const QByteArray &command);
    // A send with the port closed: the command is lost (the window shows
    // its port-error window; a send asked for meanwhile is dropped).
    void portNotOpen();
    // A line of the log, as shown and recorded: time-stamped when asked
    // for, and only when it passed the filter.
    void logLine(const QByteArray &line, TerminalSession::Direction direction);
    // The text of each received packet's line, before stamp and filter.
    void packetReceived(const QByteArray &text);
    // The bytes of each read from the port, as they came (the plot reads
    // the device's own lines from them, whatever the packets).
    void received(const QByteArray &bytes);
    // A packet that answers (after its line), with its text; complete when
    // nothing more waits behind it. The after-answer chain sends only on a
    // complete answer, and an answer still arriving is its packets together.
    void answered(const QByteArray &text, bool complete);
    // Bytes went to the port / came from it; the counters say how many.
    void bytesSent(quint32 bytes);
    void bytesReceived(quint32 bytes, bool waitsMeasured);
    // Something the user is told ("Все команды отправлены"); never shown
    // from inside the poll or the send routine.
    void notice(const QString &text);
    // The log file failed (a write, a flush); reported once per failure.
    void logFileFailed(const QString &fileName, const QString &error);
    // CTS, DSR, DCD and RI changed; empty: the port has no such lines.
    void inputLinesChanged(const std::optional<core::InputLines> &lines);

private:
    // One short line per thing done to the line, so that a log tells it.
    void logLineAction(const QString &what);

    core::ModemOutputs m_outputs;
    Traffic m_traffic;
    PortChannel m_channel;
    LogSink m_log;
    Receiver m_receiver;
    Transmitter m_transmitter;
    SendModeDriver m_sendModes;
};

} // namespace session
