#pragma once

#include "rx/ReadStatistics.h"
#include "ui/FrameThrottle.h"

#include <QObject>

#include <vector>

class QLabel;
class QPushButton;
class QWidget;

// The byte totals and the statistics panel: what went out and came in.
class TrafficReadouts : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLabel *StaticText3, *LSend, *LRead, *MinTimeWait, *MaxTimeWait;
        QPushButton *BTClrStat;
    };
    TrafficReadouts(const Controls &controls, QObject *parent);

    // A read of the port that found bytes waiting (bytes of them were taken).
    void countRead(quint32 bytes);
    // A packet of this many bytes went to the port.
    void countSent(quint32 bytes);

    quint32 txTotal() const { return m_txTotal; }
    quint32 rxTotal() const { return m_rxTotal; }

private:
    void BTClrStatClick();
    void showTotals();
    void showWaits();
    void show(QLabel *readout, const QString &text);
    void paint();

    Controls m_controls;
    quint32 m_txTotal = 0;
    quint32 m_rxTotal = 0;
    rx::ReadStatistics m_statistics;
    // Readouts changed since their last repaint, which comes at most once
    // per frame.
    std::vector<QLabel *> m_held;
    FrameThrottle m_paint{[this] { paint(); }};
};
