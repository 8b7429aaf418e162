// The send modes, the period timer and sending from a command file.
#include "ui/TForm1.h"

#include "core/Cp1251.h"
#include "tx/CommandFile.h"
#include "ui/ModalSeam.h"

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>

#include <climits>

namespace {

const QString kReadFileCaption = QStringLiteral("Из файла");
const QString kCloseFileCaption = QStringLiteral("Назад");

} // namespace

void TForm1::connectSendModeHandlers() {
    const std::pair<QRadioButton *, void (TForm1::*)()> modes[] = {
        {ui.RBManual, &TForm1::RBManualClick},
        {ui.RBAfterAns, &TForm1::RBAfterAnsClick},
        {ui.RBSel, &TForm1::RBSelClick},
        {ui.RBPeriod, &TForm1::RBPeriodClick},
    };
    for (const auto &[button, handler] : modes) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked)
                (this->*handler)();
        });
    }
    ui.PeriodTX->installEventFilter(this);
    connect(ui.PeriodTX, &QLineEdit::textChanged, this, &TForm1::schedulePeriodTick);
    connect(ui.ButtonReadFile, &QPushButton::clicked, this, &TForm1::ButtonReadFileClick);
    connect(ui.OldCmdList, &QListWidget::itemClicked, this, &TForm1::OldCmdListClick);
    connect(ui.SendStart, &QPushButton::clicked, this, &TForm1::SendStartClick);
    // The period timer sleeps until the next send can be due instead of
    // beating every millisecond; each tick reads the clock anew.
    TimerPeriod.setSingleShot(true);
    connect(&TimerPeriod, &QTimer::timeout, this, &TForm1::TimerPeriodTimer);
    // The port opens and closes only in these two handlers; connected after
    // them, this looks at the period again once they are done.
    connect(ui.BTConnect, &QPushButton::clicked, this, &TForm1::schedulePeriodTick);
    connect(&CheckConnect, &QTimer::timeout, this, &TForm1::schedulePeriodTick);
}

bool TForm1::sendModeEventFilter(QObject *watched, QEvent *event) {
    if (watched == ui.PeriodTX && event->type() == QEvent::KeyPress)
        return !PeriodTXKeyPress(static_cast<QKeyEvent *>(event)->text());
    return false;
}

tx::SendMode TForm1::currentSendMode() const {
    if (ui.RBAfterAns->isChecked())
        return tx::SendMode::AfterAnswer;
    if (ui.RBSel->isChecked())
        return tx::SendMode::OnSelect;
    if (ui.RBPeriod->isChecked())
        return tx::SendMode::Period;
    return tx::SendMode::Manual;
}

tx::SendInputs TForm1::sendInputs() const {
    return {currentSendMode(), state.FileSendMode,
            state.FileSendMode ? static_cast<quint32>(ui.OldCmdList->count()) : 0u, ui.CiklSend->isChecked()};
}

void TForm1::applySendMode(tx::SendMode mode) {
    const tx::SendModeControls controls = tx::ControlsForMode(mode);
    ui.OldCmdList->setEnabled(controls.commandListEnabled);
    ui.SendStart->setEnabled(controls.sendStartEnabled);
    ui.CiklSend->setEnabled(controls.cyclicEnabled);
    if (controls.enablesPeriodTimer)
        m_sendSequencer.enablePeriodTimer();
    schedulePeriodTick();
}

void TForm1::RBManualClick() { applySendMode(tx::SendMode::Manual); }

void TForm1::RBAfterAnsClick() { applySendMode(tx::SendMode::AfterAnswer); }

void TForm1::RBSelClick() { applySendMode(tx::SendMode::OnSelect); }

void TForm1::RBPeriodClick() { applySendMode(tx::SendMode::Period); }

bool TForm1::PeriodTXKeyPress(const QString &typed) { return tx::PeriodKeyAllowed(typed); }

void TForm1::ButtonReadFileClick() {
    if (ui.ButtonReadFile->property("tag").toInt() != 0) {
        closeCommandFile();
        return;
    }
    // Qt's own dialog, which leaves the working directory alone: the data
    // files and the log stay where the program started.
    QFileDialog OpenDialog1(this);
    OpenDialog1.setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1.setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1.setFileMode(QFileDialog::ExistingFile);
    OpenDialog1.setDirectory(m_commandFileDir.isEmpty() ? QDir::currentPath() : m_commandFileDir);
    QString chosen;
    connect(&OpenDialog1, &QFileDialog::fileSelected, &OpenDialog1, [&chosen](const QString &file) { chosen = file; });
    modal::exec(OpenDialog1, OpenDialog1.objectName());
    if (chosen.isEmpty())
        return;
    m_commandFileDir = QFileInfo(chosen).absolutePath();
    loadCommandFile(QFileInfo(chosen).absoluteFilePath());
}

void TForm1::loadCommandFile(const QString &path) {
    ui.ButtonReadFile->setProperty("tag", 1);
    ui.ButtonReadFile->setText(kCloseFileCaption);
    state.FileSendMode = true;
    m_sendSequencer.fileLoaded();
    for (QWidget *control : std::initializer_list<QWidget *>{ui.CBLists, ui.RBName, ui.RbData, ui.EditAllCmd})
        control->hide();
    m_listNameHint = ui.STListName->toolTip();
    ui.STListName->setToolTip(QString());
    // The caption stretches to the file-open button while a file is shown.
    FormCanResize();
    ui.STListName->setText(QDir::toNativeSeparators(path));
    ui.STListName->show();
    ui.CiklSend->setEnabled(tx::ControlsForMode(currentSendMode()).cyclicEnabled);
    ui.CiklSend->show();
    ui.OldCmdList->setEnabled(true);
    ui.OldCmdList->show();
    ui.OldCmdList->raise();
    ui.SendStart->show();

    ui.OldCmdList->clear();
    tx::CommandFile file;
    const bool read = file.read(path);
    for (const QByteArray &line : file.lines())
        ui.OldCmdList->addItem(cp1251::toUnicode(line));
    if (!read)
        modal::reportFileError(this, path, file.errorString());
    else if (file.reachedLimit())
        modal::inform(this, tx::kBigFileNotice);
}

void TForm1::closeCommandFile() {
    ui.ButtonReadFile->setProperty("tag", 0);
    ui.ButtonReadFile->setText(kReadFileCaption);
    state.FileSendMode = false;
    FormCanResize();
    ui.STListName->setText(m_macroStore.listName(state.CurrentList));
    ui.STListName->setToolTip(m_listNameHint);
    ui.OldCmdList->clear();
    for (QWidget *control : std::initializer_list<QWidget *>{ui.OldCmdList, ui.CiklSend, ui.STListName, ui.SendStart})
        control->hide();
    for (QWidget *control : std::initializer_list<QWidget *>{ui.EditAllCmd, ui.CBLists, ui.RBName, ui.RbData})
        control->show();
}

QByteArray TForm1::fileLine(quint32 index) const {
    const QListWidgetItem *item = ui.OldCmdList->item(static_cast<int>(index));
    return item ? cp1251::fromUnicode(item->text()) : QByteArray();
}

void TForm1::OldCmdListClick() {
    const QListWidgetItem *item = ui.OldCmdList->currentItem();
    if (!item)
        return;
    ui.OldCmdList->setEnabled(false);
    state.SelectedCommand = cp1251::fromUnicode(item->text());
    if (currentSendMode() == tx::SendMode::OnSelect)
        SendPortData(state.SelectedCommand);
    else
        ui.MainStrCmd->setText(item->text());
    ui.OldCmdList->setEnabled(true);
    ui.MainStrCmd->setFocus();
}

void TForm1::SendStartClick() { StartSendCommands(); }

void TForm1::StartSendCommands() {
    carryOut(m_sendSequencer.startSendCommands(sendInputs()));
    schedulePeriodTick();
}

void TForm1::TimerPeriodTimer() {
    carryOut(m_sendSequencer.periodTick(sendInputs(), ui.PeriodTX->text(), state.PortOpen));
    schedulePeriodTick();
}

void TForm1::schedulePeriodTick() {
    const std::optional<qint64> delay =
        m_sendSequencer.nextTickDelayMs(currentSendMode(), ui.PeriodTX->text(), state.PortOpen);
    if (delay)
        TimerPeriod.start(static_cast<int>(std::min<qint64>(*delay, INT_MAX)));
    else
        TimerPeriod.stop();
}

void TForm1::rearmCyclicPeriod() {
    if (m_sendSequencer.rearmCyclic(ui.CiklSend->isChecked(), currentSendMode()))
        schedulePeriodTick();
}

void TForm1::carryOut(const tx::SendStep &step) {
    if (step.what == tx::SendStep::What::CommandLine)
        SendPortData(commandLine());
    else if (step.what == tx::SendStep::What::FileLine)
        SendPortData(fileLine(step.line));
    if (step.stopTimer) {
        TimerPeriod.stop();
        // Housekeeping switches the timer on again for cyclic sending; it
        // does not wait for its next run.
        QTimer::singleShot(0, this, &TForm1::rearmCyclicPeriod);
    }
    if (step.allSentNotice)
        modal::inform(this, tx::kAllSentNotice);
}

void TForm1::AfterAnswerSend() {
    // Only an answer that is complete (nothing more waiting) asks for the
    // next command. The port is asked only in that mode: this runs for every
    // line received.
    const tx::SendInputs inputs = sendInputs();
    const bool moreWaiting = inputs.mode == tx::SendMode::AfterAnswer && port_.bytesWaiting() != 0;
    carryOut(m_sendSequencer.afterAnswer(inputs, moreWaiting));
}

void TForm1::CheckSendDataAftConnect() {
    if (state.FileSendMode)
        StartSendCommands();
    else
        SendPortData(commandLine());
}
