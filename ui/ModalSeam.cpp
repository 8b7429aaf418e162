#include "ui/ModalSeam.h"

#include "core/FixedTexts.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace modal {
namespace {

Observer &observer() {
    static Observer instance;
    return instance;
}

// Puts the inside of the window in the middle of `over` when that is shown,
// else in the middle of the screen. Qt's own placement centres a window on its
// owner even before the owner is shown (in the top left corner), and guesses
// the frame the window manager adds, so that a dialog shown a second time
// lands lower by the height of its title bar.
void centre(QWidget &window, const QWidget *over) {
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect area = over && over->isVisible() ? over->geometry() : screen->availableGeometry();
    QRect inside(QPoint(), window.size());
    inside.moveCenter(area.center());
    window.setGeometry(inside);
}

// A message box knows its size only as it opens; it is placed then.
class CentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override {
        QMessageBox::showEvent(event);
        centre(*this, parentWidget() ? parentWidget()->window() : nullptr);
    }
};

int run(QDialog &window, const QString &text) {
    if (observer()) {
        QPointer<QDialog> guard(&window);
        QTimer::singleShot(0, &window, [guard, text] {
            if (guard && guard->isVisible() && observer())
                observer()(*guard, text);
        });
    }
    return window.exec();
}

} // namespace

void setObserver(Observer newObserver) { observer() = std::move(newObserver); }

int exec(QDialog &window, const QString &text) {
    // A window sized before it opens (the program's own, the file dialog) goes
    // to the middle of the screen; message boxes place themselves.
    if (window.testAttribute(Qt::WA_Resized))
        centre(window, nullptr);
    return run(window, text);
}

void inform(QWidget *parent, const QString &text) {
    CentredBox box(QMessageBox::NoIcon, kProgramName, text, QMessageBox::Ok, parent);
    run(box, text);
}

void reportFileError(QWidget *parent, const QString &fileName, const QString &systemError) {
    const QString text = QStringLiteral("Ошибка ввода-вывода: %1\n%2").arg(fileName, systemError);
    CentredBox box(QMessageBox::Critical, kProgramName, text, QMessageBox::Ok, parent);
    run(box, text);
}

} // namespace modal
