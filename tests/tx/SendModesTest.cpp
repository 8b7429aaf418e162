#include "tx/SendModes.h"

#include <gtest/gtest.h>

#include <cctype>

using namespace tx;

namespace {

// One step as a character: the file line sent ('0'..'2'), 'c' the command
// line, '!' the end notice, '#' the timer stopping itself with the notice,
// '-' nothing.
char outcome(const SendStep &s) {
    using enum SendStep::What;
    if (s.stopTimer || s.allSentNotice)
        return s.what != Nothing || !s.allSentNotice ? '?' : s.stopTimer ? '#' : '!';
    return s.what == FileLine ? char('0' + s.line) : s.what == CommandLine ? 'c' : '-';
}

} // namespace

TEST(SendModes, PeriodSendsWhenStrictlyMoreThanThePeriodHasPassedOnTheMonotonicClock) {
    struct Tick {
        qint64 now;
        const char16_t *period;
        bool portOpen;
        char sends;
        std::optional<qint64> nextTickIn;
    };
    const Tick ticks[] = {
        {1000, u"100", true, 'c', 101}, // the first tick sends at once
        {1100, u"100", true, '-', 1},   // exactly the period is not enough
        {1101, u"100", true, 'c', 101},
        {1250, u"", true, '-', std::nullopt},
        {1250, u"1O0", true, '-', std::nullopt}, // pasted text that is no number
        {1250, u"-5", true, '-', std::nullopt},
        {1250, u"100", false, '-', std::nullopt},
        {1251, u"100", true, 'c', 101},
        {86'399'990, u"100", true, 'c', 101}, // midnight means nothing to this clock
        {86'400'050, u"100", true, '-', 41},
        {86'400'091, u"100", true, 'c', 101},
        {5000, u"100", true, '-', 101}, // a clock that went back restarts the period
        {5101, u"100", true, 'c', 101},
    };
    qint64 now = 0;
    SendSequencer seq([&] { return now; });
    EXPECT_EQ(seq.nextTickDelayMs({SendMode::Period}, u"100", true), std::nullopt) << "timer off";
    seq.enablePeriodTimer();
    for (const Tick &t : ticks) {
        SCOPED_TRACE(t.now);
        now = t.now;
        EXPECT_EQ(outcome(seq.periodTick({SendMode::Period}, t.period, t.portOpen)), t.sends);
        seq.reschedule({SendMode::Period}, t.period, t.portOpen);
        EXPECT_EQ(seq.nextTickDelayMs({SendMode::Period}, t.period, t.portOpen), t.nextTickIn);
    }
    EXPECT_EQ(outcome(seq.periodTick({SendMode::Manual}, u"1", true)), '-') << "other modes' ticks do nothing";
    EXPECT_EQ(seq.nextTickDelayMs({SendMode::Manual}, u"1", true), std::nullopt);
}

TEST(SendModes, PeriodicSendingIsPacedByTheLineAndSleepsWhileThereIsNothingToSend) {
    struct Tick {
        qint64 now;
        bool tick;        // a tick of the timer, or only the window asking when the next is due
        qint64 pendingMs; // output of earlier sends still queued, as the port tells it
        bool emptyLine;   // the command line is empty
        char sends;
        std::optional<qint64> nextTickIn;
    };
    const Tick ticks[] = {
        {1000, true, 0, false, 'c', 101},
        {1101, true, 5, false, '-', 5},   // the last packet is still queued: nothing more is queued
        {1106, true, 0, false, 'c', 101}, // it has left: the send goes at once, the period counts anew
        {1150, true, 20, false, '-', 57}, // not due, whatever is queued
        {1207, true, 0, false, 'c', 101},
        {1250, false, 0, true, '-', std::nullopt}, // emptied: the timer sleeps
        {1700, false, 0, false, '-', 12},          // typed: the next end of a period counted on from 1207
        {1712, true, 0, false, 'c', 101},
    };
    qint64 now = 0;
    SendSequencer seq([&] { return now; });
    seq.enablePeriodTimer();
    for (const Tick &t : ticks) {
        SCOPED_TRACE(t.now);
        now = t.now;
        SendInputs in{SendMode::Period};
        in.emptyCommandLine = t.emptyLine;
        if (t.tick) {
            EXPECT_EQ(outcome(seq.periodTick(in, u"100", true, t.pendingMs > 0)), t.sends);
        }
        seq.reschedule(in, u"100", true);
        EXPECT_EQ(seq.nextTickDelayMs(in, u"100", true, t.pendingMs), t.nextTickIn);
    }
}

TEST(SendModes, FileLinesGoInTurnInEveryMode) {
    // Events of a three-line file: start ("send from file") in manual (m),
    // after-answer (a) or period (p) mode; an answer in after-answer mode (A),
    // one with more bytes waiting (W), one in manual mode (M); a period tick
    // (T). Each is followed by its outcome.
    const std::pair<bool, const char *> runs[] = {
        {false, "m0 m1 m2 m! m0"},
        {false, "a0 A1 W- M- A2 A! A0"},
        {true, "A0 A1 A2 A0"},       // the answer to the last line sends line 1 at once
        {true, "p- T0 T1 T2 T- T0"}, // line 1 goes at the next period
        {false, "p- A0 A1 A2 A-"},   // while the period timer runs, the chain ends silently
        {false, "p- T0 T1 T2 T# T- A0 A1 A2 A!"},
    };
    for (const auto &[cyclic, script] : runs) {
        SCOPED_TRACE(script);
        qint64 now = 0;
        SendSequencer seq([&] { return now; });
        for (const char *at = script; *at; at += 3) {
            const char event = at[0];
            const SendMode mode = event == 'm' || event == 'M'   ? SendMode::Manual
                                  : event == 'p' || event == 'T' ? SendMode::Period
                                                                 : SendMode::AfterAnswer;
            const SendInputs in{mode, true, 3, cyclic};
            now += 1001;
            const SendStep step = std::islower(event) ? seq.startSendCommands(in)
                                  : event == 'T'      ? seq.periodTick(in, u"1000", true)
                                                      : seq.afterAnswer(in, event == 'W');
            EXPECT_EQ(outcome(step), at[1]) << "at " << at;
            if (!at[2])
                break;
        }
    }
}

TEST(SendModes, AFileLineThePortRefusedGoesFirstNext) {
    // As above, and R: the port refused the line just handed out.
    const char *const runs[] = {
        "a0 A1 R- a1 A2 A!",    // after the answer: "send from file" resumes at the refused line
        "a0 A1 A2 R- a2 A!",    // the last line too, then the end
        "p- T0 T1 R- T1 T2 T#", // periodic: the next period sends it
        "m0 R- m0 m1",
    };
    for (const char *script : runs) {
        SCOPED_TRACE(script);
        qint64 now = 0;
        SendSequencer seq([&] { return now; });
        SendStep last;
        for (const char *at = script; *at; at += 3) {
            const char event = at[0];
            const SendMode mode = event == 'm'                   ? SendMode::Manual
                                  : event == 'p' || event == 'T' ? SendMode::Period
                                                                 : SendMode::AfterAnswer;
            const SendInputs in{mode, true, 3, false};
            now += 1001;
            if (event == 'R') {
                seq.lineNotSent(last.line);
                EXPECT_EQ(seq.fileLineIndex(), last.line);
            } else {
                last = std::islower(event) ? seq.startSendCommands(in)
                       : event == 'T'      ? seq.periodTick(in, u"1000", true)
                                           : seq.afterAnswer(in, false);
                EXPECT_EQ(outcome(last), at[1]) << "at " << at;
            }
            if (!at[2])
                break;
        }
    }
}

TEST(SendModes, PeriodFieldTakesDigitsAndBackspaceOnly) {
    const std::pair<const char16_t *, bool> keys[] = {
        {u"7", true},       {u"\b", true}, {u"", true},    {u"\x7f", true},  {u"\t", true},
        {u"a", false},      {u"-", false}, {u"\r", false}, {u"\x16", false}, // Ctrl+V types nothing either
        {u"\u0663", false},                                                  // a digit of another script is no period
    };
    for (const auto &[typed, allowed] : keys)
        EXPECT_EQ(periodKeyAllowed(typed), allowed) << QString::fromUtf16(typed).toStdString();
}
