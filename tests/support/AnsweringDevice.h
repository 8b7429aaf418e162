#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QSocketNotifier;

// A device on a pseudo-terminal that answers every command it receives (a
// command ends with a carriage return) with a fixed reply, from the
// application's event loop, as soon as the command is complete.
class AnsweringDevice {
public:
    explicit AnsweringDevice(QByteArray reply = QByteArrayLiteral("OK\r\n"));
    ~AnsweringDevice();
    AnsweringDevice(const AnsweringDevice &) = delete;
    AnsweringDevice &operator=(const AnsweringDevice &) = delete;

    QString slavePath() const { return m_slavePath; }
    // The commands received so far, without their carriage returns.
    const QList<QByteArray> &commands() const { return m_commands; }

private:
    void onReadable();

    int m_master = -1;
    int m_slaveKeeper = -1;
    QString m_slavePath;
    QByteArray m_reply;
    QByteArray m_pending;
    QList<QByteArray> m_commands;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
