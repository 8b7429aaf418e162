#pragma once

#include "core/PortDirectory.h"
#include "core/SerialPortAccess.h"
#include "core/TerminalState.h"
#include "macros/MacroListView.h"
#include "macros/MacroStore.h"
#include "rx/LogFile.h"
#include "rx/PacketFraming.h"
#include "rx/ReadStatistics.h"
#include "tx/CommandEncoding.h"
#include "tx/SendModes.h"
#include "tx/SentHistory.h"
#include "ui/FrameThrottle.h"
#include "ui/LogRows.h"
#include "ui/WindowLayout.h"
#include "ui_TForm1.h"

#include <QHash>
#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class TInfo;
class TOpenPortError;
class TFormEditHelpCmd;
class TSave;

// The terminal's main window. It owns the terminal state, the port, the log
// file and the timers, and turns control events into calls on the logic.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(PortDirectory portDirectory, QWidget *parent = nullptr);
    ~TForm1() override;

    void attachPortErrorWindow(TOpenPortError *window) { portErrorWindow_ = window; }
    // The macro editor works on this window's store and description panel;
    // the save prompt is asked at close when the store has unsaved changes.
    void attachMacroWindows(TFormEditHelpCmd *editor, TSave *savePrompt);
    const MacroStore &macroStore() const { return m_macroStore; }
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
    void holdReceiveReadoutPaint();
    void paintReceiveReadouts();
    std::array<QWidget *, 4> receiveReadouts() const;
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
    // Whether the window may close now (the save prompt may say no).
    bool macroCloseAllowed();
    void LoadCmdConfig();
    void ReadListCmd(int list);
    void WriteListCmd();
    bool SaveAllLists();
    void ButtonCmdClick(int macro);
    void ListIncClick();
    void ListDecClick();
    void CBListsClick(int entryIndex);
    void CBListsDblClick();
    void STListNameDblClick();
    void DelListClick();
    void SaveFClick();
    void RBNameClick();
    void RbDataClick();
    void EditAllCmdClick();
    void SaveEditTextCmd(int macro);
    // ButtonCmdHelp, EditCmdHelp and ShowHelpAsFocus all show macro k's
    // description.
    void showDescription(int macro);
    void ClearHelp();
    void ShowWindowEdtHelp(int macro);
    void applyStep(const macroview::Step &step);
    void stepList(const macroview::Step &step);
    macroview::View macroView() const;
    int macroNumberOf(QObject *control) const;

    MacroStore m_macroStore;
    QString m_macroFilePath;
    int CurrentMacro = 1;
    bool m_editorMode = false;
    // While the macro editor is up the panel is its working copy.
    bool m_macroEditorOpen = false;
    TFormEditHelpCmd *m_macroEditor = nullptr;
    TSave *m_savePrompt = nullptr;
    // The controls whose pointer moves empty the description panel.
    QList<QObject *> m_helpClearing;

    // Send modes and command files (TForm1SendModes.cpp).
    void connectSendModeHandlers();
    bool sendModeEventFilter(QObject *watched, QEvent *event);
    tx::SendMode currentSendMode() const;
    tx::SendInputs sendInputs() const;
    void applySendMode(tx::SendMode mode);
    void RBManualClick();
    void RBAfterAnsClick();
    void RBSelClick();
    void RBPeriodClick();
    // Returns whether the typed text may go into the period field.
    bool PeriodTXKeyPress(const QString &typed);
    void ButtonReadFileClick();
    void loadCommandFile(const QString &path);
    void closeCommandFile();
    void OldCmdListClick();
    void SendStartClick();
    void StartSendCommands();
    void TimerPeriodTimer();
    void schedulePeriodTick();
    // Housekeeping's step for cyclic periodic sending of a file.
    void rearmCyclicPeriod();
    void carryOut(const tx::SendStep &step);
    QByteArray fileLine(quint32 index) const;
    tx::SendSequencer m_sendSequencer;
    QString m_listNameHint;
    QString m_commandFileDir;

    // History drop-down and tail picker (TForm1History.cpp).
    void connectHistoryHandlers();
    bool historyEventFilter(QObject *watched, QEvent *event);
    void ReadOldCmd();
    void MainStrCmdKeyUp();
    void Str1Click();
    bool FastOldCmdKeyPress(int key);
    void FastOldCmdExit();
    void AddStrCmdKeyUp();
    void Str2Click();
    bool LBTailKeyPress(int key);
    void LBTailExit();

    // Window layout and appearance (TForm1Layout.cpp).
public:
    void attachInfoWindow(TInfo *window) { m_infoWindow = window; }

private:
    void captureStartupLayout();
    void connectLayoutHandlers();
    void FormCanResize();
    void BTPalitraClick();
    void SriftClick(int direction);
    void BtInfoClick();

    windowlayout::StartupLayout m_startupLayout;
    QHash<QString, QWidget *> m_placedWidgets;
    TInfo *m_infoWindow = nullptr;
    int m_colourStep = 0; // the colour cycle's step, shown in BTPalitra's tag

    Ui::TForm1 ui;
    TerminalState state;
    tx::SentHistory sentHistory_;
    SerialPortAccess port_;
    PortDirectory portDirectory_;
    rx::PacketFraming framing_;
    rx::ReadStatistics statistics_;
    rx::LogFile logFile_;
    TOpenPortError *portErrorWindow_ = nullptr;

    std::array<QPushButton *, 48> CmdButtons{};
    std::array<QLineEdit *, 48> CmdEdits{};
    std::array<QLabel *, 12> DescriptionLines{};

    QTimer RxTimer;
    QTimer TimerPeriod;
    QTimer CheckConnect;
    QTimer CustomFunctions;
    QTimer logFlushTimer_;
    // The receive readouts, repainted at most once per frame under a flood.
    FrameThrottle m_receiveReadoutPaint{[this] { paintReceiveReadouts(); }};
    bool m_receiveReadoutsHeld = false;
    // Housekeeping after new log rows, on its 10 ms beat.
    FrameThrottle m_logRowsChanged{[this] { CustomFunctionsTimer(); }, 10};
};
