#include "ui/widgets/PointerWatch.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>

namespace ui {

PointerWatch::PointerWatch(const QList<QWidget *> &widgets, QObject *parent) : QObject(parent) {
    for (QWidget *widget : widgets) {
        if (auto *view = qobject_cast<QAbstractScrollArea *>(widget))
            widget = view->viewport();
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
}

bool PointerWatch::eventFilter(QObject *watched, QEvent *event) {
    // A move over a child is offered to its parents too; only a move over
    // the widget's own background counts.
    if (event->type() == QEvent::MouseMove) {
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        if (!static_cast<QWidget *>(watched)->childAt(at))
            emit overBackground();
    }
    return false;
}

} // namespace ui
