#include "window/TerminalFixture.h"

#include "macros/MacroStore.h"
#include "ui/ModalSeam.h"
#include "ui/TForm1.h"
#include "ui/WindowSet.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

TerminalFixture::TerminalFixture() : previousDir_(QDir::currentPath()), device_(std::make_unique<PtyDevice>()) {
    QDir::setCurrent(workDir_.path());
    linkDevice(QStringLiteral("ttyV0"), *device_);
    modal::setObserver([this](QDialog &dialog, const QString &text) {
        notices.append(text);
        if (onModal)
            onModal(dialog, text);
        dialog.done(0);
    });
}

TerminalFixture::~TerminalFixture() {
    modal::setObserver(nullptr);
    windows_.reset();
    QDir::setCurrent(previousDir_);
}

void TerminalFixture::linkDevice(const QString &name, const PtyDevice &device) {
    const QString link = devDir_.filePath(name);
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(device.slavePath(), link));
}

void TerminalFixture::replaceDevice() {
    device_ = std::make_unique<PtyDevice>();
    linkDevice(QStringLiteral("ttyV0"), *device_);
}

void TerminalFixture::start() {
    if (!firstStart && !QFile::exists(MacroStore::kFileName))
        MacroStore().LoadCmdConfig(MacroStore::kFileName);
    windows_ = std::make_unique<WindowSet>(PortDirectory(devDir_.path(), false));
    showCentred(*windows_->Form1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows_->Form1.get()));
}

TForm1 &TerminalFixture::form() { return *windows_->Form1; }

QWidget *TerminalFixture::window() { return windows_->Form1.get(); }

void TerminalFixture::click(const QString &name) {
    auto *button = find<QAbstractButton>(name);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << name.toStdString() << " cannot be clicked";
    QTest::mouseClick(button, Qt::LeftButton);
}

void TerminalFixture::typeInto(const QString &name, const QString &text) {
    auto *edit = find<QLineEdit>(name);
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->clear();
    // One key event per character: QTest::keyClicks goes through Latin-1 and
    // would lose Cyrillic text.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    ASSERT_EQ(edit->text(), text);
}

void TerminalFixture::pressKey(const QString &name, int key) {
    QWidget *widget = find(name);
    ASSERT_NE(widget, nullptr);
    QTest::keyClick(widget, static_cast<Qt::Key>(key));
}

QString TerminalFixture::text(const QString &name) {
    QWidget *widget = find(name);
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    if (auto *memo = qobject_cast<QPlainTextEdit *>(widget))
        return memo->toPlainText();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText();
    ADD_FAILURE() << "no text on " << name.toStdString();
    return {};
}

QString TerminalFixture::logText() { return text(QStringLiteral("MainWindow")); }

QColor TerminalFixture::comPortColour() { return find(QStringLiteral("ComPort"))->palette().color(QPalette::Button); }

void TerminalFixture::connectPort() {
    click(QStringLiteral("BTConnect"));
    ASSERT_EQ(text(QStringLiteral("BTConnect")), QStringLiteral("Disconnect")) << notices.join('|').toStdString();
}
