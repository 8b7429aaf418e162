#pragma once

#include "BenchDevice.h"
#include "ui/WindowSet.h"

class QPlainTextEdit;
class TForm1;

// The real windows with the device behind "ttyV0", connected.
class ConnectedWindow {
public:
    ConnectedWindow();

    TForm1 &form() { return *windows_.Form1; }
    int deviceFd() const { return device_.masterFd(); }
    bool connected();

    void click(const char *name);
    void clickGapUp(int times);
    QPlainTextEdit *log();

private:
    BenchDevice device_;
    WindowSet windows_;
};
