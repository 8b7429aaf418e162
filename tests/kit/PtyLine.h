#pragma once

#include <QtGlobal>

// The slave's line as the device end (the master) reads it with TCGETS2, so
// that a rate outside the standard table is seen as the number it is.
struct PtyLine {
    quint32 outputSpeed = 0;
    quint32 inputSpeed = 0;
    bool twoStopBits = false;
    bool rtsCts = false;
    bool xonXoff = false;
    bool valid = false;
};

PtyLine readPtyLine(int fd);
