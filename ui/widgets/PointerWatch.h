#pragma once

#include <QList>
#include <QObject>

class QWidget;

namespace ui {

// Tells when the pointer moves over the bare background of one of the
// watched widgets, not over a child of it. It only watches: no event is
// taken, so other filters on the same widgets see every event as before.
class PointerWatch : public QObject {
    Q_OBJECT
public:
    // Pointer moves reach a widget only with mouse tracking on, which this
    // turns on; a scroll area is watched on its viewport, where the moves
    // arrive.
    PointerWatch(const QList<QWidget *> &widgets, QObject *parent);

signals:
    void overBackground();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace ui
