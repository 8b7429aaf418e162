#pragma once

#include "tx/SendModes.h"

#include <QObject>

class QCheckBox;
class QColor;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;
namespace session {
class TerminalSession;
}

namespace ui {

// The four send modes' controls, the period field and the command file's
// list; the session sequences the sending.
class SendModesPanel : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QRadioButton *RBManual, *RBAfterAns, *RBSel, *RBPeriod;
        QLineEdit *PeriodTX;
        QCheckBox *CiklSend;
        QPushButton *ButtonReadFile, *SendStart;
        QListWidget *OldCmdList;
    };
    SendModesPanel(const Controls &controls, session::TerminalSession &session, QWidget *window);

    const QByteArray &selectedCommand() const { return m_selectedCommand; }

    // The command list shows these until a command file is loaded.
    void showCommands(const QList<QByteArray> &commands);
    // A macro's command: sent at once in "При выборе", otherwise put into
    // the command line.
    void takeMacroCommand(const QByteArray &command);

    // Editor mode was entered (true) or left.
    void setEditorModeActive(bool active);
    // The colour cycle's colours for the command list.
    void paintFields(const QColor &background, const QColor &text);

signals:
    // A chosen command goes into the command line; the focus goes to the
    // command line or to the send button.
    void showInCommandLine(const QByteArray &command);
    void focusCommandLine();
    void focusSendButton();
    // A command file was loaded (caption: its path as shown) or closed.
    void fileModeChanged(bool loaded, const QString &caption);
    // The cyclic sending options changed: housekeeping looks at them at once.
    void cyclicOptionsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The mode as the radio buttons are checked; the session has it from
    // every change on.
    tx::SendMode currentSendMode() const;
    // The mode and the cyclic option as checked now go to the session.
    void takeSendOptions();
    void applySendMode(tx::SendMode mode);
    void RBManualClick() { applySendMode(tx::SendMode::Manual); }
    void RBAfterAnsClick() { applySendMode(tx::SendMode::AfterAnswer); }
    void RBSelClick() { applySendMode(tx::SendMode::OnSelect); }
    void RBPeriodClick() { applySendMode(tx::SendMode::Period); }
    // Returns whether the typed text may go into the period field.
    bool PeriodTXKeyPress(const QString &typed) { return tx::periodKeyAllowed(typed); }
    void ButtonReadFileClick();
    void loadCommandFile(const QString &path);
    void closeCommandFile();
    void setFileSendMode(bool loaded, const QString &caption);
    void OldCmdListClick();
    void SendStartClick();
    // Shown from the event loop: the session may be inside its poll.
    void showNotice(const QString &text);

    Controls m_controls;
    session::TerminalSession &m_session;
    QWidget *m_window;
    QByteArray m_selectedCommand;
    // The commands the list shows while no command file is loaded.
    QList<QByteArray> m_listedCommands;
    QString m_commandFileDir;
};

} // namespace ui
