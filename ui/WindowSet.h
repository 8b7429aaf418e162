#pragma once

#include "core/PortDirectory.h"

#include <memory>

class TForm1;
class TFormEditHelpCmd;
class TSave;
class TInfo;
class TFormEditCmd;
class TOpenPortError;

// The program's windows, each created once at startup, in this order, and
// kept for the whole run.
struct WindowSet {
    explicit WindowSet(PortDirectory portDirectory);
    ~WindowSet();

    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TFormEditHelpCmd> FormEditHelpCmd;
    std::unique_ptr<TSave> Save;
    std::unique_ptr<TInfo> Info;
    std::unique_ptr<TFormEditCmd> FormEditCmd;
    std::unique_ptr<TOpenPortError> OpenPortError;
};

// Puts the main window in the middle of the screen and shows it.
void showCentred(TForm1 &window);
