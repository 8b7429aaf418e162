#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The receivers of the lrzsz package (rx, rb) as the device at the far end of
// a line: a socat pair of pseudo-terminals, the terminal opening one end
// (linePath()) and each receiver run with its standard input and output on
// the other, in a folder of its own where it writes the files. lrzsz times
// its reads with the terminal's VTIME, which only a slave end honours. The
// receiver's end is held open here as well, so that the line stays up
// between receivers.
class LrzszReceiver {
public:
    // The programs missing (socat, the receiver); empty when all can run.
    static QString missing(const QString &program);

    LrzszReceiver();
    ~LrzszReceiver();

    // The line is up (socat made both ends).
    bool ready() const { return m_ready; }
    QString linePath() const { return m_folder.filePath(QStringLiteral("line")); }

    // Starts the receiver; false when it could not start.
    bool start(const QString &program, const QStringList &arguments);
    // Waits for the receiver to end (running events meanwhile); its exit code,
    // -1 when it had to be killed.
    int finish(int timeoutMs);
    QString folder() const { return m_files.path(); }
    QString messages() const { return m_messages; }

private:
    QTemporaryDir m_folder;
    QTemporaryDir m_files;
    QProcess m_socat;
    QProcess m_receiver;
    QFile m_holder;
    bool m_ready = false;
    QString m_messages;
};
