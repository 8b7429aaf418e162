#pragma once

#include "core/PortDirectory.h"
#include "core/SerialPortAccess.h"
#include "core/TerminalState.h"
#include "rx/LogFile.h"
#include "rx/PacketFraming.h"
#include "rx/ReadStatistics.h"
#include "tx/CommandEncoding.h"
#include "tx/SentHistory.h"
#include "ui/LogRows.h"
#include "ui_TForm1.h"

#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class TOpenPortError;

// The terminal's main window. It owns the terminal state, the port, the log
// file and the timers, and turns control events into calls on the logic.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(PortDirectory portDirectory, QWidget *parent = nullptr);
    ~TForm1() override;

    void attachPortErrorWindow(TOpenPortError *window) { portErrorWindow_ = window; }
    const TerminalState &terminalState() const { return state; }

    // The single routine that writes to the port.
    void SendPortData(const QByteArray &command);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Startup and shutdown.
    void createMacroControls();
    void connectHandlers();
    void FormCreate();
    void FormClose();
    void CustomFunctionsTimer();
    LogRowCounter m_logRows;
    void placeVertically();

    // Port list and connection.
    void ScanComPorts();
    enum class OpenResult { Opened, Failed, SettingsUnreadable };
    OpenResult OpenComPort();
    void CloseComPort();
    void BTRescanClick();
    void BTConnectClick();
    void CheckConnectTimer();
    void CheckSendDataAftConnect();
    void setComPortColour(const QColor &colour);
    void setLineSettingsEnabled(bool enabled);
    void setUpLineSettingLists();

    // Sending.
    void ButtonSendClick();
    // Both return whether the key was handled (and is swallowed).
    bool MainStrCmdKeyPress(int key);
    bool AddStrCmdKeyPress(int key);
    QByteArray commandLine() const;
    DataMode dataMode() const;
    void AfterAnswerSend();

    // Receiving and the log.
    void RxTimerTimer();
    void scheduleRxTick(qint32 now);
    void ReadComInBufRx(qint64 count);
    void ReadBufRxInLog(bool gapEnded);
    void TimeOutRxClick(int direction);
    void putLogLine(const QByteArray &line);
    void showTotals();
    void showWaitStatistics();
    void BTLogClick();
    void StartStopClick();
    void BTClrStatClick();
    void RBASCIIClick();
    void RBHEXClick();
    void StartLogClick();
    void flushLogFile();
    void reportLogFileError(const QString &systemError);
    bool m_logNoticeOpen = false;

    // Macro store, lists, editor mode and descriptions (TForm1Macros.cpp).
    void setUpMacros();
    void OutHelpHelp();
    void connectMacroHandlers();
    bool macroEventFilter(QObject *watched, QEvent *event);

    // Send modes and command files (TForm1SendModes.cpp).
    void connectSendModeHandlers();
    bool sendModeEventFilter(QObject *watched, QEvent *event);

    // History drop-down and tail picker (TForm1History.cpp).
    void connectHistoryHandlers();
    bool historyEventFilter(QObject *watched, QEvent *event);

    // Window layout and appearance (TForm1Layout.cpp).
    void captureStartupLayout();
    void connectLayoutHandlers();

    Ui::TForm1 ui;
    TerminalState state;
    SentHistory sentHistory_;
    SerialPortAccess port_;
    PortDirectory portDirectory_;
    PacketFraming framing_;
    ReadStatistics statistics_;
    LogFile logFile_;
    TOpenPortError *portErrorWindow_ = nullptr;

    std::array<QPushButton *, 48> CmdButtons{};
    std::array<QLineEdit *, 48> CmdEdits{};
    std::array<QLabel *, 12> DescriptionLines{};

    QTimer RxTimer;
    QTimer TimerPeriod;
    QTimer CheckConnect;
    QTimer CustomFunctions;
    QTimer logFlushTimer_;
};
