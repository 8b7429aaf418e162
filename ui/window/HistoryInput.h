#pragma once

#include "tx/SentHistory.h"

#include <QObject>

class QLabel;
class QLineEdit;
class QListWidget;
class QWidget;

// The history of sent commands and the two drop-downs under the command line
// and the tail string: the history and the checksum tokens.
class HistoryInput : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLineEdit *MainStrCmd, *AddStrCmd;
        QListWidget *FastOldCmd, *LBTail;
        QLabel *Str1, *Str2;
    };
    HistoryInput(const Controls &controls, QWidget *window);

    // Reads the history file (reporting a failure) and returns its commands,
    // newest first.
    QList<QByteArray> load();
    // Writes it back at the end of the run.
    void save();
    void remember(const QByteArray &command) { m_history.add(command); }
    // The history drop-down keeps the command line's width.
    void fitDropDown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void downReleased(QObject *watched);
    void focusLeft(QObject *watched, Qt::FocusReason reason);
    void ReadOldCmd();
    void MainStrCmdKeyUp();
    void Str1Click() { MainStrCmdKeyUp(); }
    bool FastOldCmdKeyPress(int key);
    void FastOldCmdExit();
    void AddStrCmdKeyUp();
    void Str2Click() { AddStrCmdKeyUp(); }
    bool LBTailKeyPress(int key);
    void LBTailExit();

    Controls m_controls;
    QWidget *m_window;
    tx::SentHistory m_history;
};
