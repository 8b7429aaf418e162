#pragma once

#include "kit/ConnectedWindow.h"
#include "kit/EventWait.h"
#include "kit/PtyDevice.h"
#include "support/QtPrinting.h"

#include <QDialog>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace ui {
class TForm1;
}

// The real terminal window in a fresh working directory, with one
// pseudo-terminal device listed as the port "ttyV0". Every modal window is
// recorded and dismissed from inside its own modal loop.
class TerminalFixture : public ::testing::Test {
protected:
    TerminalFixture();
    ~TerminalFixture() override;

    // Creates and shows the windows (tests may prepare files first). Unless
    // firstStart is set or the test wrote its own, a valid macro store is in
    // place, so the window starts without the store's rebuild message.
    void start();
    bool firstStart = false;
    // Where the window looks for the lasting names of USB adapters, if not
    // in the system's folder.
    std::optional<QString> stableNameFolder;
    ui::TForm1 &form() { return m_terminal.form(); }
    QString workDir() const { return m_workDir.path(); }
    QString devDir() const { return m_terminal.portFolder(); }
    PtyDevice &device() { return m_terminal.device(); }
    // Replaces the device behind "ttyV0" (the old one hangs up).
    void replaceDevice();
    // Plugs a new device in behind the same port name without removing the
    // old link first (the old one must already be gone).
    void linkDevice(const QString &name, const PtyDevice &device);

    template <typename T = QWidget>
    T *find(const QString &name) {
        T *widget = m_terminal.find<T>(name);
        EXPECT_NE(widget, nullptr) << "no control named " << name.toStdString();
        return widget;
    }
    void click(const QString &name);
    void typeInto(const QString &name, const QString &text);
    void pressKey(const QString &name, int key);
    QString text(const QString &name);
    QString logText();
    QColor comPortColour();
    void connectPort();

    // Texts of the modal windows shown so far.
    QStringList notices;
    // Called inside each modal window's loop before it is dismissed.
    std::function<void(QDialog &, const QString &)> onModal;

private:
    QTemporaryDir m_workDir;
    QString m_previousDir;
    ConnectedWindow m_terminal;
};
