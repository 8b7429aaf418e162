#pragma once

#include "tx/SendModes.h"

#include <QObject>
#include <QTimer>

class ConnectionControl;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;
class TransmitLine;

// The four send modes, the period timer and sending from a command file.
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
    SendModesPanel(const Controls &controls, ConnectionControl &connection, TransmitLine &transmit, QWidget *window);

    bool fileSendMode() const { return m_fileSendMode; }
    const QByteArray &selectedCommand() const { return m_selectedCommand; }

    // The command list shows these until a command file is loaded.
    void showCommands(const QList<QByteArray> &commands);
    // A macro's command: sent at once in "При выборе", otherwise put into
    // the command line.
    void takeMacroCommand(const QByteArray &command);
    // A complete answer was shown.
    void AfterAnswerSend();
    // The port has just been opened with "Отправить при соединении" checked.
    void CheckSendDataAftConnect();
    // The port may have opened or closed: the period is looked at again.
    void schedulePeriodTick();
    // Housekeeping's step for cyclic periodic sending of a file.
    void rearmCyclicPeriod();

signals:
    // A command file was loaded (caption: its path as shown) or closed.
    void fileModeChanged(bool loaded, const QString &caption);
    // The cyclic sending options changed: housekeeping looks at them at once.
    void cyclicOptionsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    tx::SendMode currentSendMode() const;
    tx::SendInputs sendInputs() const;
    void applySendMode(tx::SendMode mode);
    void RBManualClick() { applySendMode(tx::SendMode::Manual); }
    void RBAfterAnsClick() { applySendMode(tx::SendMode::AfterAnswer); }
    void RBSelClick() { applySendMode(tx::SendMode::OnSelect); }
    void RBPeriodClick() { applySendMode(tx::SendMode::Period); }
    // Returns whether the typed text may go into the period field.
    bool PeriodTXKeyPress(const QString &typed) { return tx::PeriodKeyAllowed(typed); }
    void ButtonReadFileClick();
    void loadCommandFile(const QString &path);
    void closeCommandFile();
    void setFileSendMode(bool loaded, const QString &caption);
    void OldCmdListClick();
    void SendStartClick() { StartSendCommands(); }
    void StartSendCommands();
    void TimerPeriodTimer();
    void carryOut(const tx::SendStep &step);
    QByteArray fileLine(quint32 index) const;

    Controls m_controls;
    ConnectionControl &m_connection;
    TransmitLine &m_transmit;
    QWidget *m_window;
    tx::SendSequencer m_sequencer;
    QTimer m_timerPeriod;
    bool m_fileSendMode = false; // shown in ButtonReadFile's tag and caption
    QByteArray m_selectedCommand;
    QString m_commandFileDir;
};
