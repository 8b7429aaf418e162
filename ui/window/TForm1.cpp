#include "ui/window/TForm1.h"

#include "core/FixedTexts.h"
#include "session/TerminalSession.h"
#include "ui/dialogs/FileSendWindow.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/dialogs/PlotWindow.h"
#include "ui/dialogs/ShareWindow.h"
#include "ui/widgets/PointerWatch.h"
#include "ui/window/ConnectionControl.h"
#include "ui/window/HistoryInput.h"
#include "ui/window/Housekeeping.h"
#include "ui/window/LineControls.h"
#include "ui/window/LogRecorderControl.h"
#include "ui/window/LogView.h"
#include "ui/window/MacroPanel.h"
#include "ui/window/ReceivePath.h"
#include "ui/window/SendModesPanel.h"
#include "ui/window/TrafficReadouts.h"
#include "ui/window/TransmitLine.h"
#include "ui/window/WindowArrangement.h"
#include "ui_TForm1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QThread>

namespace ui {

TForm1::TForm1(core::PortDirectory portDirectory, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm1>()),
      m_session(std::make_unique<session::TerminalSession>(portDirectory)) {
    m_ui->setupUi(this);
    setWindowTitle(core::kProgramName);
    // The startup sequence: each subsystem sets itself up as it is made.
    createLogSide();
    const QList<QByteArray> history = createMacroSide();
    createPortSide(std::move(portDirectory));
    // The chart is offered in the log's menu and by its key in the whole window.
    m_plot = std::make_unique<PlotWindow>([session = m_session.get()] { return session->dataMode(); }, this);
    m_logView->offerInMenu(m_plot->openAction());
    addAction(m_plot->openAction());
    // So is sending a file.
    m_fileSend = std::make_unique<FileSendWindow>(*m_session, this);
    m_logView->offerInMenu(m_fileSend->openAction());
    addAction(m_fileSend->openAction());
    // So is serving the open port to scripts, while one is open.
    m_share = std::make_unique<ShareWindow>(*m_session, this);
    m_logView->offerInMenu(m_share->openAction());
    addAction(m_share->openAction());
    m_sendModes->showCommands(history);
    m_housekeeping = std::make_unique<Housekeeping>(m_ui->TextTime, this);
    connectSubsystems();
    m_housekeeping->CustomFunctionsTimer();
}

void TForm1::createLogSide() {
    Ui::TForm1 &ui = *m_ui;
    m_readouts = std::make_unique<TrafficReadouts>(
        TrafficReadouts::Controls{ui.StaticText3, ui.LSend, ui.LRead, ui.MinTimeWait, ui.MaxTimeWait, ui.BTClrStat},
        *m_session, this);
    m_logView = std::make_unique<LogView>(
        LogView::Controls{ui.MainWindow, ui.SecondWindow, ui.FiltrLog, ui.VisTime, ui.BTLog, ui.StartStop, ui.Srift},
        this);
    m_logRecorder =
        std::make_unique<LogRecorderControl>(LogRecorderControl::Controls{ui.StartLog, ui.STLog}, *m_session, this);
}

QList<QByteArray> TForm1::createMacroSide() {
    Ui::TForm1 &ui = *m_ui;
    m_macros = std::make_unique<MacroPanel>(
        MacroPanel::Controls{ui.MainPanel, ui.StaticText1, ui.STListName, ui.ListNameEDT, ui.CBLists, ui.EditAllCmd,
                             ui.DelList, ui.SaveF, ui.ListDec, ui.ListInc, ui.RBName, ui.RbData},
        [session = m_session.get()] { return session->fileSendMode(); }, this);
    // Every control the layout rule places, with its rule: the one table.
    using windowlayout::Rule;
    QList<windowlayout::Placement> placed{
        {ui.Panel1, {Rule::TopBar}},
        {ui.LogPanel, {Rule::LogBar}},
        {ui.MainPanel, {Rule::Block}},
        {ui.MainWindow, {Rule::LogMemo}},
        {ui.SecondWindow, {Rule::Block}},
        {ui.STLog, {Rule::Stretch}},
        {ui.MainStrCmd, {Rule::CommandLine}},
        {ui.STListName, {Rule::ListCaption}},
        {ui.ListNameEDT, {Rule::Stretch}},
        {ui.CBLists, {Rule::Stretch}},
        {ui.AddStrCmd, {Rule::TailLine}},
        {ui.ButtonReadFile, {Rule::FileButton}},
        {ui.FastOldCmd, {Rule::HistoryDropDown}},
        {ui.OldCmdList, {Rule::HistoryList}},
        {ui.LBTail, {Rule::UnderTailLine}},
        {ui.StaticText3, {Rule::UnderTailLine}},
        {ui.StaticText1, {Rule::EditorBanner}},
        {ui.PStats, {Rule::Statistics}},
    };
    const QList<QWidget *> movingWithTheRightEdge{
        ui.FiltrLog,  ui.Srift,      ui.BTPalitra,     ui.BTLog,      ui.StartLog, ui.StartStop, ui.BtInfo,
        ui.SendStart, ui.LPlus,      ui.SaveF,         ui.Str1,       ui.Str2,     ui.ListInc,   ui.ListDec,
        ui.DelList,   ui.EditAllCmd, ui.OldCommandsBT, ui.ButtonSend, ui.RBName,   ui.RbData};
    for (QWidget *moving : movingWithTheRightEdge)
        placed.append({moving, {Rule::MoveRight}});
    placed.append(m_macros->gridControls());
    m_arrangement = std::make_unique<WindowArrangement>(
        WindowArrangement::Controls{ui.MainWindow, ui.SecondWindow, ui.MainPanel, ui.LogPanel, ui.InputMode,
                                    ui.FastOldCmd, ui.OldCmdList, ui.LBTail, ui.BTPalitra, ui.BtInfo},
        placed, [session = m_session.get()] { return session->fileSendMode(); }, this);
    m_history = std::make_unique<HistoryInput>(
        HistoryInput::Controls{ui.FastOldCmd, ui.LBTail, ui.Str1, ui.Str2, ui.OldCommandsBT}, this);
    return m_history->load();
}

void TForm1::createPortSide(core::PortDirectory portDirectory) {
    Ui::TForm1 &ui = *m_ui;
    m_connection = std::make_unique<ConnectionControl>(
        ConnectionControl::Controls{ui.ComPort, ui.BaudRate, ui.ComBits, ui.ComStopBits, ui.BTConnect, ui.BTRescan,
                                    ui.AutoConnect, ui.SendAsReconn},
        std::move(portDirectory), *m_session, this);
    m_transmit = std::make_unique<TransmitLine>(
        TransmitLine::Controls{ui.MainStrCmd, ui.AddStrCmd, ui.ButtonSend, ui.RBASCII, ui.RBHEX}, *m_session, this);
    m_sendModes = std::make_unique<SendModesPanel>(
        SendModesPanel::Controls{ui.RBManual, ui.RBAfterAns, ui.RBSel, ui.RBPeriod, ui.PeriodTX, ui.CiklSend,
                                 ui.ButtonReadFile, ui.SendStart, ui.OldCmdList},
        *m_session, this);
    m_receive = std::make_unique<ReceivePath>(ReceivePath::Controls{ui.TimeOutRx, ui.TimeOutAns}, *m_session, this);
    m_line = std::make_unique<LineControls>(*m_session, this);
}

TForm1::~TForm1() {
    if (m_sessionEnded)
        modal::setUnattended(false);
}

void TForm1::connectSubsystems() {
    session::TerminalSession *session = m_session.get();
    connect(session, &session::TerminalSession::logLine, m_logView.get(), &LogView::showLine);
    connect(m_logView.get(), &LogView::timeStampsChanged, session, &session::TerminalSession::setTimeStamps);
    connect(m_logView.get(), &LogView::filterChanged, session, &session::TerminalSession::setLogFilter);
    connect(session, &session::TerminalSession::received, m_plot.get(), &PlotWindow::takeReceived);
    connect(session, &session::TerminalSession::commandSent, m_history.get(), &HistoryInput::remember);

    connect(m_sendModes.get(), &SendModesPanel::showInCommandLine, m_transmit.get(), &TransmitLine::showInCommandLine);
    connect(m_sendModes.get(), &SendModesPanel::focusCommandLine, m_transmit.get(), &TransmitLine::focusCommandLine);
    connect(m_sendModes.get(), &SendModesPanel::focusSendButton, m_transmit.get(), &TransmitLine::focusSendButton);
    connect(m_macros.get(), &MacroPanel::macroChosen, m_sendModes.get(), &SendModesPanel::takeMacroCommand);
    connect(m_sendModes.get(), &SendModesPanel::fileModeChanged, m_macros.get(), &MacroPanel::showCommandFile);
    connect(m_sendModes.get(), &SendModesPanel::fileModeChanged, m_arrangement.get(),
            &WindowArrangement::FormCanResize);
    connect(m_transmit.get(), &TransmitLine::commandLineDownReleased, m_history.get(), &HistoryInput::MainStrCmdKeyUp);
    connect(m_transmit.get(), &TransmitLine::tailDownReleased, m_history.get(), &HistoryInput::AddStrCmdKeyUp);
    connect(m_history.get(), &HistoryInput::commandPicked, m_transmit.get(), &TransmitLine::setCommandText);
    connect(m_history.get(), &HistoryInput::tailPicked, m_transmit.get(), &TransmitLine::setTailText);
    connect(m_history.get(), &HistoryInput::commandDropDownClosed, m_transmit.get(), &TransmitLine::focusCommandLine);
    connect(m_history.get(), &HistoryInput::tailDropDownClosed, m_transmit.get(), &TransmitLine::focusTail);
    connect(m_macros.get(), &MacroPanel::editorModeChanged, m_logRecorder.get(),
            &LogRecorderControl::setEditorModeActive);
    connect(m_macros.get(), &MacroPanel::editorModeChanged, m_history.get(), &HistoryInput::setEditorModeActive);
    connect(m_macros.get(), &MacroPanel::editorModeChanged, m_sendModes.get(), &SendModesPanel::setEditorModeActive);
    // Moving the pointer over the rest of the window empties the description
    // panel.
    auto *pointerWatch = new PointerWatch({m_ui->OldCommandsBT, m_ui->ButtonReadFile, m_ui->SendStart, m_ui->ButtonSend,
                                           m_ui->MainStrCmd, m_ui->AddStrCmd, m_ui->LogPanel, m_ui->SecondWindow,
                                           m_ui->MainWindow, m_ui->Panel1, m_ui->MainPanel},
                                          this);
    connect(pointerWatch, &PointerWatch::overBackground, m_macros.get(), &MacroPanel::ClearHelp);
    WindowArrangement *arrangement = m_arrangement.get();
    connect(arrangement, &WindowArrangement::fieldColoursChanged, m_logView.get(), &LogView::paintFields);
    connect(arrangement, &WindowArrangement::fieldColoursChanged, m_transmit.get(), &TransmitLine::paintFields);
    connect(arrangement, &WindowArrangement::fieldColoursChanged, m_history.get(), &HistoryInput::paintFields);
    connect(arrangement, &WindowArrangement::fieldColoursChanged, m_sendModes.get(), &SendModesPanel::paintFields);
    connect(m_sendModes.get(), &SendModesPanel::cyclicOptionsChanged, m_housekeeping.get(),
            &Housekeeping::CustomFunctionsTimer);

    connect(m_housekeeping.get(), &Housekeeping::beat, m_history.get(),
            [this] { m_history->fitDropDown(m_transmit->commandLineWidth()); });
    connect(m_housekeeping.get(), &Housekeeping::beat, m_logView.get(), &LogView::limitRows);
    connect(m_housekeeping.get(), &Housekeeping::beat, session, &session::TerminalSession::rearmCyclicPeriod);
}

void TForm1::attachPortErrorWindow(TOpenPortError *window) { m_transmit->attachPortErrorWindow(window); }

void TForm1::attachMacroWindows(TFormEditHelpCmd *editor, TSave *savePrompt) {
    m_macros->attachMacroWindows(editor, savePrompt);
}

void TForm1::attachInfoWindow(TInfo *window) { m_arrangement->attachInfoWindow(window); }

const macros::MacroStore &TForm1::macroStore() const { return m_macros->store(); }

core::TerminalState TForm1::terminalState() const {
    core::TerminalState state;
    state.PortOpen = m_session->isOpen();
    state.TxTotal = m_session->traffic().TxTotal;
    state.RxTotal = m_session->traffic().RxTotal;
    state.RxLen = m_session->buffered();
    state.PacketGap = m_session->packetGap();
    state.FileSendMode = m_session->fileSendMode();
    state.SendBusy = m_session->sendBusy();
    state.RxBusy = m_session->rxBusy();
    state.LogRecording = m_session->logRecorder().recording();
    state.LogFileOpen = m_session->logRecorder().fileOpen();
    state.LogFileName = m_session->logRecorder().fileName();
    state.FontSize = m_logView->fontSize();
    state.CurrentList = m_macros->currentList();
    state.SelectedCommand = m_sendModes->selectedCommand();
    return state;
}

void TForm1::setLineCalls(core::LineCalls &calls) { m_session->setLineCalls(calls); }

void TForm1::SendPortData(const QByteArray &command) { m_session->SendPortData(command); }

void TForm1::closeEvent(QCloseEvent *event) {
    if (!m_sessionEnded && !m_macros->closeAllowed()) {
        event->ignore();
        return;
    }
    // The session may have ended while the save question was open: the
    // files are written then.
    if (!m_sessionEnded)
        FormClose();
    event->accept();
}

void TForm1::endSession() {
    // A window closed already has saved what it had.
    if (m_sessionEnded || !isVisible())
        return;
    m_sessionEnded = true;
    modal::setUnattended(true);
    m_macros->keepUnsaved();
    FormClose();
    close();
    // Modal windows open at that moment end too.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void TForm1::FormClose() {
    m_history->save();
    m_logRecorder->close();
    m_plot->close();
    m_share->close();
}

void TForm1::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_arrangement->windowResized();
    m_housekeeping->CustomFunctionsTimer();
}

} // namespace ui
