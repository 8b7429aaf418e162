#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class QSocketNotifier;

namespace run {

// The commands of standard input (or any descriptor), read as the run needs
// them instead of all at once: at most a block of input and the line being
// read are held, whatever the input's size. A command is a line up to LF,
// without the CR of a CR LF; empty lines are passed over. The bytes stay as
// they came (windows-1251, zero bytes and all), as a command file's do.
// Input is read only while no command is waiting, so a producer that writes
// faster than the device answers waits in its pipe, not in our memory.
class CommandStream : public QObject {
    Q_OBJECT
public:
    // Read in blocks of this size: few system calls, little held.
    static constexpr qint64 kBlockBytes = 64 * 1024;

    explicit CommandStream(int fd, QObject *parent = nullptr);

    // The next command, if one has been read; none while more input is
    // awaited (commandReady() tells when) or once the input has ended.
    std::optional<QByteArray> take();
    // The input ended (or failed) and every command was taken.
    bool atEnd() const;
    // Waits for the next command or the end: before the run begins, when
    // there is nothing else to wait for. False when the input failed.
    bool waitForCommand();
    // Why the input failed; empty while it has not.
    QString errorString() const { return m_error; }

signals:
    // A command can be taken, or the input ended or failed.
    void commandReady();

private:
    void readBlock();
    bool hasLine() const;
    void watch();

    int m_fd;
    QSocketNotifier *m_notifier;
    // The input not yet taken starts at m_start.
    QByteArray m_buffer;
    qsizetype m_start = 0;
    bool m_ended = false;
    QString m_error;
};

} // namespace run
