#pragma once

#include <QObject>

class LogPane;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The log window: sent and received lines, time-stamped on request and
// filtered, the frozen view and clearing.
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

    // The echo of a sent packet and the text of a received one.
    void showSent(const QByteArray &text);
    void showReceived(const QByteArray &text);
    // Past the rows the log may keep, it keeps only those that came after
    // them; the log itself looks once per frame of new lines.
    void limitRows();

signals:
    // A line that passed the filter and is shown: the log file takes it.
    void lineShown(const QByteArray &line);

private:
    void putLogLine(const QByteArray &text, char mark);
    void BTLogClick();
    void StartStopClick();

    Controls m_controls;
    bool m_frozen = false; // shown in StartStop's tag and caption
};
