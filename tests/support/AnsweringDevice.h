#pragma once

#include <QByteArray>
#include <QList>

class PtyDevice;

// Plays a device that answers every command it receives (a command ends with
// a carriage return) with the reply as soon as the command is complete, until
// `count` commands have come or none came for timeoutMs. Returns the commands
// without their carriage returns.
QList<QByteArray> answerCommands(PtyDevice &device, int count, const QByteArray &reply = "OK\r\n",
                                 int timeoutMs = 5000);

// How a V.250 (AT command) modem answers.
struct ModemAnswers {
    bool echo = false;      // each command comes back first, as with ATE1
    QByteArray unsolicited; // said on its own before the reply ("RING\r\n")
    QByteArray reply = "\r\nOK\r\n";
    int byteGapUs = 0; // between the bytes, as a slow line paces them
};

// answerCommands with a modem's manners.
QList<QByteArray> answerLikeModem(PtyDevice &device, int count, const ModemAnswers &how, int timeoutMs = 5000);
