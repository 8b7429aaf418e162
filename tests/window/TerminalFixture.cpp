#include "window/TerminalFixture.h"

#include "macros/MacroStore.h"
#include "ui/dialogs/ModalSeam.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

TerminalFixture::TerminalFixture() : m_previousDir(QDir::currentPath()) {
    // A window ended by a signal inside a modal window calls
    // QCoreApplication::exit(), which, with no application loop running,
    // leaves every later event loop of the thread returning at once. Running
    // the application loop for a moment clears that, so the tests of one
    // process do not depend on each other's order.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    QDir::setCurrent(m_workDir.path());
    ui::modal::setObserver([this](QDialog &dialog, const QString &text) {
        notices.append(text);
        if (onModal)
            onModal(dialog, text);
        dialog.done(0);
    });
}

TerminalFixture::~TerminalFixture() {
    ui::modal::setObserver(nullptr);
    m_terminal.close();
    QDir::setCurrent(m_previousDir);
}

void TerminalFixture::linkDevice(const QString &name, const PtyDevice &device) {
    ASSERT_TRUE(m_terminal.linkDevice(name, device));
}

void TerminalFixture::replaceDevice() { ASSERT_TRUE(m_terminal.replaceDevice()); }

void TerminalFixture::start() {
    if (!firstStart && !QFile::exists(macros::MacroStore::kFileName))
        macros::MacroStore().LoadCmdConfig(macros::MacroStore::kFileName);
    ASSERT_TRUE(m_terminal.open(stableNameFolder));
}

void TerminalFixture::click(const QString &name) {
    ASSERT_NE(find<QAbstractButton>(name), nullptr);
    ASSERT_TRUE(m_terminal.click(name)) << name.toStdString() << " cannot be clicked";
}

void TerminalFixture::typeInto(const QString &name, const QString &text) {
    auto *edit = find<QLineEdit>(name);
    ASSERT_NE(edit, nullptr);
    m_terminal.typeInto(name, text);
    ASSERT_EQ(edit->text(), text);
}

void TerminalFixture::pressKey(const QString &name, int key) {
    ASSERT_NE(find(name), nullptr);
    m_terminal.pressKey(name, key);
}

QString TerminalFixture::text(const QString &name) {
    if (const std::optional<QString> shown = find(name) ? m_terminal.text(name) : std::nullopt)
        return *shown;
    ADD_FAILURE() << "no text on " << name.toStdString();
    return {};
}

QString TerminalFixture::logText() { return text(QStringLiteral("MainWindow")); }

QColor TerminalFixture::comPortColour() { return find(QStringLiteral("ComPort"))->palette().color(QPalette::Button); }

void TerminalFixture::connectPort() {
    click(QStringLiteral("BTConnect"));
    ASSERT_EQ(text(QStringLiteral("BTConnect")), QStringLiteral("Disconnect")) << notices.join('|').toStdString();
}
