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
