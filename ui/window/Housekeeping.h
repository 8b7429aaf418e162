#pragma once

#include <QObject>
#include <QTimer>

class QLabel;

namespace ui {

// Housekeeping: the clock, and a beat on which the subsystems tidy up. A
// fixed 10 ms beat would cost more CPU than everything else of an idle
// terminal together, so it runs when one of its inputs can have changed and
// at every turn of the second for the clock.
class Housekeeping : public QObject {
    Q_OBJECT
public:
    Housekeeping(QLabel *TextTime, QObject *parent);

    void CustomFunctionsTimer();

signals:
    void beat();

private:
    QLabel *m_textTime;
    QTimer m_customFunctions;
};

} // namespace ui
