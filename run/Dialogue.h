#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace run {

// What the run is to do with its commands and the answers to them.
struct DialogueRules {
    // The commands as the user gave them (named in the reasons).
    QStringList commands;
    // None, one for every command, or one per command.
    QList<QRegularExpression> expect;
    std::optional<QRegularExpression> abort;
    qint64 timeoutMs = 2000;
    // Sends on a fixed period instead of after each answer.
    std::optional<qint64> periodMs;
    // Times through the list; 0: until stopped.
    int count = 1;
    // The list goes on past `commands` as it is read (addCommand) until
    // commandsEnded(); once through only. A command sent is forgotten.
    bool streamed = false;
};

// One decision of the dialogue, for the runner to carry out.
struct DialogueStep {
    enum class What { Wait, Send, Finish };
    What what = What::Wait;
    qsizetype command = -1; // Send: the index of the command to send
    int exitStatus = 0;     // Finish
    QString reason;         // Finish with a fault: what went wrong

    static DialogueStep send(qsizetype command) { return {What::Send, command, 0, {}}; }
    static DialogueStep finish(int status, const QString &reason = {}) { return {What::Finish, -1, status, reason}; }
    bool operator==(const DialogueStep &) const = default;
};

// The run as a chat with the device: which command goes next and when, which
// answer each must get, and when the run is over and with which status. What
// the device sends is looked at line by line (AnswerLines), as chat and
// expect do: after a send, the first line that is not the command's echo and
// matches the command's expectation (any line without one) is its answer;
// the other lines are passed over, and only the time can run out (3). A line
// matching --abort ends the run at once (4), whenever it comes.
// Time comes from an injected clock in ms; nothing here waits. By default
// each command goes as soon as the previous one is answered; with a period
// every command goes periodMs after the previous one (strictly more, as in
// the window) and must be answered before that.
class Dialogue {
public:
    using Clock = std::function<qint64()>;

    Dialogue(DialogueRules rules, Clock clock);

    // The first send (or the end, with nothing to send).
    DialogueStep start();
    // A line arrived (without its line end).
    DialogueStep answer(const QString &line);
    // Streamed: the next command was read; sent at once when it is due.
    DialogueStep addCommand(const QString &command);
    // Streamed: no command follows those added.
    DialogueStep commandsEnded();
    // Streamed: commands added but not sent yet.
    qsizetype commandsAhead() const { return m_rules.commands.size() - (m_sent - m_forgotten); }
    // Lines taken as answers so far.
    qint64 answers() const { return m_answers; }
    // Time has passed: a timeout or a periodic send may be due.
    DialogueStep tick();
    // ms until tick() can decide something; none while only an answer can.
    std::optional<qint64> msToNextTick() const;

    bool finished() const { return m_finished; }

private:
    DialogueStep sendNext();
    DialogueStep end(int status, const QString &reason = {});
    qsizetype current() const { return m_rules.streamed ? m_sent - 1 : (m_sent - 1) % m_rules.commands.size(); }
    QString textOf(qsizetype command) const { return m_rules.commands.value(command - m_forgotten); }
    QString named(qsizetype command) const;
    QString noAnswer(const QString &within) const;
    const QRegularExpression *expectationOf(qsizetype command) const;
    bool allSent() const {
        return m_rules.count > 0 && !m_moreToCome &&
               m_sent >= qint64(m_rules.count) * (m_forgotten + m_rules.commands.size());
    }

    DialogueRules m_rules;
    Clock m_clock;
    qint64 m_sent = 0; // sends so far, over all passes
    qint64 m_sentAt = 0;
    bool m_awaiting = false;
    qint64 m_answers = 0;
    // The last line passed over since the send (null: none).
    QString m_passedOver;
    bool m_finished = false;
    // Streamed: commands may still be added; the next send waits for one.
    bool m_moreToCome = false;
    bool m_waitingForCommand = false;
    // Streamed: commands sent and dropped from the front of the list.
    qint64 m_forgotten = 0;
};

} // namespace run
