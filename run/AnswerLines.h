#pragma once

#include "rx/ReceivedLines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace run {

// Cuts what a device sends into the lines an answer is looked for in, as
// chat and expect read a modem: a line ends at CR or LF wherever the bytes'
// packets begin and end, and empty lines are no lines. The line still
// arriving is offered once the device pauses, so that a prompt without a
// line end can answer too. The cutting is the received lines' own; this adds
// the pause. Bytes in, lines out; nothing here waits.
class AnswerLines {
public:
    // A longer line is cut here and offered as a line of its own: a device
    // that never ends its line costs no more memory than this.
    static constexpr qsizetype kMaxLineBytes = 4096;

    // Bytes as they arrive; the lines they complete, in order.
    QList<QByteArray> add(QByteArrayView bytes);
    // The device paused (nothing more waiting): the unfinished line, unless
    // there is none or it was already taken as an answer.
    std::optional<QByteArray> pause() const;
    // The unfinished line pause() offered was taken as the answer: its rest
    // is no line of its own.
    void unfinishedTaken() { m_restTaken = !m_lines.unfinished().isEmpty(); }
    // A command went out: an unfinished line from before is no answer to it.
    void restart();

private:
    rx::ReceivedLines m_lines{kMaxLineBytes};
    // The line begun was taken at a pause: when it ends, it is no line.
    bool m_restTaken = false;
};

} // namespace run
