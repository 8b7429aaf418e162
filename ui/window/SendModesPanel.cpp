#include "ui/window/SendModesPanel.h"

#include "core/Cp1251.h"
#include "core/FixedTexts.h"
#include "session/TerminalSession.h"
#include "tx/CommandFile.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/widgets/Keys.h"
#include "ui/widgets/PlainText.h"
#include "ui/window/Appearance.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace ui {

namespace {

const QString kReadFileCaption = QStringLiteral("Из файла");

} // namespace

SendModesPanel::SendModesPanel(const Controls &controls, session::TerminalSession &session, QWidget *window)
    : QObject(window), m_controls(controls), m_session(session), m_window(window) {
    // The session has the options as checked before anyone looks at them.
    takeSendOptions();
    m_session.setPeriodText(m_controls.PeriodTX->text());
    for (QAbstractButton *option : std::initializer_list<QAbstractButton *>{
             m_controls.CiklSend, m_controls.RBManual, m_controls.RBAfterAns, m_controls.RBSel, m_controls.RBPeriod})
        connect(option, &QAbstractButton::toggled, this, &SendModesPanel::takeSendOptions);
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
    plaintext::keepOnOneLine(m_controls.PeriodTX);
    m_controls.OldCmdList->installEventFilter(this);
    connect(m_controls.PeriodTX, &QLineEdit::textChanged, &m_session, &session::TerminalSession::setPeriodText);
    connect(m_controls.ButtonReadFile, &QPushButton::clicked, this, &SendModesPanel::ButtonReadFileClick);
    connect(m_controls.OldCmdList, &QListWidget::itemClicked, this, &SendModesPanel::OldCmdListClick);
    connect(m_controls.SendStart, &QPushButton::clicked, this, &SendModesPanel::SendStartClick);
    // Queued: a notice never opens inside the receive poll or a send.
    connect(&m_session, &session::TerminalSession::notice, this, &SendModesPanel::showNotice, Qt::QueuedConnection);
}

void SendModesPanel::takeSendOptions() {
    m_session.setCyclic(m_controls.CiklSend->isChecked());
    m_session.setSendMode(currentSendMode());
}

void SendModesPanel::showNotice(const QString &text) { modal::inform(m_window, text); }

void SendModesPanel::SendStartClick() { m_session.StartSendCommands(); }

bool SendModesPanel::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_controls.PeriodTX)
        return !PeriodTXKeyPress(key->text());
    // The arrow keys only move the selection; Enter takes the selected line
    // as a click does.
    if (watched == m_controls.OldCmdList && isEnterKey(key->key())) {
        OldCmdListClick();
        return true;
    }
    return false;
}

void SendModesPanel::showCommands(const QList<QByteArray> &commands) {
    for (const QByteArray &command : commands)
        m_controls.OldCmdList->addItem(core::cp1251::toUnicode(command));
    m_listedCommands += commands;
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

void SendModesPanel::applySendMode(tx::SendMode mode) {
    const tx::SendModeControls controls = tx::controlsForMode(mode);
    m_controls.OldCmdList->setEnabled(controls.commandListEnabled);
    m_controls.SendStart->setEnabled(controls.sendStartEnabled);
    m_controls.CiklSend->setEnabled(controls.cyclicEnabled);
}

void SendModesPanel::ButtonReadFileClick() {
    if (m_session.fileSendMode()) {
        closeCommandFile();
        return;
    }
    const QString chosen = modal::askFileName(m_window, {.name = QStringLiteral("OpenDialog1")}, m_commandFileDir);
    if (chosen.isEmpty())
        return;
    loadCommandFile(QFileInfo(chosen).absoluteFilePath());
}

void SendModesPanel::setFileSendMode(bool loaded, const QString &caption) {
    m_controls.ButtonReadFile->setProperty("tag", loaded ? 1 : 0);
    m_controls.ButtonReadFile->setText(loaded ? core::kBackCaption : kReadFileCaption);
    if (!loaded) {
        m_controls.OldCmdList->clear();
        m_listedCommands.clear();
    }
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_controls.CiklSend, m_controls.OldCmdList, m_controls.SendStart})
        control->setVisible(loaded);
    emit fileModeChanged(loaded, caption);
}

void SendModesPanel::loadCommandFile(const QString &path) {
    tx::CommandFile file;
    const bool read = file.read(path);
    m_session.loadCommandLines(file.lines());
    setFileSendMode(true, QDir::toNativeSeparators(path));
    m_controls.CiklSend->setEnabled(tx::controlsForMode(m_session.sendMode()).cyclicEnabled);
    m_controls.OldCmdList->setEnabled(true);
    m_controls.OldCmdList->raise();

    m_controls.OldCmdList->clear();
    m_listedCommands.clear();
    for (const QByteArray &line : file.lines())
        m_controls.OldCmdList->addItem(core::cp1251::toUnicode(line));
    if (!read)
        modal::reportFileError(m_window, path, file.errorString());
    else if (file.reachedLimit())
        modal::inform(m_window, tx::kBigFileNotice);
}

void SendModesPanel::closeCommandFile() {
    m_session.closeCommandFile();
    setFileSendMode(false, QString());
}

void SendModesPanel::takeMacroCommand(const QByteArray &command) {
    m_selectedCommand = command;
    if (m_session.sendMode() == tx::SendMode::OnSelect) {
        m_session.SendPortData(m_selectedCommand);
        emit focusSendButton();
    } else {
        emit showInCommandLine(m_selectedCommand);
    }
}

void SendModesPanel::OldCmdListClick() {
    if (!m_controls.OldCmdList->currentItem())
        return;
    m_controls.OldCmdList->setEnabled(false);
    // The row's own bytes, by its place: the text shown is for reading only.
    const QList<QByteArray> &rows = m_session.fileSendMode() ? m_session.commandLines() : m_listedCommands;
    m_selectedCommand = rows.value(m_controls.OldCmdList->currentRow());
    if (m_session.sendMode() == tx::SendMode::OnSelect)
        m_session.SendPortData(m_selectedCommand);
    else
        emit showInCommandLine(m_selectedCommand);
    m_controls.OldCmdList->setEnabled(true);
    emit focusCommandLine();
}

// Editor mode and sending from a file exclude each other.
void SendModesPanel::setEditorModeActive(bool active) { m_controls.ButtonReadFile->setVisible(!active); }

void SendModesPanel::paintFields(const QColor &background, const QColor &text) {
    appearance::paintField(m_controls.OldCmdList, background, text);
}

} // namespace ui
