#include "core/port/ComPortServer.h"
#include "core/port/TelnetCodec.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Server = core::ComPortServer;
using Kind = Server::Event::Kind;
using Cmd = Server::Command;
using Events = QList<Server::Event>;

QByteArray b(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values)
        out += char(v);
    return out;
}

QByteArray sb(int code, std::initializer_list<int> value) { return b({255, 250, 44, code}) + b(value) + b({255, 240}); }

// What the server asks of every Telnet client once, before it answers
// anything: binary both ways, no go-ahead both ways.
const QByteArray kAsks = b({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3});

// The line the window has open: 9600 8N1, DTR and RTS off.
constexpr Server::Line kLine{9600, 8, 1, 1};

struct ClientCase {
    const char *name;
    bool allowed;
    QByteArray input, data, reply;
    Events events = {};
};

void PrintTo(const ClientCase &c, std::ostream *out) { *out << c.name; }

class ComPortServerClients : public testing::TestWithParam<ClientCase> {};

// A scripted client, whole and cut after every byte: what reaches the device,
// what the client is answered and what the caller is told.
TEST_P(ComPortServerClients, Negotiation) {
    const ClientCase &c = GetParam();
    for (const bool split : {false, true}) {
        Server server("TerminalKVR");
        server.setLine(kLine);
        server.setLineRequestsAllowed(c.allowed);
        Server::Received r;
        for (qsizetype at = 0; at < c.input.size(); at += split ? 1 : c.input.size()) {
            const Server::Received part = server.receive(c.input.mid(at, split ? 1 : -1));
            r.data += part.data;
            r.reply += part.reply;
            r.events += part.events;
        }
        EXPECT_EQ(r.data, c.data) << "split " << split;
        EXPECT_EQ(r.reply, c.reply) << "split " << split;
        EXPECT_EQ(r.events, c.events) << "split " << split;
    }
}

// pyserial's open: DO ECHO, WILL SGA, DO SGA, DO COM-PORT, WILL COM-PORT,
// then the four settings, flow control, DTR and RTS on, and both purges.
const QByteArray kPyserialOptions = b({255, 253, 1, 255, 251, 3, 255, 253, 3, 255, 253, 44, 255, 251, 44});
const QByteArray kPyserialOptionsReply = kAsks + b({255, 252, 1, 255, 251, 44, 255, 253, 44});
const QByteArray kPyserialSettings(QByteArray baud) {
    return b({255, 250, 44, 1}) + baud + b({255, 240}) + sb(2, {8}) + sb(3, {1}) + sb(4, {1}) + sb(5, {1}) +
           sb(5, {8}) + sb(5, {11}) + sb(12, {1}) + sb(12, {2});
}

INSTANTIATE_TEST_SUITE_P(
    Clients, ComPortServerClients,
    testing::Values(
        ClientCase{
            "raw_client_is_passed_through", false, b({'A', 'T', 13, 255, 255, 0}), b({'A', 'T', 13, 255, 255, 0}), {}},
        ClientCase{"raw_client_sending_iac_later_stays_raw", false, b({'x', 255, 251, 44}), b({'x', 255, 251, 44}), {}},
        ClientCase{"pyserial_same_settings",
                   false,
                   kPyserialOptions + kPyserialSettings(b({0, 0, 0x25, 0x80})),
                   {},
                   kPyserialOptionsReply + sb(101, {0, 0, 0x25, 0x80}) + sb(102, {8}) + sb(103, {1}) + sb(104, {1}) +
                       sb(105, {1}) + sb(105, {9}) + sb(105, {12}) + sb(112, {1}) + sb(112, {2}),
                   Events{{Kind::ComPortEnabled},
                          {Kind::LineRefused, Cmd::SetControl, 8},
                          {Kind::LineRefused, Cmd::SetControl, 11},
                          {Kind::Purge, Cmd::PurgeData, 1},
                          {Kind::Purge, Cmd::PurgeData, 2}}},
        ClientCase{"pyserial_other_baud_not_allowed",
                   false,
                   kPyserialOptions + kPyserialSettings(b({0, 1, 0xc2, 0})),
                   {},
                   kPyserialOptionsReply + sb(101, {0, 0, 0x25, 0x80}) + sb(102, {8}) + sb(103, {1}) + sb(104, {1}) +
                       sb(105, {1}) + sb(105, {9}) + sb(105, {12}) + sb(112, {1}) + sb(112, {2}),
                   Events{{Kind::ComPortEnabled},
                          {Kind::LineRefused, Cmd::SetBaudRate, 115200},
                          {Kind::LineRefused, Cmd::SetControl, 8},
                          {Kind::LineRefused, Cmd::SetControl, 11},
                          {Kind::Purge, Cmd::PurgeData, 1},
                          {Kind::Purge, Cmd::PurgeData, 2}}},
        ClientCase{"pyserial_other_baud_allowed_waits_for_the_caller",
                   true,
                   kPyserialOptions + b({255, 250, 44, 1, 0, 1, 0xc2, 0, 255, 240}),
                   {},
                   kPyserialOptionsReply,
                   Events{{Kind::ComPortEnabled}, {Kind::LineRequest, Cmd::SetBaudRate, 115200}}},
        ClientCase{
            "queries_answer_the_line_even_when_allowed",
            true,
            b({255, 251, 44}) + b({255, 250, 44, 1, 0, 0, 0, 0, 255, 240}) + sb(5, {0}) + sb(5, {7}) + sb(5, {13}),
            {},
            kAsks + b({255, 253, 44}) + sb(101, {0, 0, 0x25, 0x80}) + sb(105, {1}) + sb(105, {9}) + sb(105, {14}),
            Events{{Kind::ComPortEnabled}}},
        ClientCase{"data_unescaped_and_cr_nul_outside_binary", false, b({255, 251, 44, 'a', 255, 255, 13, 0, 'b'}),
                   b({'a', 255, 13, 'b'}), kAsks + b({255, 253, 44}), Events{{Kind::ComPortEnabled}}},
        ClientCase{"cr_nul_kept_once_the_client_sends_binary", false, b({255, 251, 0, 13, 0}), b({13, 0}), kAsks},
        ClientCase{"com_port_commands_before_agreement_ignored", false, sb(1, {0, 0, 0, 0}), {}, kAsks},
        ClientCase{"signature_and_masks_answered",
                   false,
                   b({255, 251, 44}) + sb(0, {}) + sb(10, {0xff, 0xff}) + sb(11, {0x30}) + sb(8, {}) + sb(9, {}),
                   {},
                   kAsks + b({255, 253, 44}) + sb(100, {'T', 'e', 'r', 'm', 'i', 'n', 'a', 'l', 'K', 'V', 'R'}) +
                       sb(110, {0xff, 0xff}) + sb(111, {0x30}),
                   Events{{Kind::ComPortEnabled},
                          {Kind::Suspend, Cmd::FlowControlSuspend},
                          {Kind::Resume, Cmd::FlowControlResume}}},
        ClientCase{"claim_and_release_by_signature",
                   false,
                   b({255, 251, 44}) + sb(0, {'c', 'l', 'a', 'i', 'm'}) + sb(0, {'p', 'y'}) +
                       sb(0, {'r', 'e', 'l', 'e', 'a', 's', 'e'}),
                   {},
                   kAsks + b({255, 253, 44}),
                   Events{{Kind::ComPortEnabled}, {Kind::Claim, Cmd::Signature}, {Kind::Release, Cmd::Signature}}},
        ClientCase{"malformed_values_ignored",
                   false,
                   b({255, 251, 44}) + sb(1, {9, 6}) + sb(2, {}) + sb(5, {20}) + sb(12, {4}) + sb(99, {1}),
                   {},
                   kAsks + b({255, 253, 44}),
                   Events{{Kind::ComPortEnabled}}},
        ClientCase{"unknown_options_refused", false, b({255, 251, 24, 255, 253, 31, 255, 241, 'z'}), b({'z'}),
                   kAsks + b({255, 254, 24, 255, 252, 31})},
        ClientCase{"endless_asking_answered_a_bounded_number_of_times",
                   false,
                   b({255, 251, 24, 255, 251, 24, 255, 251, 24, 255, 251, 24, 255, 251, 24,
                      255, 251, 24, 255, 251, 24, 255, 251, 24, 255, 251, 24, 255, 251, 24}),
                   {},
                   kAsks + b({255, 254, 24, 255, 254, 24, 255, 254, 24, 255, 254, 24,
                              255, 254, 24, 255, 254, 24, 255, 254, 24, 255, 254, 24})},
        ClientCase{"long_sub_negotiation_dropped", false,
                   b({255, 251, 44, 255, 250, 44, 1}) + QByteArray(300, '\1') + b({255, 240, 'k'}), b({'k'}),
                   kAsks + b({255, 253, 44}), Events{{Kind::ComPortEnabled}}}));

// An allowed request is answered once the caller has acted, from the line as
// it is then.
TEST(ComPortServer, AllowedRequestAnsweredAfterActing) {
    Server server;
    server.setLine(kLine);
    server.setLineRequestsAllowed(true);
    server.receive(b({255, 251, 44}));
    const Server::Received r = server.receive(sb(1, {0, 1, 0xc2, 0}) + sb(5, {5}));
    ASSERT_EQ(r.events.size(), 2);
    Server::Line changed = kLine;
    changed.baudRate = 115200;
    changed.breakOn = true;
    server.setLine(changed);
    EXPECT_EQ(server.answer(r.events[0]), sb(101, {0, 1, 0xc2, 0}));
    EXPECT_EQ(server.answer(r.events[1]), sb(105, {5}));
}

struct EncodeCase {
    const char *name;
    QByteArray clientFirst, device, toClient;
};

void PrintTo(const EncodeCase &c, std::ostream *out) { *out << c.name; }

class ComPortServerEncode : public testing::TestWithParam<EncodeCase> {};

TEST_P(ComPortServerEncode, DeviceBytesToTheClient) {
    const EncodeCase &c = GetParam();
    Server server;
    server.receive(c.clientFirst);
    EXPECT_EQ(server.encodeData(c.device), c.toClient);
}

INSTANTIATE_TEST_SUITE_P(Rules, ComPortServerEncode,
                         testing::Values(EncodeCase{"silent_client_gets_raw", {}, b({255, 13, 1}), b({255, 13, 1})},
                                         EncodeCase{"raw_client_gets_raw", b({'a'}), b({255, 13, 1}), b({255, 13, 1})},
                                         EncodeCase{"telnet_before_binary_gets_cr_nul", b({255, 241}), b({255, 13, 1}),
                                                    b({255, 255, 13, 0, 1})},
                                         EncodeCase{"telnet_binary_gets_iac_doubled", b({255, 253, 0}), b({255, 13, 1}),
                                                    b({255, 255, 13, 1})}));

TEST(ComPortServer, NotifiesOnlyWatchedChanges) {
    Server server;
    server.receive(b({255, 251, 44}) + sb(11, {0x20}));
    EXPECT_EQ(server.notifyModemState(0x10), QByteArray());
    EXPECT_EQ(server.notifyModemState(0x30), sb(107, {0x20}));
    EXPECT_EQ(server.notifyModemState(0x30), QByteArray());
    EXPECT_EQ(server.notifyModemState(0x00), sb(107, {0x00}));
    EXPECT_EQ(server.notifyLineState(0xff), QByteArray()); // no line-state mask asked
}

// The terminal's own client (terminalkvr-run's network port) against the
// server: COM-PORT agreed, the same settings accepted, others reported back.
TEST(ComPortServer, TheTerminalsClientAgreesWithIt) {
    for (const bool sameBaud : {true, false}) {
        core::TelnetCodec client;
        Server server;
        server.setLine(kLine);
        QList<core::TelnetCodec::Event> events;
        QByteArray toServer = client.start(true);
        for (int round = 0; round < 10 && !toServer.isEmpty(); ++round) {
            const Server::Received s = server.receive(toServer);
            const core::TelnetCodec::Received c = client.receive(s.reply);
            events += c.events;
            toServer = c.reply;
            if (c.events.contains(core::TelnetCodec::Event{core::TelnetCodec::Event::Kind::ComPortEnabled}))
                toServer += *client.requestLineSettings({sameBaud ? 9600 : 19200, 8, core::StopBits::One});
        }
        EXPECT_EQ(client.pendingAnswers(), 0);
        EXPECT_TRUE(server.comPort());
        const auto accepted = std::count_if(events.begin(), events.end(), [](const auto &e) {
            return e.kind == core::TelnetCodec::Event::Kind::Accepted;
        });
        EXPECT_EQ(accepted, sameBaud ? 5 : 4);
        // Binary both ways: 0xFF and CR travel as they are meant to.
        EXPECT_EQ(client.receive(server.encodeData(b({13, 0, 255}))).data, b({13, 0, 255}));
        EXPECT_EQ(server.receive(client.encodeData(b({13, 0, 255}))).data, b({13, 0, 255}));
    }
}

} // namespace
