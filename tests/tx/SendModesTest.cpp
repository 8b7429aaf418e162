#include "tx/SendModes.h"

#include "support/QtPrinting.h"

#include <gtest/gtest.h>

namespace {

using What = SendStep::What;
constexpr SendStep kNothing{};
constexpr SendStep kCommandLine{What::CommandLine};
constexpr SendStep kNotice{.allSentNotice = true};
constexpr SendStep line(quint32 n) { return {What::FileLine, n}; }

} // namespace

void PrintTo(const SendStep &s, std::ostream *out) {
    *out << "{what " << int(s.what) << ", line " << s.line << ", notice " << s.allSentNotice << ", stop "
         << s.stopTimer << '}';
}

namespace {

struct Clocked {
    qint64 now = 0;
    SendSequencer seq{[this] { return now; }};
};

} // namespace

TEST(SendModes, PeriodSendsWhenStrictlyMoreThanThePeriodHasPassedOnTheMonotonicClock) {
    struct Tick {
        qint64 now;
        const char16_t *period;
        bool portOpen;
        bool sends;
    };
    const Tick ticks[] = {
        {1000, u"100", true, true},  // the first tick sends at once
        {1100, u"100", true, false}, // exactly the period is not enough
        {1101, u"100", true, true},
        {1250, u"", true, false},
        {1250, u"1O0", true, false}, // pasted text that is no number
        {1250, u"-5", true, false},
        {1250, u"100", false, false}, // port closed
        {1251, u"100", true, true},
        {86'399'990, u"100", true, true}, // midnight means nothing to this clock
        {86'400'050, u"100", true, false},
        {86'400'091, u"100", true, true},
        {5000, u"100", true, false}, // a clock that went back restarts the period
        {5100, u"100", true, false},
        {5101, u"100", true, true},
    };
    Clocked c;
    c.seq.enablePeriodTimer();
    for (const Tick &t : ticks) {
        SCOPED_TRACE(t.now);
        c.now = t.now;
        EXPECT_EQ(c.seq.periodTick({SendMode::Period}, t.period, t.portOpen), t.sends ? kCommandLine : kNothing);
    }
    EXPECT_EQ(c.seq.periodTick({SendMode::Manual}, u"1", true), kNothing) << "ticks in another mode do nothing";
}

TEST(SendModes, TimerSleepsUntilTheNextSendCanBeDue) {
    Clocked c;
    EXPECT_EQ(c.seq.nextTickDelayMs(SendMode::Period, u"100", true), std::nullopt) << "timer off";
    c.seq.enablePeriodTimer();
    EXPECT_EQ(c.seq.nextTickDelayMs(SendMode::Period, u"100", true), 0);
    c.now = 1000;
    ASSERT_EQ(c.seq.periodTick({SendMode::Period}, u"100", true), kCommandLine);
    c.now = 1040;
    EXPECT_EQ(c.seq.nextTickDelayMs(SendMode::Period, u"100", true), 61);
    EXPECT_EQ(c.seq.nextTickDelayMs(SendMode::Period, u"50", false), 11);
    EXPECT_EQ(c.seq.nextTickDelayMs(SendMode::Period, u"", true), std::nullopt);
    EXPECT_EQ(c.seq.nextTickDelayMs(SendMode::AfterAnswer, u"100", true), std::nullopt);
    c.now = 2000;
    EXPECT_EQ(c.seq.nextTickDelayMs(SendMode::Period, u"100", false), SendSequencer::kClosedPortRecheckMs);
}

TEST(SendModes, FileLinesGoInTurnInEveryMode) {
    enum Event { Start, Answer, AnswerMoreWaiting, Tick };
    struct Row {
        Event event;
        SendMode mode;
        bool cyclic;
        SendStep expected;
        quint32 indexAfter;
    };
    const std::vector<std::vector<Row>> runs = {
        {{Start, SendMode::Manual, false, line(0), 1},
         {Start, SendMode::Manual, false, line(1), 2},
         {Start, SendMode::Manual, false, line(2), 3},
         {Start, SendMode::Manual, false, kNotice, 0},
         {Start, SendMode::Manual, false, line(0), 1},
         {Start, SendMode::OnSelect, false, kNothing, 1}},
        {{Start, SendMode::AfterAnswer, false, line(0), 1},
         {Answer, SendMode::AfterAnswer, false, line(1), 2},
         {AnswerMoreWaiting, SendMode::AfterAnswer, false, kNothing, 2},
         {Answer, SendMode::Manual, false, kNothing, 2},
         {Answer, SendMode::AfterAnswer, false, line(2), 3},
         {Answer, SendMode::AfterAnswer, false, kNotice, 0}},
        {{Answer, SendMode::AfterAnswer, true, line(0), 1},
         {Answer, SendMode::AfterAnswer, true, line(1), 2},
         {Answer, SendMode::AfterAnswer, true, line(2), 3},
         {Answer, SendMode::AfterAnswer, true, line(0), 1}}, // the answer to the last line sends line 1
        {{Start, SendMode::Period, true, kNothing, 0},
         {Tick, SendMode::Period, true, line(0), 1},
         {Tick, SendMode::Period, true, line(1), 2},
         {Tick, SendMode::Period, true, line(2), 3},
         {Tick, SendMode::Period, true, kNothing, 0}, // line 1 goes at the next period
         {Tick, SendMode::Period, true, line(0), 1},
         // while the period timer runs, the chain's end says nothing
         {Answer, SendMode::AfterAnswer, false, line(1), 2},
         {Answer, SendMode::AfterAnswer, false, line(2), 3},
         {Answer, SendMode::AfterAnswer, false, kNothing, 0}},
        {{Start, SendMode::Period, false, kNothing, 0},
         {Tick, SendMode::Period, false, line(0), 1},
         {Tick, SendMode::Period, false, line(1), 2},
         {Tick, SendMode::Period, false, line(2), 3},
         {Tick, SendMode::Period, false, {.allSentNotice = true, .stopTimer = true}, 0},
         {Tick, SendMode::Period, false, kNothing, 0}, // the timer is off
         // the period timer's own notice lets the chain speak again
         {Answer, SendMode::AfterAnswer, false, line(0), 1},
         {Start, SendMode::AfterAnswer, false, line(1), 2},
         {Start, SendMode::AfterAnswer, false, line(2), 3},
         {Answer, SendMode::AfterAnswer, false, kNotice, 0}},
    };
    for (size_t r = 0; r < runs.size(); ++r) {
        Clocked c;
        for (size_t i = 0; i < runs[r].size(); ++i) {
            const Row &row = runs[r][i];
            SCOPED_TRACE(testing::Message() << "run " << r << " step " << i);
            const SendInputs in{row.mode, true, 3, row.cyclic};
            c.now += 1001;
            SendStep step;
            switch (row.event) {
            case Start: step = c.seq.startSendCommands(in); break;
            case Answer: step = c.seq.afterAnswer(in, false); break;
            case AnswerMoreWaiting: step = c.seq.afterAnswer(in, true); break;
            case Tick: step = c.seq.periodTick(in, u"1000", true); break;
            }
            EXPECT_EQ(step, row.expected);
            EXPECT_EQ(c.seq.FileLineIndex, row.indexAfter);
        }
    }
}

TEST(SendModes, CommandLineIsSentOutsideFileMode) {
    Clocked c;
    EXPECT_EQ(c.seq.afterAnswer({SendMode::AfterAnswer}, false), kCommandLine);
    EXPECT_EQ(c.seq.afterAnswer({SendMode::Period}, false), kNothing);
    EXPECT_TRUE(c.seq.rearmCyclic(true, SendMode::Period));
    EXPECT_FALSE(c.seq.rearmCyclic(true, SendMode::Period)) << "already on";
    EXPECT_EQ(c.seq.periodTick({SendMode::Period}, u"0", true), kCommandLine);
    Clocked off;
    EXPECT_FALSE(off.seq.rearmCyclic(false, SendMode::Period));
    EXPECT_FALSE(off.seq.rearmCyclic(true, SendMode::Manual));
}

TEST(SendModes, PeriodFieldTakesDigitsAndBackspaceOnly) {
    const std::pair<const char16_t *, bool> keys[] = {
        {u"7", true}, {u"\b", true}, {u"", true}, {u"\x7f", true}, {u"a", false}, {u"-", false}, {u"\r", false},
        {u"\x16", false}, // Ctrl+V types nothing either
    };
    for (const auto &[typed, allowed] : keys)
        EXPECT_EQ(PeriodKeyAllowed(typed), allowed) << QString::fromUtf16(typed).toStdString();
    EXPECT_EQ(PeriodMs(u"99999"), 99999);
    EXPECT_EQ(PeriodMs(u"0"), 0);
    EXPECT_EQ(PeriodMs(u" 10"), std::nullopt);
}
