#include "run/Dialogue.h"

#include "run/RunTexts.h"

#include <gtest/gtest.h>

// Designated initializers leave the other rules at their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace run;

namespace {

// One event of a run and the decision expected: 'a' an answer with its text,
// 't' time passing to `at`, 'c' a streamed command read, 'e' the end of them; the decision as "s0" (send command 0),
// "-" (wait), or the exit status "=3" with a reason containing `why`.
struct Event {
    char kind;
    qint64 at;
    const char *text;
    const char *decision;
    const char *why = "";
};

std::string decision(const DialogueStep &step) {
    switch (step.what) {
    case DialogueStep::What::Wait:
        return "-";
    case DialogueStep::What::Send:
        return "s" + std::to_string(step.command);
    case DialogueStep::What::Finish:
        return "=" + std::to_string(step.exitStatus);
    }
    return "?";
}

void play(DialogueRules rules, std::initializer_list<Event> events) {
    qint64 now = 0;
    Dialogue dialogue(std::move(rules), [&] { return now; });
    EXPECT_EQ(decision(dialogue.start()), "s0");
    for (const Event &e : events) {
        SCOPED_TRACE(std::string(1, e.kind) + std::to_string(e.at) + " " + e.text);
        now = e.at;
        const DialogueStep step = e.kind == 'a'   ? dialogue.answer(QString::fromUtf8(e.text))
                                  : e.kind == 'c' ? dialogue.addCommand(QString::fromUtf8(e.text))
                                  : e.kind == 'e' ? dialogue.commandsEnded()
                                                  : dialogue.tick();
        EXPECT_EQ(decision(step), e.decision);
        EXPECT_TRUE(step.reason.contains(QString::fromUtf8(e.why))) << step.reason.toStdString();
    }
}

QList<QRegularExpression> patterns(std::initializer_list<const char *> texts) {
    QList<QRegularExpression> list;
    for (const char *t : texts)
        list << QRegularExpression(QString::fromUtf8(t));
    return list;
}

const QStringList kThree{"AT", "ATI", "AT+X"};

} // namespace

TEST(Dialogue, AfterAnswerEachCommandGoesWhenThePreviousIsAnswered) {
    play({.commands = kThree}, {
                                   {'t', 1999, "", "-"},
                                   {'a', 1999, "OK\r", "s1"},
                                   {'t', 3998, "", "-"}, // the timeout runs from each send
                                   {'a', 3998, "anything", "s2"},
                                   {'a', 4000, "OK\r", "=0"},
                                   {'a', 4001, "OK\r", "-"},
                                   {'t', 9000, "", "-"},
                               });
}

TEST(Dialogue, TimeoutWrongAnswerAndAbortEndTheRun) {
    play({.commands = kThree},
         {{'a', 10, "OK", "s1"}, {'t', 2010, "", "=3", "command 2 \"ATI\": no answer within 2000 ms"}});
    play({.commands = kThree, .expect = patterns({"^OK"})},
         {{'a', 10, "OK", "s1"},
          {'a', 20, "ERROR", "-"},
          {'t', 2010, "", "=3",
           "command 2 \"ATI\": no line matching \"^OK\" within 2000 ms (the last line: \"ERROR\")"}});
    play({.commands = kThree, .expect = patterns({"^OK"}), .abort = QRegularExpression("NO CARRIER")},
         {{'a', 10, "NO CARRIER", "=4", "matches --abort \"NO CARRIER\""}});
    // An abort counts even when nothing is awaited.
    play({.commands = {"A"}, .abort = QRegularExpression("BUSY"), .periodMs = 100, .count = 2},
         {{'a', 10, "OK", "-"}, {'a', 50, "BUSY", "=4", "--abort"}});
}

TEST(Dialogue, ExpectationsPerCommandInOrder) {
    play({.commands = kThree, .expect = patterns({"^1", "^2", "^3"})}, {
                                                                           {'a', 5, "1 ok", "s1"},
                                                                           {'a', 6, "2 ok", "s2"},
                                                                           {'a', 7, "2 again", "-"},
                                                                           {'t', 2006, "", "=3", "command 3"},
                                                                       });
    play({.commands = kThree, .expect = patterns({"^1", "^2", "^3"})},
         {{'a', 5, "1", "s1"}, {'a', 6, "2", "s2"}, {'a', 7, "3", "=0"}});
}

TEST(Dialogue, CountGoesThroughTheListAgain) {
    play({.commands = {"A", "B"}, .expect = patterns({"^a", "^b"}), .count = 2},
         {{'a', 1, "a", "s1"}, {'a', 2, "b", "s0"}, {'a', 3, "a", "s1"}, {'a', 4, "b", "=0"}});
}

TEST(Dialogue, PeriodSendsStrictlyAfterThePeriodAndWantsEachAnswerBeforeTheNextSend) {
    const DialogueRules periodic{.commands = {"A", "B"}, .periodMs = 100, .count = 2};
    play(periodic, {
                       {'a', 30, "ok", "-"},
                       {'t', 100, "", "-"},
                       {'t', 101, "", "s1"},
                       {'a', 150, "ok", "-"},
                       {'t', 202, "", "s0"},
                       {'a', 210, "ok", "-"},
                       {'t', 303, "", "s1"},
                       {'a', 310, "ok", "=0"},
                   });
    play(periodic, {{'t', 101, "", "=3", "no answer before the next send (100 ms)"}});
    // The last command is given the whole timeout.
    play({.commands = {"A"}, .timeoutMs = 500, .periodMs = 100},
         {{'t', 499, "", "-"}, {'t', 500, "", "=3", "within 500 ms"}});
}

TEST(Dialogue, TellsWhenTheNextTickCanDecide) {
    qint64 now = 0;
    Dialogue after({.commands = kThree}, [&] { return now; });
    EXPECT_EQ(after.msToNextTick(), std::nullopt) << "not started";
    after.start();
    now = 1500;
    EXPECT_EQ(after.msToNextTick(), 500);
    now = 2500;
    EXPECT_EQ(after.msToNextTick(), 0);
    after.tick();
    EXPECT_EQ(after.msToNextTick(), std::nullopt) << "finished";

    now = 0;
    Dialogue periodic({.commands = {"A", "B"}, .periodMs = 100}, [&] { return now; });
    periodic.start();
    now = 40;
    EXPECT_EQ(periodic.msToNextTick(), 61);
    periodic.answer("ok");
    EXPECT_EQ(periodic.msToNextTick(), 61);
    now = 101;
    periodic.tick();
    EXPECT_EQ(periodic.msToNextTick(), 2000) << "the last command: only its timeout";
}

TEST(Dialogue, NothingToSendEndsAtOnce) {
    Dialogue empty({}, [] { return qint64(0); });
    EXPECT_EQ(empty.start(), DialogueStep::finish(kAllAnswered));
    EXPECT_TRUE(empty.finished());
}

TEST(Dialogue, EchoAndLinesThatDoNotMatchArePassedOver) {
    // chat's way: after a send the first line that is not the echo and
    // matches is the answer, however much comes before it.
    play({.commands = {"AT", "ATI"}, .expect = patterns({"^OK"})}, {
                                                                       {'a', 1, "AT", "-"},
                                                                       {'a', 2, "RING", "-"},
                                                                       {'a', 3, "OK", "s1"},
                                                                       {'a', 4, "ATI", "-"},
                                                                       {'a', 5, "Modem 1.0", "-"},
                                                                       {'a', 6, "OK", "=0"},
                                                                   });
    // Without an expectation any line but the echo answers.
    play({.commands = {"AT"}}, {{'a', 1, "AT", "-"}, {'a', 2, "RING", "=0"}});
    play({.commands = {"AT"}},
         {{'a', 1, "AT", "-"},
          {'t', 2000, "", "=3", "command 1 \"AT\": no answer within 2000 ms (the last line: \"AT\")"}});
    // An abort line ends the run whatever else is awaited.
    play({.commands = {"ATD"}, .expect = patterns({"^CONNECT"}), .abort = QRegularExpression("^(BUSY|NO CARRIER)$")},
         {{'a', 1, "ATD", "-"}, {'a', 2, "RING", "-"}, {'a', 3, "BUSY", "=4", "answer \"BUSY\" matches --abort"}});
}

TEST(Dialogue, MessagesQuoteAtMostTwoHundredCharacters) {
    const QString flood(1000000, QLatin1Char('x'));
    const QString shown = "\"" + QString(200, QLatin1Char('x')) + "...\" (999800 more characters)";
    play({.commands = {flood}, .expect = patterns({"^OK"})},
         {{'a', 1, flood.toUtf8().constData(), "-"},
          {'t', 2000, "", "=3",
           ("command 1 " + shown + ": no line matching \"^OK\" within 2000 ms (the last line: " + shown + ")")
               .toUtf8()
               .constData()}});
}

TEST(Dialogue, StreamedCommandsGoAsTheyAreReadAndTheRunEndsWithTheInput) {
    const DialogueRules streamed{.commands = {"AT"}, .expect = patterns({"^OK"}), .streamed = true};
    // Read ahead of the answers: each goes when the one before is answered.
    play(streamed, {
                       {'c', 1, "ATI", "-"},
                       {'a', 2, "OK", "s1"},
                       {'c', 3, "ATZ", "-"},
                       {'e', 4, "", "-"},
                       {'a', 5, "ATI", "-"}, // its echo, known after its send
                       {'a', 6, "OK", "s2"},
                       {'a', 7, "OK", "=0"},
                   });
    // Read after the answer: the send waits for the command, without a timeout.
    play(streamed, {
                       {'a', 2, "OK", "-"},
                       {'t', 9000, "", "-"},
                       {'c', 9001, "ATI", "s1"},
                       {'t', 11001, "", "=3", "command 2 \"ATI\": no line matching"},
                   });
    // The input ends after the last answer.
    play(streamed, {{'a', 2, "OK", "-"}, {'e', 3, "", "=0"}});
    play(streamed, {{'e', 1, "", "-"}, {'a', 2, "OK", "=0"}});
}

TEST(Dialogue, StreamedCommandsAreForgottenOnceSent) {
    qint64 now = 0;
    Dialogue dialogue({.commands = {"A"}, .periodMs = 10, .streamed = true}, [&] { return now; });
    EXPECT_EQ(dialogue.start(), DialogueStep::send(0));
    for (int command = 1; command < 1000; ++command) {
        EXPECT_EQ(dialogue.addCommand(QString::number(command)), DialogueStep{});
        EXPECT_EQ(dialogue.commandsAhead(), 1);
        EXPECT_EQ(dialogue.answer(QStringLiteral("ok")), DialogueStep{});
        now += 11;
        EXPECT_EQ(dialogue.tick(), DialogueStep::send(command));
    }
    EXPECT_EQ(dialogue.answer(QStringLiteral("ok")), DialogueStep{});
    EXPECT_EQ(dialogue.msToNextTick(), 11) << "the period runs on";
    now += 11;
    EXPECT_EQ(dialogue.tick(), DialogueStep{}) << "waiting for a command: no timeout";
    EXPECT_EQ(dialogue.msToNextTick(), std::nullopt);
    EXPECT_EQ(dialogue.commandsEnded(), DialogueStep::finish(kAllAnswered));
}
