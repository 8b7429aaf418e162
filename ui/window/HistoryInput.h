#pragma once

#include "tx/SentHistory.h"

#include <QObject>

class QColor;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace ui {

// The history of sent commands and the two drop-downs under the command line
// and the tail string: the history and the checksum tokens. The fields
// themselves are TransmitLine's; a line picked here goes there by signal.
class HistoryInput : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QListWidget *FastOldCmd, *LBTail;
        QLabel *Str1, *Str2;
        QPushButton *OldCommandsBT;
    };
    HistoryInput(const Controls &controls, QWidget *window);

    // Reads the history file (reporting a failure) and returns its commands,
    // newest first.
    QList<QByteArray> load();
    // Writes it back at the end of the run.
    void save();
    void remember(const QByteArray &command) { m_history.add(command); }
    // The history drop-down keeps the command line's width.
    void fitDropDown(int commandLineWidth);
    // Down released in the command line or in the tail string.
    void MainStrCmdKeyUp();
    void AddStrCmdKeyUp();
    // Editor mode was entered (true) or left; the sent-commands button stays
    // hidden once editor mode was used.
    void setEditorModeActive(bool active);
    // The colour cycle's colours for the drop-downs and their openers.
    void paintFields(const QColor &background, const QColor &text);

signals:
    // A line picked from a drop-down, for the command line or the tail.
    void commandPicked(const QString &text);
    void tailPicked(const QString &text);
    // A drop-down closed: its field takes the focus back.
    void commandDropDownClosed();
    void tailDropDownClosed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusLeft(QObject *watched, Qt::FocusReason reason);
    void ReadOldCmd();
    void Str1Click() { MainStrCmdKeyUp(); }
    bool FastOldCmdKeyPress(int key);
    void FastOldCmdExit();
    void Str2Click() { AddStrCmdKeyUp(); }
    bool LBTailKeyPress(int key);
    void LBTailExit();

    Controls m_controls;
    QWidget *m_window;
    tx::SentHistory m_history;
};

} // namespace ui
