#include "core/port/TelnetCodec.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

namespace {

using Kind = core::TelnetCodec::Event::Kind;
using Cmd = core::TelnetCodec::ComPortCommand;
using Events = QList<core::TelnetCodec::Event>;

QByteArray b(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values)
        out += char(v);
    return out;
}

// A codec after the client's offers, with binary agreed both ways (as
// ser2net does) when asked.
core::TelnetCodec started(bool binary) {
    core::TelnetCodec codec;
    codec.start(true);
    if (binary)
        codec.receive(b({255, 253, 0, 255, 251, 0}));
    return codec;
}

struct ReceiveCase {
    const char *name;
    bool binary;
    QByteArray input, data, reply;
};

void PrintTo(const ReceiveCase &c, std::ostream *out) { *out << c.name; }

class TelnetReceive : public testing::TestWithParam<ReceiveCase> {};

// Each case gives the same whole and cut after every byte.
TEST_P(TelnetReceive, DataAndAnswers) {
    const ReceiveCase &c = GetParam();
    for (const bool split : {false, true}) {
        core::TelnetCodec codec = started(c.binary);
        core::TelnetCodec::Received r;
        for (qsizetype at = 0; at < c.input.size(); at += split ? 1 : c.input.size()) {
            const core::TelnetCodec::Received part = codec.receive(c.input.mid(at, split ? 1 : -1));
            r.data += part.data;
            r.reply += part.reply;
        }
        EXPECT_EQ(r.data, c.data) << "split " << split;
        EXPECT_EQ(r.reply, c.reply) << "split " << split;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TelnetReceive,
    testing::Values(
        ReceiveCase{"doubled_ff_is_one_byte", true, b({1, 255, 255, 2}), b({1, 255, 2}), {}},
        ReceiveCase{"cr_nul_is_cr_outside_binary", false, b({13, 0, 13, 10}), b({13, 13, 10}), {}},
        ReceiveCase{"cr_nul_kept_in_binary", true, b({13, 0}), b({13, 0}), {}},
        ReceiveCase{"echo_and_unknown_refused", true, b({255, 251, 1, 'a', 255, 253, 99}), "a",
                    b({255, 254, 1, 255, 252, 99})},
        ReceiveCase{
            "offers_asked_for_or_repeated_not_answered", false, b({255, 251, 3, 255, 253, 3, 255, 251, 3}), {}, {}},
        ReceiveCase{
            "withdrawal_acknowledged_once", true, b({255, 252, 0, 255, 252, 0, 255, 254, 99}), {}, b({255, 254, 0})},
        ReceiveCase{"nop_and_junk_after_iac_dropped", true, b({'a', 255, 241, 255, 7, 'b'}), "ab", {}},
        ReceiveCase{"notification_not_data", true, b({'a', 255, 250, 44, 107, 255, 255, 255, 240, 'b'}), "ab", {}},
        ReceiveCase{"sub_cut_by_command", true, b({255, 250, 44, 1, 255, 251, 99, 'z'}), "z", b({255, 254, 99})},
        ReceiveCase{
            "endless_sub_then_end", true, b({255, 250, 44}) + QByteArray(100000, 'x') + b({255, 240, 'k'}), "k", {}},
        ReceiveCase{"endless_offers_answered_boundedly",
                    true,
                    b({255, 251, 99}).repeated(1000),
                    {},
                    b({255, 254, 99}).repeated(8)}),
    [](const testing::TestParamInfo<ReceiveCase> &testInfo) { return testInfo.param.name; });

TEST(TelnetCodec, EveryByteValueSurvives) {
    QByteArray all;
    for (int v = 0; v < 256; ++v)
        all += char(v);
    core::TelnetCodec codec = started(true);
    EXPECT_EQ(codec.encodeData(all), all.left(255) + b({255, 255}));
    EXPECT_EQ(codec.receive(codec.encodeData(all)).data, all);
    EXPECT_EQ(core::TelnetCodec().encodeData(b({13, 255})), b({13, 0, 255, 255})) << "outside binary mode";
}

TEST(TelnetCodec, ComPortAgreedSettingsRequestedAnswersMatched) {
    core::TelnetCodec codec;
    EXPECT_EQ(codec.start(true), b({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));
    EXPECT_EQ(codec.receive(b({255, 253, 44})).events, Events{{Kind::ComPortEnabled}});
    EXPECT_EQ(codec.requestLineSettings({16777215, 7, core::StopBits::Two}),
              b({255, 250, 44, 1, 0,   255, 255, 255, 255, 255, 255, 255, 240, 255, 250, 44, 2, 7, 255, 240, 255,
                 250, 44,  3,  1, 255, 240, 255, 250, 44,  4,   2,   255, 240, 255, 250, 44, 5, 1, 255, 240}));
    EXPECT_EQ(codec.pendingAnswers(), 5);
    // Answers cut anywhere; a notification between them is no answer, but
    // the input lines it reports (CTS and DSR).
    const QByteArray answers =
        b({255,  250, 44,  101, 0,   255, 255, 255, 255, 255, 255, 255, 240, 255, 250, 44,  107,
           0x30, 255, 240, 255, 250, 44,  102, 8,   255, 240, 255, 250, 44,  103, 1,   255, 240});
    Events events;
    for (const char c : answers)
        events += codec.receive(QByteArray(1, c)).events;
    EXPECT_EQ(events, (Events{{Kind::Accepted, Cmd::SetBaudRate},
                              {Kind::ModemState, {}, {}, core::InputLines{true, true, false, false}},
                              {Kind::NotAccepted, Cmd::SetDataSize, b({8})},
                              {Kind::Accepted, Cmd::SetParity}}));
    EXPECT_EQ(codec.pendingAnswers(), 2);
    EXPECT_EQ(codec.receive(b({255, 254, 44})).events, Events{{Kind::ComPortRefused}});
    EXPECT_FALSE(codec.requestLineSettings({9600, 8, core::StopBits::OneAndHalf})) << "a frame no UART makes";
}

TEST(TelnetCodec, ParityFlowOutputsBreakAndInputLineReports) {
    const struct {
        core::LineSettings settings;
        quint8 parity, control;
    } lines[] = {
        {{9600, 8, core::StopBits::One, core::Parity::None, core::FlowControl::None}, 1, 1},
        {{9600, 8, core::StopBits::One, core::Parity::Odd, core::FlowControl::XonXoff}, 2, 2},
        {{9600, 8, core::StopBits::One, core::Parity::Even, core::FlowControl::RtsCts}, 3, 3},
        {{9600, 8, core::StopBits::One, core::Parity::Mark}, 4, 1},
        {{9600, 8, core::StopBits::One, core::Parity::Space}, 5, 1},
    };
    for (const auto &c : lines) {
        core::TelnetCodec codec;
        const QByteArray asked = *codec.requestLineSettings(c.settings);
        EXPECT_TRUE(asked.contains(b({255, 250, 44, 3, c.parity, 255, 240}))) << int(c.parity);
        EXPECT_TRUE(asked.endsWith(b({255, 250, 44, 5, c.control, 255, 240}))) << int(c.control);
    }
    core::TelnetCodec codec;
    const std::pair<QByteArray, quint8> controls[] = {
        {codec.requestOutput(core::ModemLine::Dtr, true), 8},
        {codec.requestOutput(core::ModemLine::Dtr, false), 9},
        {codec.requestOutput(core::ModemLine::Rts, true), 11},
        {codec.requestOutput(core::ModemLine::Rts, false), 12},
        {codec.requestBreak(true), 5},
        {codec.requestBreak(false), 6},
    };
    for (const auto &[bytes, value] : controls)
        EXPECT_EQ(bytes, b({255, 250, 44, 5, value, 255, 240}));
    EXPECT_EQ(codec.requestInputLineReports(), b({255, 250, 44, 11, 0xF0, 255, 240}));
    // Several SET-CONTROL answers wait at once and are matched in order.
    EXPECT_EQ(codec.pendingAnswers(), 7);
    EXPECT_EQ(codec.receive(b({255, 250, 44, 105, 8, 255, 240, 255, 250, 44, 105, 9, 255, 240})).events,
              (Events{{Kind::Accepted, Cmd::SetControl}, {Kind::Accepted, Cmd::SetControl}}));
    const std::pair<quint8, core::InputLines> states[] = {{0x00, {}},
                                                          {0x10, {true, false, false, false}},
                                                          {0x20, {false, true, false, false}},
                                                          {0x80, {false, false, true, false}},
                                                          {0x40, {false, false, false, true}},
                                                          {0xF3, {true, true, true, true}}};
    for (const auto &[state, expected] : states)
        EXPECT_EQ(codec.receive(b({255, 250, 44, 107, state, 255, 240})).events,
                  (Events{{Kind::ModemState, {}, {}, expected}}))
            << int(state);
}

} // namespace
