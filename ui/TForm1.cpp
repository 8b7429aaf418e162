#include "ui/TForm1.h"

#include "core/Cp1251.h"
#include "rx/PacketGapSteps.h"
#include "ui/MacroGrid.h"
#include "ui/ModalSeam.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTime>

#include <limits>

namespace {

const QString kHistoryFileName = QStringLiteral("OldCmd");

// Distances of the design arrangement that the window keeps when its height
// changes: the log memos stretch, the two lower panels stay at the bottom.
constexpr int kMemoTop = 28;
constexpr int kMemoBottomMargin = 770 - 410;
constexpr int kMainPanelBottomMargin = 14;

} // namespace

TForm1::TForm1(PortDirectory portDirectory, QWidget *parent)
    : QWidget(parent), portDirectory_(std::move(portDirectory)) {
    ui.setupUi(this);
    createMacroControls();

    RxTimer.setSingleShot(true);
    RxTimer.setTimerType(Qt::PreciseTimer);
    TimerPeriod.setInterval(1);
    TimerPeriod.setTimerType(Qt::PreciseTimer);
    CheckConnect.setInterval(1000);
    CustomFunctions.setSingleShot(true);
    logFlushTimer_.setSingleShot(true);
    logFlushTimer_.setInterval(1000);

    FormCreate();
    connectHandlers();
    CheckConnect.start();
    CustomFunctionsTimer();
}

TForm1::~TForm1() = default;

void TForm1::createMacroControls() {
    QFont bold = ui.MainPanel->font();
    bold.setBold(true);
    for (int k = 1; k <= macrogrid::kMacroCount; ++k) {
        const QRect place = macrogrid::designRect(k);
        auto *button = new QPushButton(ui.MainPanel);
        button->setObjectName(QStringLiteral("Button%1").arg(k));
        button->setGeometry(place);
        button->setFont(bold);
        auto *edit = new QLineEdit(ui.MainPanel);
        edit->setObjectName(QStringLiteral("Edit%1").arg(k));
        edit->setGeometry(place);
        edit->setFont(bold);
        edit->setMaxLength(50);
        edit->hide();
        CmdButtons[k - 1] = button;
        CmdEdits[k - 1] = edit;
    }
    // The drop-down lists open over the macro grid.
    ui.OldCmdList->raise();
    ui.FastOldCmd->raise();
    ui.LBTail->raise();
}

void TForm1::connectHandlers() {
    connect(ui.BTConnect, &QPushButton::clicked, this, &TForm1::BTConnectClick);
    connect(ui.BTRescan, &QPushButton::clicked, this, &TForm1::BTRescanClick);
    connect(&CheckConnect, &QTimer::timeout, this, &TForm1::CheckConnectTimer);
    connect(&CustomFunctions, &QTimer::timeout, this, &TForm1::CustomFunctionsTimer);
    // New rows are looked at on the housekeeping beat, not once per line.
    connect(ui.MainWindow->document(), &QTextDocument::blockCountChanged, m_logRowsChanged.context(),
            [this] { m_logRowsChanged.request(); });
    connect(ui.CiklSend, &QCheckBox::toggled, this, &TForm1::CustomFunctionsTimer);
    connect(ui.RBPeriod, &QRadioButton::toggled, this, &TForm1::CustomFunctionsTimer);

    connect(ui.ButtonSend, &QPushButton::clicked, this, &TForm1::ButtonSendClick);
    ui.MainStrCmd->installEventFilter(this);
    ui.AddStrCmd->installEventFilter(this);

    connect(&port_, &SerialPortAccess::readable, this, [this] {
        // New bytes are looked at on the next millisecond tick, as a poll
        // every millisecond would.
        if (!RxTimer.isActive() || RxTimer.remainingTime() > 1)
            RxTimer.start(1);
    });
    connect(&RxTimer, &QTimer::timeout, this, &TForm1::RxTimerTimer);
    connect(ui.TimeOutRx, &UpDown::clicked, this, &TForm1::TimeOutRxClick);
    connect(ui.BTLog, &QPushButton::clicked, this, &TForm1::BTLogClick);
    connect(ui.StartStop, &QPushButton::clicked, this, &TForm1::StartStopClick);
    connect(ui.BTClrStat, &QPushButton::clicked, this, &TForm1::BTClrStatClick);
    connect(ui.RBASCII, &QRadioButton::clicked, this, &TForm1::RBASCIIClick);
    connect(ui.RBHEX, &QRadioButton::clicked, this, &TForm1::RBHEXClick);
    connect(ui.StartLog, &QPushButton::clicked, this, &TForm1::StartLogClick);
    connect(&logFlushTimer_, &QTimer::timeout, this, &TForm1::flushLogFile);

    connectMacroHandlers();
    connectSendModeHandlers();
    connectHistoryHandlers();
    connectLayoutHandlers();
}

void TForm1::FormCreate() {
    BTClrStatClick();

    // The openers of the two drop-downs show a down arrow.
    for (QLabel *opener : {ui.Str1, ui.Str2}) {
        opener->setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        opener->setText(QStringLiteral("\u2193"));
    }

    state.RxLen = 0;
    framing_.LastRxTime = 0;
    state.PacketGap = 0;
    state.RxTotal = 0;
    state.TxTotal = 0;
    state.FontSize = ui.MainWindow->font().pointSize();

    ui.MainWindow->clear();
    // The log is read-only: keeping an undo history of every line would only
    // cost memory and time.
    ui.MainWindow->setUndoRedoEnabled(false);

    const QColor face = palette().color(QPalette::Window);
    for (QWidget *field : std::initializer_list<QWidget *>{ui.MainWindow, ui.MainStrCmd, ui.AddStrCmd,
                                                           ui.FastOldCmd, ui.LBTail, ui.CBLists}) {
        QPalette colours = field->palette();
        colours.setColor(QPalette::Base, face);
        colours.setColor(QPalette::Button, face);
        field->setPalette(colours);
    }

    DescriptionLines = macrogrid::makeDescriptionLines(ui.MainPanel, ui.StaticText1);
    captureStartupLayout();

    state.SendBusy = false;
    state.RxBusy = false;

    for (int k = 1; k <= macrogrid::kMacroCount; ++k) {
        CmdButtons[k - 1]->setProperty("tag", k);
        CmdEdits[k - 1]->setProperty("tag", k);
    }

    ui.BTConnect->setFocus();

    state.FileSendMode = false;
    state.LogFileOpen = false;
    state.LogRecording = false;

    ui.TimeOutAns->setText(rx::PacketGapReadout(state.PacketGap));

    setUpMacros();

    if (!sentHistory_.loadOrCreate(kHistoryFileName))
        modal::reportFileError(this, kHistoryFileName, sentHistory_.errorString());
    for (const QByteArray &command : sentHistory_.texts()) {
        const QString text = cp1251::toUnicode(command);
        ui.OldCmdList->addItem(text);
        ui.FastOldCmd->addItem(text);
    }
    // Pasted commands are taken whole: neither field has a length limit.
    for (QLineEdit *field : {ui.MainStrCmd, ui.AddStrCmd})
        field->setMaxLength(std::numeric_limits<int>::max());

    setUpLineSettingLists();
    state.ScanSilent = true;
    ScanComPorts();
    state.ScanSilent = false;
    state.PortOpen = false;

    OutHelpHelp();
}

void TForm1::closeEvent(QCloseEvent *event) {
    if (!macroCloseAllowed()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::FormClose() {
    if (!sentHistory_.saveIfPresent(kHistoryFileName))
        modal::reportFileError(this, kHistoryFileName, sentHistory_.errorString());
    if (state.LogFileOpen) {
        logFlushTimer_.stop();
        if (!logFile_.close())
            modal::reportFileError(this, state.LogFileName, logFile_.errorString());
        state.LogFileOpen = false;
        state.LogRecording = false;
    }
}

// Housekeeping. A fixed 10 ms beat would cost more CPU than everything else
// of an idle terminal together, so it runs when one of its inputs can have
// changed (a log line added, the window resized, the period options changed)
// and at every turn of the second for the clock.
void TForm1::CustomFunctionsTimer() {
    ui.FastOldCmd->resize(ui.MainStrCmd->width(), ui.FastOldCmd->height());
    // Rows as the log shows them at its width: a wrapped line counts once
    // per row, also while the paused log is hidden and never laid out.
    if (m_logRows.rows(*ui.MainWindow) > 5000)
        ui.MainWindow->clear();
    const QString now = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    if (ui.TextTime->text() != now)
        ui.TextTime->setText(now);
    rearmCyclicPeriod();
    CustomFunctions.start(1000 - QTime::currentTime().msec());
}

void TForm1::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    FormCanResize();
    placeVertically();
    CustomFunctionsTimer();
}

void TForm1::placeVertically() {
    const int clientHeight = height();
    const int memoHeight = std::max(0, clientHeight - kMemoTop - kMemoBottomMargin);
    for (QWidget *memo : {static_cast<QWidget *>(ui.MainWindow), static_cast<QWidget *>(ui.SecondWindow)})
        memo->resize(memo->width(), memoHeight);
    const int mainPanelTop = clientHeight - kMainPanelBottomMargin - ui.MainPanel->height();
    ui.MainPanel->move(ui.MainPanel->x(), mainPanelTop);
    ui.LogPanel->move(ui.LogPanel->x(), mainPanelTop - ui.LogPanel->height());
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == ui.MainStrCmd && MainStrCmdKeyPress(key))
            return true;
        if (watched == ui.AddStrCmd && AddStrCmdKeyPress(key))
            return true;
    }
    if (historyEventFilter(watched, event) || sendModeEventFilter(watched, event) || macroEventFilter(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}
