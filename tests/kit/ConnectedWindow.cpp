#include "kit/ConnectedWindow.h"

#include "ui/widgets/LogPane.h"
#include "ui/window/TForm1.h"
#include "ui/window/WindowSet.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>

#include <stdexcept>

namespace {

const QString kPortName = QStringLiteral("ttyV0");

} // namespace

ConnectedWindow::ConnectedWindow() : m_device(std::make_unique<PtyDevice>()) {
    if (!linkDevice(kPortName, *m_device))
        throw std::runtime_error("cannot list the device as a port");
}

ConnectedWindow::~ConnectedWindow() = default;

bool ConnectedWindow::open(const std::optional<QString> &stableNameFolder) {
    // One set of windows at a time, as in the program.
    m_windows.reset();
    m_windows =
        std::make_unique<ui::WindowSet>(stableNameFolder ? core::PortDirectory(portFolder(), false, *stableNameFolder)
                                                         : core::PortDirectory(portFolder(), false));
    ui::showCentred(form());
    return QTest::qWaitForWindowExposed(window());
}

void ConnectedWindow::close() { m_windows.reset(); }

bool ConnectedWindow::connect() {
    return click(QStringLiteral("BTConnect")) && text(QStringLiteral("BTConnect")) == QStringLiteral("Disconnect");
}

ui::TForm1 &ConnectedWindow::form() { return *m_windows->Form1; }

QWidget *ConnectedWindow::window() { return m_windows->Form1.get(); }

bool ConnectedWindow::replaceDevice() {
    m_device = std::make_unique<PtyDevice>();
    return linkDevice(kPortName, *m_device);
}

bool ConnectedWindow::linkDevice(const QString &name, const PtyDevice &device) {
    const QString link = QDir(portFolder()).filePath(name);
    QFile::remove(link);
    return QFile::link(device.slavePath(), link);
}

bool ConnectedWindow::click(const QString &name) {
    auto *button = find<QAbstractButton>(name);
    if (!button || !button->isVisible() || !button->isEnabled())
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

bool ConnectedWindow::typeInto(const QString &name, const QString &text) {
    auto *edit = find<QLineEdit>(name);
    if (!edit)
        return false;
    edit->setFocus();
    edit->clear();
    // QTest::keyClicks goes through Latin-1 and would lose Cyrillic text.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    return true;
}

bool ConnectedWindow::pressKey(const QString &name, int key) {
    QWidget *widget = find(name);
    if (!widget)
        return false;
    QTest::keyClick(widget, static_cast<Qt::Key>(key));
    return true;
}

std::optional<QString> ConnectedWindow::text(const QString &name) {
    QWidget *widget = find(name);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        if (label->textFormat() == Qt::PlainText || !Qt::mightBeRichText(label->text()))
            return label->text();
        QTextDocument shown;
        shown.setHtml(label->text());
        return shown.toPlainText();
    }
    // "&&" shows as "&"; a single "&" marks the shortcut and is not shown.
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text().replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    if (auto *memo = qobject_cast<QPlainTextEdit *>(widget))
        return memo->toPlainText();
    if (auto *log = qobject_cast<ui::LogPane *>(widget))
        return log->toPlainText();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText();
    return std::nullopt;
}

ui::LogPane *ConnectedWindow::log() { return find<ui::LogPane>(QStringLiteral("MainWindow")); }
