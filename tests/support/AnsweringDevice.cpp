#include "support/AnsweringDevice.h"

#include "kit/PtyDevice.h"

QList<QByteArray> answerCommands(PtyDevice &device, int count, const QByteArray &reply, int timeoutMs) {
    QList<QByteArray> commands;
    QByteArray pending;
    while (commands.size() < count) {
        const QByteArray bytes = device.receive(1, timeoutMs);
        if (bytes.isEmpty())
            break;
        pending += bytes;
        for (qsizetype end; commands.size() < count && (end = pending.indexOf('\r')) >= 0; pending.remove(0, end + 1)) {
            commands << pending.left(end);
            device.send(reply);
        }
    }
    return commands;
}
