#pragma once

#include "ui/LogRows.h"
#include "ui/LogViewAppend.h"

#include <QObject>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPoint;
class QPushButton;

// The log window: sent and received lines, time-stamped on request and
// filtered, the frozen view and clearing.
class LogView : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPlainTextEdit *MainWindow, *SecondWindow;
        QLineEdit *FiltrLog;
        QCheckBox *VisTime;
        QPushButton *BTLog, *StartStop;
    };
    LogView(const Controls &controls, QObject *parent);

    // The echo of a sent packet and the text of a received one.
    void showSent(const QByteArray &text);
    void showReceived(const QByteArray &text);
    // Empties the log once it shows more rows than it may keep; new rows are
    // looked at once per frame.
    void limitRows();

signals:
    // A line that passed the filter and is shown: the log file takes it.
    void lineShown(const QByteArray &line);

private:
    void putLogLine(const QByteArray &text, char mark);
    void showContextMenu(const QPoint &at);
    void BTLogClick();
    void StartStopClick();

    Controls m_controls;
    LogAppender m_appender;
    LogRowCounter m_rows;
    FrameThrottle m_rowsCheck{[this] { limitRows(); }};
    bool m_frozen = false; // shown in StartStop's tag and caption
};
