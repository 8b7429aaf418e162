#pragma once

#include <QObject>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ui {

class LogPane;

// The log window: sent and received lines, the frozen view and clearing.
class LogView : public QObject {
    Q_OBJECT
public:
    struct Controls {
        LogPane *MainWindow;
        QPlainTextEdit *SecondWindow;
        QLineEdit *FiltrLog;
        QCheckBox *VisTime;
        QPushButton *BTLog, *StartStop;
    };
    LogView(const Controls &controls, QObject *parent);

    // A log line of a sent or a received packet, as the session rendered it
    // (time stamp, direction, filter).
    void showLine(const QByteArray &line);
    // Past the rows the log may keep, it keeps only those that came after
    // them; the log itself looks once per frame of new lines.
    void limitRows();

signals:
    // A line is shown.
    void lineShown(const QByteArray &line);
    // "TIME + " or the filter changed: lines from now on are rendered so.
    void timeStampsChanged(bool on);
    void filterChanged(const QString &filter);

private:
    void BTLogClick();
    void StartStopClick();

    Controls m_controls;
    bool m_frozen = false; // shown in StartStop's tag and caption
};

} // namespace ui
