#pragma once

#include "tx/FileSender.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

namespace core {
class PortAccess;
}

namespace session {

class TerminalSession;

// Sending files to the device over the session's port: a client that takes
// the port from the session for the transfer (the log and the send modes
// stand aside meanwhile) and runs tx::FileSender on the port's raw bytes and
// a timer. The log gets one line when the transfer starts and one when it
// ends; bytes the device sends after the end go to the log as usual.
//
//   FileTransfer transfer(session);
//   if (!transfer.prepare({path}, tx::TransferProtocol::Ymodem)) ...errorString()
//   transfer.start();   // ...progress()... finished(ok, reason)
class FileTransfer : public QObject {
    Q_OBJECT
public:
    explicit FileTransfer(TerminalSession &session, QObject *parent = nullptr);
    ~FileTransfer() override;

    // Opens the files and takes their sizes: false, with the reason in the
    // user's words, for a missing or unreadable file, a folder, a FIFO or a
    // device. XMODEM and raw send the first file only.
    bool prepare(const QStringList &paths, tx::TransferProtocol protocol);
    QString errorString() const { return m_error; }

    // Takes the port and starts; false (errorString()) when the port is not
    // open or taken already. heard: what the device said just before, in
    // which a receiver's first request may already be (a script waited for
    // it).
    bool start(const QByteArray &heard = {});
    // The user's cancel; finished() follows.
    void cancel();
    bool running() const { return m_sender.has_value() && !m_done; }

    qint64 bytesDone() const;
    qint64 bytesTotal() const;
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }
    // The first file's name, as the log and the progress show it.
    QString fileName() const;
    tx::TransferProtocol protocol() const { return m_protocol; }

signals:
    void progress(qint64 done, qint64 total);
    // ok: the receiver has the files; otherwise reason says why not.
    void finished(bool ok, const QString &reason);

private:
    class Files;
    void readPort();
    void step();
    void pump();
    void portClosed(bool open);
    void end();
    QString summary(bool ok, const QString &reason) const;

    TerminalSession &m_session;
    std::unique_ptr<Files> m_files;
    QStringList m_names;
    tx::TransferProtocol m_protocol = tx::TransferProtocol::Xmodem;
    std::optional<tx::FileSender> m_sender;
    core::PortAccess *m_port = nullptr;
    QElapsedTimer m_clock;
    QTimer m_timer;
    // Raw sending is over once the port has put out what it was given.
    QTimer m_drain;
    qint64 m_lastProgress = -1;
    // What the device said after the transfer's last byte, for the log.
    QByteArray m_unread;
    bool m_done = false;
    QString m_error;
};

} // namespace session
