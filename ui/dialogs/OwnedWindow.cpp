#include "ui/dialogs/OwnedWindow.h"

#include <QWidget>
#include <QWindow>

namespace ui {

void showOverOwner(QWidget &window, QWidget &owner) {
    if (!window.isVisible()) {
        window.winId();
        window.windowHandle()->setTransientParent(owner.windowHandle());
        QRect frame(QPoint(), window.size());
        frame.moveCenter(owner.geometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace ui
