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

namespace session {

class TerminalSession;

// Sending files to the device: a client of the session's channel that claims
// it for the transfer (the log and the send modes stand aside meanwhile) and
// runs tx::FileSender on the channel's raw bytes and a timer. The log gets
// one line when the transfer starts and one when it ends; what the device
// says once the channel is given back goes to the log as usual.
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
    // ok: the receiver has the files; otherwise reason says why not. A
    // success may carry a note (the end of the transfer not confirmed).
    void finished(bool ok, const QString &reason);

private:
    class Files;
    void received(const QByteArray &bytes);
    void step();
    void pump();
    void lost();
    qint64 lineBytesPerSecond() const;
    void end();
    QString summary(bool ok, const QString &reason) const;

    TerminalSession &m_session;
    std::unique_ptr<Files> m_files;
    QStringList m_names;
    tx::TransferProtocol m_protocol = tx::TransferProtocol::Xmodem;
    std::optional<tx::FileSender> m_sender;
    bool m_claimed = false;
    QElapsedTimer m_clock;
    QTimer m_timer;
    // Raw sending is over once the port has put out what it was given.
    QTimer m_drain;
    qint64 m_lastProgress = -1;
    bool m_done = false;
    // What the device said after the transfer's end, in the same read: the
    // log's once the port is given back.
    QByteArray m_unread;
    QString m_error;
};

} // namespace session
