#include "support/AnsweringDevice.h"

#include "kit/PtyDevice.h"

#include <QThread>

QList<QByteArray> answerLikeModem(PtyDevice &device, int count, const ModemAnswers &how, int timeoutMs) {
    QList<QByteArray> commands;
    QByteArray pending;
    const auto say = [&](const QByteArray &bytes) {
        if (how.byteGapUs == 0)
            return device.send(bytes);
        for (const char byte : bytes) {
            device.send(QByteArray(1, byte));
            QThread::usleep(unsigned(how.byteGapUs));
        }
    };
    while (commands.size() < count) {
        const QByteArray bytes = device.receive(1, timeoutMs);
        if (bytes.isEmpty())
            break;
        pending += bytes;
        for (qsizetype end; commands.size() < count && (end = pending.indexOf('\r')) >= 0; pending.remove(0, end + 1)) {
            commands << pending.left(end);
            say((how.echo ? pending.left(end + 1) : QByteArray()) + how.unsolicited + how.reply);
        }
    }
    return commands;
}

QList<QByteArray> answerCommands(PtyDevice &device, int count, const QByteArray &reply, int timeoutMs) {
    ModemAnswers plain;
    plain.reply = reply;
    return answerLikeModem(device, count, plain, timeoutMs);
}
