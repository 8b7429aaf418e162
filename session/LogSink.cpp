#include "session/LogSink.h"

#include "rx/LogLineRenderer.h"
#include "rx/LogTimeStamp.h"

#include <QFile>
#include <QFileInfo>
#include <QTime>

namespace session {

LogSink::LogSink(QObject *parent) : QObject(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kLogFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] {
        if (!m_recorder.flush())
            emit fileFailed(m_recorder.fileName(), m_recorder.errorString());
    });
}

void LogSink::putLine(const QByteArray &text, Direction direction) {
    const char mark = direction == Direction::Sent       ? rx::kSentMark
                      : direction == Direction::Received ? rx::kReceivedMark
                                                         : rx::kLineMark;
    const QByteArray shown = m_timeStamps ? rx::timeStampPrefix(QTime::currentTime(), mark) + text : text;
    if (!rx::passesFilter(shown, m_filter))
        return;
    emit line(shown, direction);
    if (!m_recorder.recording())
        return;
    if (!m_recorder.writeLine(shown))
        emit fileFailed(m_recorder.fileName(), m_recorder.errorString());
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

bool LogSink::toggleRecording(const QDateTime &now) {
    const bool done = m_recorder.toggle(now);
    // Pausing wrote out what was gathered.
    if (!m_recorder.recording())
        m_flushTimer.stop();
    return done;
}

bool LogSink::recordTo(const QString &path) {
    // A script names its log: one left by an earlier run goes, where the
    // window's own logs are never replaced.
    const QFileInfo existing(path);
    if (existing.isFile() && !existing.isSymLink())
        QFile::remove(path);
    return m_recorder.recordTo(path);
}

bool LogSink::close() {
    if (!m_recorder.fileOpen())
        return true;
    m_flushTimer.stop();
    return m_recorder.close();
}

} // namespace session
