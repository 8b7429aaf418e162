#include "ui/ModalSeam.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace modal {
namespace {

Observer &observer() {
    static Observer instance;
    return instance;
}

} // namespace

void setObserver(Observer newObserver) { observer() = std::move(newObserver); }

int exec(QDialog &window, const QString &text) {
    if (observer()) {
        QPointer<QDialog> guard(&window);
        QTimer::singleShot(0, &window, [guard, text] {
            if (guard && guard->isVisible() && observer())
                observer()(*guard, text);
        });
    }
    return window.exec();
}

void inform(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("TerminalKVR"), text, QMessageBox::Ok, parent);
    exec(box, text);
}

void reportFileError(QWidget *parent, const QString &fileName, const QString &systemError) {
    const QString text = QStringLiteral("Ошибка ввода-вывода: %1\n%2").arg(fileName, systemError);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("TerminalKVR"), text, QMessageBox::Ok, parent);
    exec(box, text);
}

} // namespace modal
