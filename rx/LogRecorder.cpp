#include "rx/LogRecorder.h"

namespace rx {

bool LogRecorder::recordTo(const QString &name) {
    m_state = State::Off; // also after a file found deleted
    m_name = name;
    if (!m_file.create(m_name))
        return false;
    m_name = m_file.fileName();
    m_state = State::Recording;
    return true;
}

bool LogRecorder::toggle(const QDateTime &now) {
    switch (state()) {
    case State::Off:
        return recordTo(logFileNameFor(now));
    case State::Recording:
        m_state = State::Paused;
        return m_file.flush();
    case State::Paused:
        m_state = State::Recording;
        return true;
    }
    return true;
}

QString LogRecorder::buttonCaption() const {
    switch (state()) {
    case State::Off:
        return QStringLiteral("Start Log");
    case State::Recording:
        return QStringLiteral("Pause Log");
    case State::Paused:
        return QStringLiteral("Go Log");
    }
    return {};
}

QString LogRecorder::statusText() const {
    if (fileGone())
        return QStringLiteral("Файл лога удалён, запись не ведётся (") + m_name + QStringLiteral(")");
    switch (m_state) {
    case State::Off:
        return QStringLiteral("Запись в файл не ведётся");
    case State::Recording:
        return QStringLiteral("Лог записывается в файл ") + m_name;
    case State::Paused:
        return QStringLiteral("Запись в файл лога приостановлена (") + m_name + QStringLiteral(")");
    }
    return {};
}

bool LogRecorder::writeLine(QByteArrayView line) { return !recording() || m_file.writeLine(line); }

bool LogRecorder::close() {
    m_state = State::Off;
    return m_file.close();
}

} // namespace rx
