#pragma once

#include "kit/PtyDevice.h"

#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <optional>

namespace ui {
class LogPane;
}
namespace ui {
class TForm1;
}
namespace ui {
struct WindowSet;
}

// The program's real windows wired to a pseudo-terminal device, which a
// scratch folder, scanned instead of /dev, lists as the port "ttyV0". The
// windows are reached only as a user sees them, through their controls'
// object names, and through the main window's state: so the kit holds
// however the window is built inside. Nothing here waits on a human: modal
// windows are the caller's to dismiss (ui/dialogs/ModalSeam).
class ConnectedWindow {
public:
    ConnectedWindow();
    ~ConnectedWindow();
    ConnectedWindow(const ConnectedWindow &) = delete;
    ConnectedWindow &operator=(const ConnectedWindow &) = delete;

    // Creates the windows and shows the main one in the middle of the
    // screen; whether it got exposed. A folder of lasting names (links as
    // in /dev/serial/by-id) may stand in for the system's.
    bool open(const std::optional<QString> &stableNameFolder = std::nullopt);
    // Destroys the windows, e.g. before the working folder they write to goes.
    void close();
    // Clicks "Connect"; whether the button then offers to disconnect.
    bool connect();

    ui::TForm1 &form();
    QWidget *window();
    PtyDevice &device() { return *m_device; }
    QString portFolder() const { return m_portFolder.path(); }
    // Replaces the device behind "ttyV0" (the old one hangs up).
    bool replaceDevice();
    // Lists a device under the given port name, in place of whatever the
    // name pointed to.
    bool linkDevice(const QString &name, const PtyDevice &device);

    // The main window's control of that object name, or null.
    template <typename T = QWidget>
    T *find(const QString &name) {
        return window()->findChild<T *>(name);
    }
    // Clicks the named button with the mouse; false if there is no such
    // button or it is hidden or disabled.
    bool click(const QString &name);
    // Types the text into the named line edit (emptied first), one key event
    // per character; false if there is no such line edit.
    bool typeInto(const QString &name, const QString &text);
    bool pressKey(const QString &name, int key);
    // The text a user reads on the named label, button, line edit, log or
    // list, as drawn (markup rendered, a shortcut's mark left out); nothing
    // if the control has no text.
    std::optional<QString> text(const QString &name);
    // The log view.
    ui::LogPane *log();

private:
    QTemporaryDir m_portFolder;
    std::unique_ptr<PtyDevice> m_device;
    std::unique_ptr<ui::WindowSet> m_windows;
};
