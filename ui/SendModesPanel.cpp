#include "ui/SendModesPanel.h"

#include "core/Cp1251.h"
#include "core/FixedTexts.h"
#include "tx/CommandFile.h"
#include "ui/ConnectionControl.h"
#include "ui/ModalSeam.h"
#include "ui/ModeVisibility.h"
#include "ui/TransmitLine.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <climits>

namespace {

const QString kReadFileCaption = QStringLiteral("Из файла");

} // namespace

SendModesPanel::SendModesPanel(const Controls &controls, ConnectionControl &connection, TransmitLine &transmit,
                               QWidget *window)
    : QObject(window), m_controls(controls), m_connection(connection), m_transmit(transmit), m_window(window) {
    // Housekeeping looks at the cyclic options before the mode handlers run.
    connect(m_controls.CiklSend, &QCheckBox::toggled, this, &SendModesPanel::cyclicOptionsChanged);
    connect(m_controls.RBPeriod, &QRadioButton::toggled, this, &SendModesPanel::cyclicOptionsChanged);
    const std::pair<QRadioButton *, void (SendModesPanel::*)()> modes[] = {
        {m_controls.RBManual, &SendModesPanel::RBManualClick},
        {m_controls.RBAfterAns, &SendModesPanel::RBAfterAnsClick},
        {m_controls.RBSel, &SendModesPanel::RBSelClick},
        {m_controls.RBPeriod, &SendModesPanel::RBPeriodClick},
    };
    for (const auto &[button, handler] : modes) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked)
                (this->*handler)();
        });
    }
    m_controls.PeriodTX->installEventFilter(this);
    m_controls.OldCmdList->installEventFilter(this);
    connect(m_controls.PeriodTX, &QLineEdit::textChanged, this, &SendModesPanel::schedulePeriodTick);
    connect(m_controls.ButtonReadFile, &QPushButton::clicked, this, &SendModesPanel::ButtonReadFileClick);
    connect(m_controls.OldCmdList, &QListWidget::itemClicked, this, &SendModesPanel::OldCmdListClick);
    connect(m_controls.SendStart, &QPushButton::clicked, this, &SendModesPanel::SendStartClick);
    // The period timer sleeps until the next send can be due instead of
    // beating every millisecond; each tick reads the clock anew.
    m_timerPeriod.setSingleShot(true);
    m_timerPeriod.setTimerType(Qt::PreciseTimer);
    connect(&m_timerPeriod, &QTimer::timeout, this, &SendModesPanel::TimerPeriodTimer);
}

bool SendModesPanel::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_controls.PeriodTX)
        return !PeriodTXKeyPress(key->text());
    // The arrow keys only move the selection; Enter takes the selected line
    // as a click does.
    if (watched == m_controls.OldCmdList && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        OldCmdListClick();
        return true;
    }
    return false;
}

void SendModesPanel::showCommands(const QList<QByteArray> &commands) {
    for (const QByteArray &command : commands)
        m_controls.OldCmdList->addItem(cp1251::toUnicode(command));
}

tx::SendMode SendModesPanel::currentSendMode() const {
    if (m_controls.RBAfterAns->isChecked())
        return tx::SendMode::AfterAnswer;
    if (m_controls.RBSel->isChecked())
        return tx::SendMode::OnSelect;
    if (m_controls.RBPeriod->isChecked())
        return tx::SendMode::Period;
    return tx::SendMode::Manual;
}

tx::SendInputs SendModesPanel::sendInputs() const {
    return {currentSendMode(), m_fileSendMode,
            m_fileSendMode ? static_cast<quint32>(m_controls.OldCmdList->count()) : 0u,
            m_controls.CiklSend->isChecked(), m_transmit.commandLineEmpty()};
}

void SendModesPanel::applySendMode(tx::SendMode mode) {
    const tx::SendModeControls controls = tx::ControlsForMode(mode);
    m_controls.OldCmdList->setEnabled(controls.commandListEnabled);
    m_controls.SendStart->setEnabled(controls.sendStartEnabled);
    m_controls.CiklSend->setEnabled(controls.cyclicEnabled);
    if (controls.enablesPeriodTimer)
        m_sequencer.enablePeriodTimer();
    schedulePeriodTick();
}

void SendModesPanel::ButtonReadFileClick() {
    if (m_fileSendMode) {
        closeCommandFile();
        return;
    }
    // Qt's own dialog, which leaves the working directory alone: the data
    // files and the log stay where the program started.
    QFileDialog OpenDialog1(m_window);
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

void SendModesPanel::setFileSendMode(bool loaded, const QString &caption) {
    m_fileSendMode = loaded;
    m_controls.ButtonReadFile->setProperty("tag", loaded ? 1 : 0);
    m_controls.ButtonReadFile->setText(loaded ? kBackCaption : kReadFileCaption);
    if (!loaded)
        m_controls.OldCmdList->clear();
    applyModeVisibility(*m_window, macroediting::kFileModeControls, loaded);
    emit fileModeChanged(loaded, caption);
}

void SendModesPanel::loadCommandFile(const QString &path) {
    m_sequencer.fileLoaded();
    setFileSendMode(true, QDir::toNativeSeparators(path));
    m_controls.CiklSend->setEnabled(tx::ControlsForMode(currentSendMode()).cyclicEnabled);
    m_controls.OldCmdList->setEnabled(true);
    m_controls.OldCmdList->raise();

    m_controls.OldCmdList->clear();
    tx::CommandFile file;
    const bool read = file.read(path);
    for (const QByteArray &line : file.lines())
        m_controls.OldCmdList->addItem(cp1251::toUnicode(line));
    if (!read)
        modal::reportFileError(m_window, path, file.errorString());
    else if (file.reachedLimit())
        modal::inform(m_window, tx::kBigFileNotice);
}

void SendModesPanel::closeCommandFile() { setFileSendMode(false, QString()); }

QByteArray SendModesPanel::fileLine(quint32 index) const {
    const QListWidgetItem *item = m_controls.OldCmdList->item(static_cast<int>(index));
    return item ? cp1251::fromUnicode(item->text()) : QByteArray();
}

void SendModesPanel::takeMacroCommand(const QByteArray &command) {
    m_selectedCommand = command;
    if (currentSendMode() == tx::SendMode::OnSelect) {
        m_transmit.SendPortData(m_selectedCommand);
        m_transmit.focusSendButton();
    } else {
        m_transmit.showInCommandLine(m_selectedCommand);
    }
}

void SendModesPanel::OldCmdListClick() {
    const QListWidgetItem *item = m_controls.OldCmdList->currentItem();
    if (!item)
        return;
    m_controls.OldCmdList->setEnabled(false);
    m_selectedCommand = cp1251::fromUnicode(item->text());
    if (currentSendMode() == tx::SendMode::OnSelect)
        m_transmit.SendPortData(m_selectedCommand);
    else
        m_transmit.showInCommandLine(m_selectedCommand);
    m_controls.OldCmdList->setEnabled(true);
    m_transmit.focusCommandLine();
}

void SendModesPanel::StartSendCommands() {
    carryOut(m_sequencer.startSendCommands(sendInputs()));
    schedulePeriodTick();
}

void SendModesPanel::TimerPeriodTimer() {
    carryOut(m_sequencer.periodTick(sendInputs(), m_controls.PeriodTX->text(), m_connection.isOpen(),
                                    m_connection.port().outputPendingMs() > 0));
    schedulePeriodTick();
}

void SendModesPanel::schedulePeriodTick() {
    const std::optional<qint64> delay = m_sequencer.nextTickDelayMs(
        sendInputs(), m_controls.PeriodTX->text(), m_connection.isOpen(), m_connection.port().outputPendingMs());
    if (delay)
        m_timerPeriod.start(static_cast<int>(std::min<qint64>(*delay, INT_MAX)));
    else
        m_timerPeriod.stop();
}

void SendModesPanel::rearmCyclicPeriod() {
    if (m_sequencer.rearmCyclic(m_controls.CiklSend->isChecked(), currentSendMode()))
        schedulePeriodTick();
}

void SendModesPanel::carryOut(const tx::SendStep &step) {
    if (step.what == tx::SendStep::What::CommandLine)
        m_transmit.sendCommandLine();
    else if (step.what == tx::SendStep::What::FileLine)
        m_transmit.SendPortData(fileLine(step.line));
    if (step.stopTimer) {
        m_timerPeriod.stop();
        // Housekeeping switches the timer on again for cyclic sending; it
        // does not wait for its next run.
        QTimer::singleShot(0, this, &SendModesPanel::rearmCyclicPeriod);
    }
    if (step.allSentNotice)
        modal::inform(m_window, tx::kAllSentNotice);
}

void SendModesPanel::AfterAnswerSend() {
    // Only an answer that is complete (nothing more waiting) asks for the
    // next command. The port is asked only in that mode: this runs for every
    // line received.
    const tx::SendInputs inputs = sendInputs();
    const bool moreWaiting =
        inputs.mode == tx::SendMode::AfterAnswer && m_connection.port().bytesWaiting() != 0;
    carryOut(m_sequencer.afterAnswer(inputs, moreWaiting));
}

void SendModesPanel::CheckSendDataAftConnect() {
    if (m_fileSendMode)
        StartSendCommands();
    else
        m_transmit.sendCommandLine();
}
