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

    // A log line of a sent and of a received packet, as the session rendered
    // it (time stamp, filter).
    void showSent(const QByteArray &line);
    void showReceived(const QByteArray &line);
    // Empties the log once it shows more rows than it may keep; new rows are
    // looked at once per frame.
    void limitRows();

signals:
    // A line is shown.
    void lineShown(const QByteArray &line);
    // "TIME + " or the filter changed: lines from now on are rendered so.
    void timeStampsChanged(bool on);
    void filterChanged(const QString &filter);

private:
    void putLogLine(const QByteArray &line);
    void showContextMenu(const QPoint &at);
    void BTLogClick();
    void StartStopClick();

    Controls m_controls;
    LogAppender m_appender;
    LogRowCounter m_rows;
    FrameThrottle m_rowsCheck{[this] { limitRows(); }};
    bool m_frozen = false; // shown in StartStop's tag and caption
};
