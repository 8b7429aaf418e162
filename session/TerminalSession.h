#pragma once

#include "core/DataMode.h"
#include "core/LineSettings.h"
#include "core/port/ConnectionWatch.h"
#include "core/port/PortDirectory.h"
#include "core/port/TerminalPort.h"
#include "rx/LogRecorder.h"
#include "rx/ReadStatistics.h"
#include "rx/ReceiveBuffer.h"
#include "tx/SendModes.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

namespace session {

// One terminal session without a window: the open port (local or network),
// connecting and the connection watch, the receive poll and its framing, the
// single send routine with its encoding and echo, the send modes' sequencing,
// the log lines as they are shown and recorded, the log file and the
// counters. It needs only QtCore, QtNetwork and QtSerialPort, runs under a
// QCoreApplication and never opens a window or a modal loop: whatever the
// user is to be told goes out as a signal, and a window shows it from its
// own event loop (a receiver that ran a modal loop inside the receive poll
// would hold the poll while it is open).
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
class TerminalSession : public QObject {
    Q_OBJECT
public:
    // Which way a log line went.
    enum class Direction { Sent, Received };
    Q_ENUM(Direction)

    // Counters of the statistics panel and the byte totals.
    struct Traffic {
        quint32 TxTotal = 0;
        quint32 RxTotal = 0;
        rx::ReadStatistics statistics;
    };

    // directory: where an adapter the user connected is looked for by its
    // lasting name when the connection is to be made again.
    explicit TerminalSession(core::PortDirectory directory = core::PortDirectory(), QObject *parent = nullptr);
    ~TerminalSession() override;

    // --- Connection -------------------------------------------------------
    // The user's connect: opens the port at location with the settings.
    // connectFinished() follows once (before this returns for a local port,
    // later for a network one); on success the session counts as wanted and
    // the watch keeps it open. stableLocation: the adapter's lasting name, if
    // it has one. Returns false when the open could not even start (no
    // location), after connectFinished(false).
    bool connectPort(const QString &location, const core::LineSettings &settings, const QString &stableLocation = {});
    // The user's disconnect (also of a lost port): closes, not wanted.
    void disconnectPort();
    bool isOpen() const { return m_open; }
    bool isOpening() const { return m_opening != Opening::None; }
    // The user connected and has not disconnected (the connect button's tag).
    bool connectWanted() const { return m_wanted; }
    // Why the last open failed, in the system's words.
    QString errorString() const { return m_port.errorString(); }
    // "AutoConnect": a lost port is opened again on the watch's beats.
    void setAutoConnect(bool on) { m_autoConnect = on; }
    // "Отправить при соединении": send once connected (CheckSendDataAftConnect).
    void setSendOnConnect(bool on) { m_sendOnConnect = on; }
    // The watch's beat, every second (its own timer calls it).
    void CheckConnectTimer();

    // --- Sending ----------------------------------------------------------
    // The single routine that writes to the port: the command part plus the
    // tail, encoded in the data mode; echoed and counted when the port took
    // it. A connection the write finds gone is handed to the watch at once.
    void SendPortData(const QByteArray &command);
    // Sends the command line (setCommandLine).
    void sendCommandLine() { SendPortData(m_commandLine); }
    void setCommandLine(const QByteArray &command);
    void setTail(const QByteArray &tail) { m_tail = tail; }
    void setDataMode(core::DataMode mode) { m_dataMode = mode; }
    core::DataMode dataMode() const { return m_dataMode; }
    bool sendBusy() const { return m_sendBusy; }

    // --- Send modes -------------------------------------------------------
    void setSendMode(tx::SendMode mode);
    tx::SendMode sendMode() const { return m_sendMode; }
    // The period field's text (ms); not a number: nothing is sent.
    void setPeriodText(const QString &text);
    // "Циклическая отправка из файла".
    void setCyclic(bool on) { m_cyclic = on; }
    // A command file's lines: sending from the file starts at its first line.
    void loadCommandLines(const QList<QByteArray> &lines);
    // Back to sending the command line.
    void closeCommandFile();
    bool fileSendMode() const { return m_fileSendMode; }
    quint32 fileLineIndex() const { return m_sequencer.FileLineIndex; }
    // "Отправить из файла" (and the send on connect with a file loaded).
    void StartSendCommands();
    // The period timer's tick (its own timer calls it).
    void TimerPeriodTimer();
    // Housekeeping's beat: cyclic periodic sending keeps its timer on.
    void rearmCyclicPeriod();

    // --- Receiving --------------------------------------------------------
    void setPacketGap(qint32 ms) { m_packetGap = ms; }
    qint32 packetGap() const { return m_packetGap; }
    quint32 buffered() const { return m_buffer.length(); }
    bool rxBusy() const { return m_rxBusy; }
    // The receive poll's tick (its own timer calls it).
    void RxTimerTimer();

    // --- Log --------------------------------------------------------------
    // Log lines reach the disk within this long of being shown.
    static constexpr int kLogFlushMs = 1000;
    // " [ hh:mm:ss:zzz > ] " in front of each line ("TIME + ").
    void setTimeStamps(bool on) { m_timeStamps = on; }
    // Only lines holding the text are shown and recorded; empty: all.
    void setLogFilter(const QString &filter) { m_filter = filter; }
    // The recording button: start, pause, resume (see rx::LogRecorder). A
    // file that cannot be created returns false (logRecorder() says why).
    bool toggleLogRecording(const QDateTime &now = QDateTime::currentDateTime());
    const rx::LogRecorder &logRecorder() const { return m_recorder; }
    // The end of the run: the log file is written out and closed; false
    // when that failed (logRecorder() says why).
    bool closeLog();

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

private:
    enum class Opening { None, ByUser, Reconnect };
    bool OpenComPort(const QString &location, Opening purpose);
    void portOpened(bool ok);
    void reconnectDone(bool ok);
    void sendAfterReconnect();
    QString reconnectLocation();
    void CloseComPort();
    // One beat of the watch with the port found alive or not.
    void watchBeat(bool alive);
    void CheckSendDataAftConnect();
    // One pass of SendPortData; false when the port did not take the bytes.
    bool sendOnce(const QByteArray &command);

    bool readWaiting(qint64 waiting);
    void takeArrivedInput();
    void showReceived(const std::optional<QByteArray> &line);
    void ReadBufRxInLog(const QByteArray &text);
    bool answerComplete();
    void scheduleRxTick(qint32 now);
    void putLogLine(const QByteArray &text, Direction direction);

    tx::SendInputs sendInputs() const;
    void carryOut(const tx::SendStep &step);
    void AfterAnswerSend(bool complete);
    void schedulePeriodTick();

    core::TerminalPort m_port;
    core::PortDirectory m_directory;
    QTimer m_checkConnect;
    QTimer m_reconnectSettle;
    Opening m_opening = Opening::None;
    QString m_location;
    QString m_stableLocation;
    core::LineSettings m_settings;
    bool m_open = false;
    bool m_wanted = false;
    bool m_autoConnect = false;
    bool m_sendOnConnect = false;

    QByteArray m_commandLine;
    QByteArray m_tail;
    core::DataMode m_dataMode = core::DataMode::Ascii;
    bool m_sendBusy = false;

    tx::SendSequencer m_sequencer;
    QTimer m_timerPeriod;
    tx::SendMode m_sendMode = tx::SendMode::Manual;
    QString m_periodText;
    bool m_cyclic = false;
    bool m_fileSendMode = false;
    QList<QByteArray> m_fileLines;

    rx::ReceiveBuffer m_buffer;
    qint32 m_packetGap = 0;
    bool m_rxBusy = false;
    QTimer m_rxTimer;

    bool m_timeStamps = false;
    QString m_filter;
    rx::LogRecorder m_recorder;
    QTimer m_flushTimer;

    Traffic m_traffic;
};

} // namespace session
