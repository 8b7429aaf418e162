#include "run/Dialogue.h"

#include "run/RunTexts.h"

namespace run {

Dialogue::Dialogue(DialogueRules rules, Clock clock)
    : m_rules(std::move(rules)), m_clock(std::move(clock)), m_moreToCome(m_rules.streamed) {
    if (m_rules.streamed)
        m_rules.count = 1;
}

QString Dialogue::named(qsizetype command) const {
    return QStringLiteral("command %1 %2").arg(command + 1).arg(quoted(textOf(command)));
}

const QRegularExpression *Dialogue::expectationOf(qsizetype command) const {
    if (m_rules.expect.isEmpty())
        return nullptr;
    return &m_rules.expect[m_rules.expect.size() == 1 ? 0 : command];
}

DialogueStep Dialogue::end(int status, const QString &reason) {
    m_finished = true;
    m_awaiting = false;
    return DialogueStep::finish(status, reason);
}

DialogueStep Dialogue::sendNext() {
    if (m_rules.streamed && commandsAhead() == 0) {
        m_waitingForCommand = true;
        return {};
    }
    m_waitingForCommand = false;
    if (m_rules.streamed && m_sent > m_forgotten) {
        // The command before is answered or given up: only its text was kept.
        m_rules.commands.removeFirst();
        ++m_forgotten;
    }
    ++m_sent;
    m_sentAt = m_clock();
    m_awaiting = true;
    m_passedOver.clear();
    return DialogueStep::send(current());
}

DialogueStep Dialogue::start() {
    if ((m_rules.commands.isEmpty() && !m_moreToCome) || m_rules.count < 0)
        return end(kAllAnswered);
    return sendNext();
}

DialogueStep Dialogue::addCommand(const QString &command) {
    if (m_finished || !m_moreToCome)
        return {};
    m_rules.commands << command;
    return m_waitingForCommand ? sendNext() : DialogueStep{};
}

DialogueStep Dialogue::commandsEnded() {
    if (m_finished || !m_moreToCome)
        return {};
    m_moreToCome = false;
    m_waitingForCommand = false;
    // The last command may be answered already.
    if (!m_awaiting && allSent())
        return end(kAllAnswered);
    return {};
}

DialogueStep Dialogue::answer(const QString &line) {
    if (m_finished)
        return {};
    if (m_rules.abort && m_rules.abort->match(line).hasMatch())
        return end(kWrongAnswer,
                   QStringLiteral("answer %1 matches --abort \"%2\"").arg(quoted(line), m_rules.abort->pattern()));
    // Nothing asked: the device talks on its own.
    if (!m_awaiting)
        return {};
    // The command's echo and lines that do not match are shown and logged,
    // and the answer is still waited for.
    const QRegularExpression *expected = expectationOf(current());
    if (line == textOf(current()) || (expected && !expected->match(line).hasMatch())) {
        m_passedOver = line;
        return {};
    }
    m_awaiting = false;
    ++m_answers;
    if (allSent())
        return end(kAllAnswered);
    return m_rules.periodMs ? DialogueStep{} : sendNext();
}

QString Dialogue::noAnswer(const QString &within) const {
    const QRegularExpression *expected = expectationOf(current());
    QString text =
        expected ? QStringLiteral("%1: no line matching \"%2\" %3").arg(named(current()), expected->pattern(), within)
                 : QStringLiteral("%1: no answer %2").arg(named(current()), within);
    if (!m_passedOver.isNull())
        text += QStringLiteral(" (the last line: %1)").arg(quoted(m_passedOver));
    return text;
}

DialogueStep Dialogue::tick() {
    if (m_finished || m_sent == 0 || m_waitingForCommand)
        return {};
    const qint64 waited = m_clock() - m_sentAt;
    if (m_awaiting && waited >= m_rules.timeoutMs)
        return end(kNoAnswer, noAnswer(QStringLiteral("within %1 ms").arg(m_rules.timeoutMs)));
    if (!m_rules.periodMs || waited <= *m_rules.periodMs || allSent())
        return {};
    if (m_awaiting)
        return end(kNoAnswer, noAnswer(QStringLiteral("before the next send (%1 ms)").arg(*m_rules.periodMs)));
    return sendNext();
}

std::optional<qint64> Dialogue::msToNextTick() const {
    if (m_finished || m_sent == 0 || m_waitingForCommand)
        return std::nullopt;
    const qint64 waited = m_clock() - m_sentAt;
    std::optional<qint64> next;
    if (m_awaiting)
        next = m_rules.timeoutMs - waited;
    if (m_rules.periodMs && !allSent()) {
        const qint64 period = *m_rules.periodMs + 1 - waited;
        next = next ? std::min(*next, period) : period;
    }
    if (next)
        next = std::max<qint64>(*next, 0);
    return next;
}

} // namespace run
