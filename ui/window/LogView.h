#pragma once

#include <QObject>

class QColor;

class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ui {

class LogPane;
class UpDown;

// The log window: sent and received lines, the frozen view, clearing and
// the log's font size.
class LogView : public QObject {
    Q_OBJECT
public:
    struct Controls {
        LogPane *MainWindow;
        QPlainTextEdit *SecondWindow;
        QLineEdit *FiltrLog;
        QCheckBox *VisTime;
        QPushButton *BTLog, *StartStop;
        UpDown *Srift;
    };
    LogView(const Controls &controls, QObject *parent);

    // A log line of a sent or a received packet, as the session rendered it
    // (time stamp, direction, filter).
    void showLine(const QByteArray &line);
    // Past the rows the log may keep, it keeps only those that came after
    // them; the log itself looks once per frame of new lines.
    void limitRows();
    // Of both memos, in points.
    int fontSize() const;
    // The log's menu offers this after its own items.
    void offerInMenu(QAction *action);
    // The colour cycle's colours for the log.
    void paintFields(const QColor &background, const QColor &text);

signals:
    // "TIME + " or the filter changed: lines from now on are rendered so.
    void timeStampsChanged(bool on);
    void filterChanged(const QString &filter);

private:
    void BTLogClick();
    void StartStopClick();
    void SriftClick(int direction);

    Controls m_controls;
    bool m_frozen = false; // shown in StartStop's tag and caption
};

} // namespace ui
