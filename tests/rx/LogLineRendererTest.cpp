#include "rx/LogLineRenderer.h"

#include "rx/LogTimeStamp.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace rx;

namespace {

struct RenderCase {
    const char *name;
    QByteArray packet;
    core::DataMode mode;
    bool gapEnded;
    QByteArray expected;
};

void PrintTo(const RenderCase &c, std::ostream *os) { *os << c.name; }

const RenderCase kRendered[] = {
    {"ok_crlf", "OK\r\n", core::DataMode::Ascii, true, "OK\r"},
    {"ok_crlf_complete_by_its_line_end", "OK\r\n", core::DataMode::Ascii, false, "OK\r"},
    {"two_lines", "A\rB\r", core::DataMode::Ascii, true, "A\r\nB\r"},
    {"zero_byte", QByteArray("A\0B\r\n", 5), core::DataMode::Ascii, true, "A<NULL>B\r"},
    {"several_zero_bytes", QByteArray("A\0\0B\0\r\n", 7), core::DataMode::Ascii, true, "A<NULL><NULL>B<NULL>\r"},
    {"line_feeds_inside", "A\nB\n\nC\r", core::DataMode::Ascii, false, "ABC\r"},
    {"line_feeds_after_last_cr", "AB\r\n\n\n", core::DataMode::Ascii, false, "AB\r"},
    {"bare_cr", "\r", core::DataMode::Ascii, false, "\r"},
    {"no_line_break_keeps_every_character", "ABC", core::DataMode::Ascii, true, "ABC"},
    {"zero_byte_last_keeps_its_closing_bracket", QByteArray("AB\0", 3), core::DataMode::Ascii, true, "AB<NULL>"},
    {"ending_in_a_bare_line_feed", "AB\n", core::DataMode::Ascii, false, "AB"},
    {"control_and_high_bytes_unchanged", "\x01\t\x7F\xC0\xFF", core::DataMode::Ascii, true, "\x01\t\x7F\xC0\xFF"},
    {"line_feeds_only", "\n\n", core::DataMode::Ascii, true, ""},
    {"empty", "", core::DataMode::Ascii, true, ""},
    {"hex", QByteArray("\x00\x01\x0D", 3), core::DataMode::Hex, false, "00 01 0D"},
    {"hex_ok_crlf", "OK\r\n", core::DataMode::Hex, false, "4F 4B 0D 0A"},
    {"hex_high_bytes", "\xFF\xA0\x5A", core::DataMode::Hex, false, "FF A0 5A"},
    {"hex_single_byte", "A", core::DataMode::Hex, false, "41"},
    {"hex_keeps_line_feeds", "\n", core::DataMode::Hex, false, "0A"},
    {"hex_empty", "", core::DataMode::Hex, false, ""},
};

class RenderPacketCase : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderPacketCase, RendersTheLine) {
    const RenderCase &c = GetParam();
    const std::optional<QByteArray> line = renderPacket(c.packet, c.mode, c.gapEnded);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Packets, RenderPacketCase, ::testing::ValuesIn(kRendered),
                         [](const ::testing::TestParamInfo<RenderCase> &testInfo) {
                             return std::string(testInfo.param.name);
                         });

TEST(RenderPacket, AsciiTextWithoutLineEndStaysBufferedUntilTheGapEnds) {
    EXPECT_FALSE(renderPacket("ABC", core::DataMode::Ascii, false).has_value());
    EXPECT_FALSE(renderPacket(QByteArray(1500, 'x'), core::DataMode::Ascii, false).has_value());
}

TEST(RenderPacket, AsciiAboveTheThresholdIsRenderedWithoutTheGap) {
    const QByteArray packet(1501, 'x');
    EXPECT_EQ(renderPacket(packet, core::DataMode::Ascii, false), packet);
}

TEST(RenderPacket, FullBufferInHex) {
    QByteArray packet(2048, Qt::Uninitialized);
    for (int i = 0; i < packet.size(); ++i)
        packet[i] = char(i);
    const QByteArray line = renderPacket(packet, core::DataMode::Hex, false).value();
    EXPECT_EQ(line.size(), 2048 * 3 - 1);
    EXPECT_TRUE(line.startsWith("00 01 02 "));
    EXPECT_TRUE(line.endsWith(" FE FF"));
}

TEST(RenderPacket, TimeStampGoesInFrontOfTheRenderedLine) {
    const QByteArray stamp = timeStampPrefix(QTime(14, 3, 7, 512), kReceivedMark);
    EXPECT_EQ(stamp + renderPacket("OK\r\n", core::DataMode::Ascii, true).value(),
              QByteArray(" [ 14:03:07:512 < ] OK\r"));
    EXPECT_EQ(stamp + renderPacket("OK\r\n", core::DataMode::Hex, false).value(),
              QByteArray(" [ 14:03:07:512 < ] 4F 4B 0D 0A"));
}

TEST(PassesFilter, EmptyFilterPassesEverything) {
    EXPECT_TRUE(passesFilter("ERROR\r", ""));
    EXPECT_TRUE(passesFilter("", ""));
}

TEST(PassesFilter, CaseSensitiveSubstring) {
    EXPECT_TRUE(passesFilter("OK\r", "OK"));
    EXPECT_FALSE(passesFilter("ERROR\r", "OK"));
    EXPECT_FALSE(passesFilter("OK\r", "ok"));
    EXPECT_TRUE(passesFilter("xx OK yy", "OK"));
}

TEST(PassesFilter, TimeStampIsPartOfTheLine) {
    EXPECT_TRUE(passesFilter(" [ 14:03:07:512 < ] ERROR\r", "14:"));
    EXPECT_TRUE(passesFilter(" [ 09:14:07:512 > ] AT\r", "14:"));
    EXPECT_FALSE(passesFilter(" [ 09:03:07:512 > ] AT\r", "14:"));
}

} // namespace
