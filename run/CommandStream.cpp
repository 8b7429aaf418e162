#include "run/CommandStream.h"

#include "core/platform/FileDescriptor.h"

#include <QSocketNotifier>

namespace run {

CommandStream::CommandStream(int fd, QObject *parent)
    : QObject(parent), m_fd(fd), m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this)) {
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        readBlock();
        watch();
        if (hasLine() || m_ended)
            emit commandReady();
    });
}

bool CommandStream::hasLine() const { return m_buffer.indexOf('\n', m_start) >= 0; }

void CommandStream::watch() { m_notifier->setEnabled(!m_ended && !hasLine()); }

void CommandStream::readBlock() {
    // Only the unfinished line is left before the block: move it to the
    // front once, not at every line taken.
    m_buffer.remove(0, m_start);
    m_start = 0;
    const qsizetype had = m_buffer.size();
    m_buffer.resize(had + kBlockBytes);
    int cause = 0;
    const qint64 n = core::readSome(m_fd, m_buffer.data() + had, kBlockBytes, cause);
    m_buffer.resize(had + std::max<qint64>(n, 0));
    if (n > 0)
        return;
    m_ended = true;
    if (n < 0)
        m_error = QStringLiteral("standard input: %1").arg(core::errnoText(cause));
}

std::optional<QByteArray> CommandStream::take() {
    for (;;) {
        qsizetype end = m_buffer.indexOf('\n', m_start);
        if (end < 0 && !m_ended) {
            watch();
            return std::nullopt;
        }
        if (end < 0)
            end = m_buffer.size();
        qsizetype cut = end;
        while (cut > m_start && m_buffer.at(cut - 1) == '\r')
            --cut;
        QByteArray line = m_buffer.mid(m_start, cut - m_start);
        m_start = std::min(end + 1, m_buffer.size());
        if (m_start == m_buffer.size()) {
            m_buffer.clear();
            m_start = 0;
        }
        if (!line.isEmpty()) {
            watch();
            return line;
        }
        if (m_ended && m_buffer.isEmpty())
            return std::nullopt;
    }
}

bool CommandStream::atEnd() const { return m_ended && !hasLine() && m_start >= m_buffer.size(); }

bool CommandStream::waitForCommand() {
    while (!m_ended && !hasLine())
        readBlock();
    watch();
    return m_error.isEmpty();
}

} // namespace run
