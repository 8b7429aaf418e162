#include "rx/PacketFraming.h"

#include "rx/WeekClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

using namespace rx;

namespace {

TEST(ReceiveRoom, IsWhatIsLeftOfTheBuffer) {
    EXPECT_EQ(receiveRoom(0), 2048);
    EXPECT_EQ(receiveRoom(1500), 548);
    EXPECT_EQ(receiveRoom(2047), 1);
    EXPECT_EQ(receiveRoom(2048), 0);
}

// --- single decisions ---------------------------------------------------

TEST(PacketFramingDecide, GapZeroEndsThePacketOnTheNextLaterReading) {
    PacketFraming framing;
    EXPECT_FALSE(framing.decide(1000, true, 0, true, 5).render);
    EXPECT_EQ(framing.LastRxTime, 1000);
    EXPECT_FALSE(framing.decide(1000, false, 0, true, 5).render); // same reading: silence 0
    const FramingDecision d = framing.decide(1001, false, 0, true, 5);
    EXPECT_TRUE(d.render);
    EXPECT_TRUE(d.gapEnded);
}

TEST(PacketFramingDecide, SilenceMustExceedTheGap) {
    PacketFraming framing;
    framing.decide(5000, true, 50, true, 3);
    EXPECT_FALSE(framing.decide(5050, false, 50, true, 3).render);
    EXPECT_TRUE(framing.decide(5051, false, 50, true, 3).render);
}

TEST(PacketFramingDecide, LargestGap) {
    PacketFraming framing;
    framing.decide(1000, true, 100000, true, 3);
    EXPECT_FALSE(framing.decide(101000, false, 100000, true, 3).render);
    EXPECT_TRUE(framing.decide(101001, false, 100000, true, 3).render);
}

TEST(PacketFramingDecide, HexModeNeverReportsTheGapEnded) {
    PacketFraming framing;
    framing.decide(1000, true, 0, false, 4);
    const FramingDecision d = framing.decide(1001, false, 0, false, 4);
    EXPECT_TRUE(d.render);
    EXPECT_FALSE(d.gapEnded);
}

TEST(PacketFramingDecide, BytesArrivingKeepThePacketOpen) {
    PacketFraming framing;
    for (qint32 T = 1000; T < 1100; T += 10)
        EXPECT_FALSE(framing.decide(T, true, 10, true, 100).render) << T;
    EXPECT_EQ(framing.LastRxTime, 1090);
}

TEST(PacketFramingDecide, MoreThan1500BytesEndThePacketAtOnce) {
    PacketFraming framing;
    EXPECT_FALSE(framing.decide(1000, true, 1000, true, 1500).render);
    const FramingDecision d = framing.decide(1001, true, 1000, true, 1501);
    EXPECT_TRUE(d.render);
    EXPECT_FALSE(d.gapEnded);
}

TEST(PacketFramingDecide, NothingToRenderWhileTheBufferIsEmpty) {
    PacketFraming framing;
    framing.decide(1000, true, 0, true, 0);
    EXPECT_FALSE(framing.decide(2000, false, 0, true, 0).render);
}

TEST(PacketFramingDecide, WrapOfTheClockRestartsTheSilence) {
    PacketFraming framing;
    framing.decide(kWeekMs - 5, true, 100, true, 10);
    EXPECT_FALSE(framing.decide(3, false, 100, true, 10).render);
    EXPECT_EQ(framing.LastRxTime, 3);
    EXPECT_FALSE(framing.decide(103, false, 100, true, 10).render);
    EXPECT_TRUE(framing.decide(104, false, 100, true, 10).render);
}

TEST(PacketFramingDecide, WrapWithGapZero) {
    PacketFraming framing;
    framing.decide(kWeekMs - 1, true, 0, true, 1);
    EXPECT_FALSE(framing.decide(0, false, 0, true, 1).render);
    EXPECT_TRUE(framing.decide(1, false, 0, true, 1).render);
}

// --- next tick ----------------------------------------------------------

TEST(PacketFramingNextTick, NoneWhileNothingIsPending) {
    PacketFraming framing;
    EXPECT_FALSE(framing.nextTickDelayMs(1000, 0, 0, false).has_value());
}

TEST(PacketFramingNextTick, BytesThatDidNotFitAreReadAtOnce) {
    PacketFraming framing;
    framing.decide(1000, true, 500, true, 0);
    EXPECT_EQ(framing.nextTickDelayMs(1000, 500, 0, true), 0);
    EXPECT_EQ(framing.nextTickDelayMs(1000, 500, 1600, true), 0);
    EXPECT_EQ(framing.nextTickDelayMs(1000, 500, 1600, false), 1);
}

TEST(PacketFramingNextTick, DueOneMillisecondAfterTheGap) {
    PacketFraming framing;
    framing.decide(1000, true, 0, true, 5);
    EXPECT_EQ(framing.nextTickDelayMs(1000, 0, 5, false), 1);
    EXPECT_EQ(framing.nextTickDelayMs(1000, 50, 5, false), 51);
    EXPECT_EQ(framing.nextTickDelayMs(1030, 50, 5, false), 21);
    EXPECT_EQ(framing.nextTickDelayMs(1000, 100000, 5, false), 100001);
}

TEST(PacketFramingNextTick, AnEarlyTickAsksForTheRest) {
    PacketFraming framing;
    framing.decide(1000, true, 50, true, 5);
    EXPECT_FALSE(framing.decide(1049, false, 50, true, 5).render);
    EXPECT_EQ(framing.nextTickDelayMs(1049, 50, 5, false), 2);
}

TEST(PacketFramingNextTick, NeverLaterThanTheWeeklyWrap) {
    PacketFraming framing;
    framing.decide(kWeekMs - 1000, true, 100000, true, 5);
    EXPECT_EQ(framing.nextTickDelayMs(kWeekMs - 1000, 100000, 5, false), 1000);

    framing.decide(kWeekMs - 1, true, 0, true, 5);
    EXPECT_EQ(framing.nextTickDelayMs(kWeekMs - 1, 0, 5, false), 1);
}

TEST(PacketFramingNextTick, AfterTheWrapTheWholeGapAgain) {
    PacketFraming framing;
    framing.decide(kWeekMs - 1000, true, 100000, true, 5);
    EXPECT_FALSE(framing.decide(0, false, 100000, true, 5).render);
    EXPECT_EQ(framing.nextTickDelayMs(0, 100000, 5, false), 100001);
}

TEST(PacketFramingNextTick, AWrapNotYetSeenByDecideIsFollowedAtOnce) {
    PacketFraming framing;
    framing.decide(kWeekMs - 10, true, 100, true, 5);
    EXPECT_EQ(framing.nextTickDelayMs(2, 100, 5, false), 1);
}

// --- the poll over time -------------------------------------------------

// Bytes reaching the port's input queue at an absolute millisecond.
struct Arrival {
    qint64 at;
    quint32 bytes;
};

struct Render {
    qint64 at;
    quint32 length;
    bool gapEnded;
    bool operator==(const Render &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Render &r) {
    return os << "{at " << r.at << ", " << r.length << " bytes" << (r.gapEnded ? ", gap ended" : "") << '}';
}

// The receive poll around PacketFraming: a port queue, RxLen and the packets
// handed on. The week clock is the absolute time modulo a week.
class Poll {
public:
    Poll(qint32 gap, bool ascii, std::vector<Arrival> arrivals)
        : m_gap(gap), m_ascii(ascii), m_arrivals(std::move(arrivals)) {}

    void tick(qint64 t) {
        while (m_next < m_arrivals.size() && m_arrivals[m_next].at <= t)
            m_queue += m_arrivals[m_next++].bytes;
        m_T = qint32(t % kWeekMs);
        const quint32 waiting = m_queue;
        if (waiting > 0) {
            const auto got = quint32(std::min<qint64>(waiting, receiveRoom(m_rxLen)));
            m_queue -= got;
            m_rxLen += got;
        }
        const FramingDecision d = m_framing.decide(m_T, waiting > 0, m_gap, m_ascii, m_rxLen);
        if (d.render) {
            renders.push_back({t, m_rxLen, d.gapEnded});
            m_rxLen = 0;
        }
    }

    std::optional<qint32> nextTickDelay() const { return m_framing.nextTickDelayMs(m_T, m_gap, m_rxLen, m_queue > 0); }

    std::optional<qint64> nextArrival() const {
        if (m_next < m_arrivals.size())
            return m_arrivals[m_next].at;
        return std::nullopt;
    }

    std::vector<Render> renders;

private:
    qint32 m_gap;
    bool m_ascii;
    std::vector<Arrival> m_arrivals;
    size_t m_next = 0;
    quint32 m_queue = 0;
    quint32 m_rxLen = 0;
    qint32 m_T = 0;
    PacketFraming m_framing;
};

std::vector<Render> pollEveryMillisecond(const std::vector<Arrival> &arrivals, qint32 gap, bool ascii, qint64 from,
                                         qint64 to) {
    Poll poll(gap, ascii, arrivals);
    for (qint64 t = from; t <= to; ++t)
        poll.tick(t);
    return poll.renders;
}

// Ticks only when bytes arrive and when the framing asks for one.
std::vector<Render> pollOnEvents(const std::vector<Arrival> &arrivals, qint32 gap, bool ascii, qint64 to) {
    Poll poll(gap, ascii, arrivals);
    std::optional<qint64> timer;
    for (;;) {
        std::optional<qint64> next = poll.nextArrival();
        if (timer && (!next || *timer < *next))
            next = timer;
        if (!next || *next > to)
            break;
        poll.tick(*next);
        const std::optional<qint32> delay = poll.nextTickDelay();
        timer = delay ? std::optional<qint64>(*next + *delay) : std::nullopt;
    }
    return poll.renders;
}

struct Scenario {
    const char *name;
    qint32 gap;
    bool ascii;
    std::vector<Arrival> arrivals;
    std::vector<Render> expected;
};

const qint64 kWrap = kWeekMs; // absolute time of the next Monday 00:00

std::vector<Arrival> stream(qint64 from, qint64 to, quint32 bytesPerMs) {
    std::vector<Arrival> arrivals;
    for (qint64 t = from; t <= to; ++t)
        arrivals.push_back({t, bytesPerMs});
    return arrivals;
}

const Scenario kScenarios[] = {
    {"gap 0: one line per burst", 0, true, {{1000, 10}, {1002, 5}, {1003, 3}}, {{1001, 10, true}, {1004, 8, true}}},
    {"gap 20: close answers joined",
     20,
     true,
     {{1000, 10}, {1015, 10}, {1050, 10}, {1072, 4}},
     {{1036, 20, true}, {1071, 10, true}, {1093, 4, true}}},
    {"bytes on the tick the gap would end keep the packet open", 20, true, {{1000, 10}, {1021, 5}}, {{1042, 15, true}}},
    {"hex mode", 20, false, {{1000, 10}, {1015, 10}}, {{1036, 20, false}}},
    {"packet in progress at the wrap ends one gap after it",
     100,
     true,
     {{kWrap - 30, 10}, {kWrap - 5, 10}},
     {{kWrap + 101, 20, true}}},
    {"gap 0 with the last byte before the wrap", 0, true, {{kWrap - 1, 7}}, {{kWrap + 1, 7, true}}},
    {"largest gap across the wrap", 100000, true, {{kWrap - 50000, 10}}, {{kWrap + 100001, 10, true}}},
    {"1500 bytes wait, 1501 are shown", 100, true, {{1000, 1500}, {1010, 1}}, {{1010, 1501, false}}},
};

class PollScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(PollScenario, PacketsEndAsExpected) {
    const Scenario &s = GetParam();
    const qint64 from = s.arrivals.front().at - 1;
    const qint64 to = s.arrivals.back().at + 2 * qint64(s.gap) + 10;
    EXPECT_EQ(pollEveryMillisecond(s.arrivals, s.gap, s.ascii, from, to), s.expected);
}

TEST_P(PollScenario, EventDrivenPollMatchesAMillisecondBeat) {
    const Scenario &s = GetParam();
    const qint64 from = s.arrivals.front().at - 1;
    const qint64 to = s.arrivals.back().at + 2 * qint64(s.gap) + 10;
    EXPECT_EQ(pollOnEvents(s.arrivals, s.gap, s.ascii, to), pollEveryMillisecond(s.arrivals, s.gap, s.ascii, from, to));
}

INSTANTIATE_TEST_SUITE_P(Framing, PollScenario, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario> &testInfo) {
                             std::string name;
                             for (const char *c = testInfo.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

TEST(PollOverTime, ContinuousStreamIsCutIntoLinesOf1501To2048Bytes) {
    // The last line holds what is left when the stream stops.
    for (const quint32 rate : {100u, 700u, 3000u}) {
        const std::vector<Arrival> arrivals = stream(1000, 1200, rate);
        const std::vector<Render> renders = pollEveryMillisecond(arrivals, 5, true, 999, 2000);
        ASSERT_GE(renders.size(), 2u) << rate;
        quint64 total = 0;
        for (size_t i = 0; i < renders.size(); ++i) {
            if (i + 1 < renders.size()) {
                EXPECT_GE(renders[i].length, 1501u) << rate;
                EXPECT_FALSE(renders[i].gapEnded) << rate;
            }
            EXPECT_LE(renders[i].length, 2048u) << rate;
            total += renders[i].length;
        }
        EXPECT_EQ(total, quint64(rate) * 201) << "every byte is shown, rate " << rate;
    }
}

TEST(PollOverTime, EventDrivenStreamMatchesAMillisecondBeat) {
    for (const quint32 rate : {7u, 700u, 2000u}) {
        const std::vector<Arrival> arrivals = stream(kWrap - 100, kWrap + 100, rate);
        EXPECT_EQ(pollOnEvents(arrivals, 5, true, kWrap + 1000),
                  pollEveryMillisecond(arrivals, 5, true, kWrap - 101, kWrap + 1000))
            << rate;
    }
}

TEST(PollOverTime, EventDrivenPollKeepsUpWithAStreamFasterThanABufferPerMillisecond) {
    // A 1 ms beat falls behind 3000 bytes per millisecond; reading what did
    // not fit at once keeps up, in lines of 1501 to 2048 bytes.
    const std::vector<Arrival> arrivals = stream(1000, 1200, 3000);
    const std::vector<Render> renders = pollOnEvents(arrivals, 5, true, 2000);
    quint64 shownByStreamEnd = 0;
    for (size_t i = 0; i < renders.size(); ++i) {
        if (i + 1 < renders.size()) {
            EXPECT_GE(renders[i].length, 1501u);
        }
        EXPECT_LE(renders[i].length, 2048u);
        if (renders[i].at <= 1201)
            shownByStreamEnd += renders[i].length;
    }
    EXPECT_GE(shownByStreamEnd, 3000u * 201 - 2048);
}

} // namespace
