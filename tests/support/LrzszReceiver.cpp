#include "support/LrzszReceiver.h"

#include "kit/EventWait.h"

#include <QStandardPaths>

QString LrzszReceiver::missing(const QString &program) {
    QStringList missing;
    for (const QString &tool : {QStringLiteral("socat"), program})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing << tool;
    return missing.join(QStringLiteral(", "));
}

LrzszReceiver::LrzszReceiver() {
    const QString receiverEnd = m_folder.filePath(QStringLiteral("receiver"));
    m_socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=%1").arg(linePath()),
                                            QStringLiteral("pty,raw,echo=0,link=%1").arg(receiverEnd)});
    m_ready = waitUntil([&] { return QFile::exists(linePath()) && QFile::exists(receiverEnd); }, 10000);
    m_holder.setFileName(receiverEnd);
    m_ready = m_ready && m_holder.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

LrzszReceiver::~LrzszReceiver() {
    finish(0);
    m_holder.close();
    m_socat.terminate();
    if (!m_socat.waitForFinished(5000))
        m_socat.kill();
}

bool LrzszReceiver::start(const QString &program, const QStringList &arguments) {
    m_messages.clear();
    m_receiver.setWorkingDirectory(m_files.path());
    m_receiver.setStandardInputFile(m_holder.fileName());
    m_receiver.setStandardOutputFile(m_holder.fileName());
    m_receiver.start(program, arguments);
    return m_receiver.waitForStarted(5000);
}

int LrzszReceiver::finish(int timeoutMs) {
    if (m_receiver.state() != QProcess::NotRunning &&
        !waitUntil([this] { return m_receiver.state() == QProcess::NotRunning; }, timeoutMs)) {
        m_receiver.kill();
        m_receiver.waitForFinished(5000);
        m_messages += QString::fromLocal8Bit(m_receiver.readAllStandardError());
        return -1;
    }
    m_messages += QString::fromLocal8Bit(m_receiver.readAllStandardError());
    return m_receiver.exitStatus() == QProcess::NormalExit ? m_receiver.exitCode() : -1;
}
