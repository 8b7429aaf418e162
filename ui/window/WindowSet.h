#pragma once

#include "core/port/PortDirectory.h"

#include <memory>

class QTranslator;
namespace core {
class TerminationSignals;
}

namespace ui {

class TForm1;
class TFormEditHelpCmd;
class TSave;
class TInfo;
class TFormEditCmd;
class TOpenPortError;
class CursorBlinkTimeout;

// The program's windows, each created once at startup, in this order, and
// kept for the whole run. Before the first of them the program's icon becomes
// every window's icon and Qt's own texts (file dialog, message box buttons)
// turn Russian like the program's. A signal that ends the program and the end
// of the desktop session close the main window without asking (one set of
// windows at a time, as the signals' handlers are the process's).
struct WindowSet {
    explicit WindowSet(core::PortDirectory portDirectory);
    ~WindowSet();

private:
    std::unique_ptr<QTranslator> m_qtTexts;

public:
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TFormEditHelpCmd> FormEditHelpCmd;
    std::unique_ptr<TSave> Save;
    std::unique_ptr<TInfo> Info;
    std::unique_ptr<TFormEditCmd> FormEditCmd;
    std::unique_ptr<TOpenPortError> OpenPortError;

private:
    void endSessionWithTheProgram();

    std::unique_ptr<core::TerminationSignals> m_endSignals;
    std::unique_ptr<CursorBlinkTimeout> m_blinkTimeout;
};

// Puts the main window in the middle of the screen and shows it.
void showCentred(TForm1 &window);

} // namespace ui
