#include "tx/CommandEncoding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

using tx::BuildPacket;
using tx::CalcCsum;
using tx::ConvAddStr;
using tx::DataMode;
using tx::HexToInt;

namespace {

std::string hex(const QByteArray &bytes) { return bytes.toHex(' ').toUpper().toStdString(); }

std::string text(const QByteArray &bytes) { return bytes.toStdString(); }

// One send as the send routine does it: convert the tail, then encode.
tx::Packet send(QByteArrayView command, QByteArrayView tail, core::DataMode mode) {
    return BuildPacket(command, ConvAddStr(command, tail, mode), mode);
}

struct EncodingCase {
    const char *name;
    const char *command;
    const char *tail;
    core::DataMode mode;
    const char *convertedTail; // nullptr: not checked
    const char *bytes;         // hexadecimal, blank-separated
    const char *echo;          // nullptr: not checked
};

const EncodingCase encodingCases[] = {
    {"AtWithCarriageReturn", "AT", "$0D", core::DataMode::Ascii, nullptr, "41 54 0D", "AT\r"},
    {"XorFromSecondByte", "ABC", "*[XOR_8 (1..n)]$0D$0A", core::DataMode::Ascii, "*01$0D$0A", "41 42 43 2A 30 31 0D 0A",
     nullptr},
    {"DollarInCommandIsPlain", "$GPGLL", "*[XOR_8 (1..n)]$0D$0A", core::DataMode::Ascii, "*50$0D$0A",
     "24 47 50 47 4C 4C 2A 35 30 0D 0A", nullptr},
    {"SumAll", "abc", "[SUM_8(0..n)]", core::DataMode::Ascii, "26", "61 62 63 32 36", nullptr},
    {"SumFromSecond", "abc", "[SUM_8(1..n)]", core::DataMode::Ascii, "C5", "61 62 63 43 35", nullptr},
    {"XorAll", "abc", "[XOR_8 (0..n)]", core::DataMode::Ascii, "60", "61 62 63 36 30", nullptr},
    {"FfMinusSumAll", "abc", "[FF - SUM_8(0..n)]", core::DataMode::Ascii, "D9", "61 62 63 44 39", nullptr},
    {"FfMinusSumFromSecond", "abc", "[FF - SUM_8(1..n)]", core::DataMode::Ascii, "3A", "61 62 63 33 41", nullptr},
    {"SumFromThirdOfTwoBytes", "AB", "[SUM_8(2..n)]", core::DataMode::Ascii, "00", "41 42 30 30", nullptr},
    {"FfMinusSumFromThirdOfTwoBytes", "AB", "[FF - SUM_8(2..n)]", core::DataMode::Ascii, "FF", "41 42 46 46", nullptr},
    {"XorFromSecondOfOneByte", "A", "[XOR_8 (1..n)]", core::DataMode::Ascii, "00", "41 30 30", nullptr},
    {"EveryOccurrenceReplaced", "ABC", "[SUM_8(1..n)][SUM_8(1..n)]", core::DataMode::Ascii, "8585",
     "41 42 43 38 35 38 35", "ABC8585"},
    {"EscapedChecksumIsOneByte", "abc", "$[SUM_8(0..n)]", core::DataMode::Ascii, "$26", "61 62 63 26", nullptr},
    {"TokenWithoutBlankIsText", "ABC", "*[XOR_8(1..n)]$0D$0A", core::DataMode::Ascii, "*[XOR_8(1..n)]$0D$0A",
     "41 42 43 2A 5B 58 4F 52 5F 38 28 31 2E 2E 6E 29 5D 0D 0A", nullptr},
    {"EscapeLookalikeInCommand", "$41", "$0D", core::DataMode::Ascii, nullptr, "24 34 31 0D", nullptr},
    {"EscapeWithOneDigitAtEnd", "AB", "$4", core::DataMode::Ascii, nullptr, "41 42 40", nullptr},
    {"EscapeWithNoDigitAtEnd", "AB", "$", core::DataMode::Ascii, nullptr, "41 42 00", nullptr},
    {"LowercaseAndNonHexDigits", "ABC", "$G1$0d", core::DataMode::Ascii, nullptr, "41 42 43 01 0D", nullptr},
    {"EmptyTail", "AT", "", core::DataMode::Ascii, "", "41 54", "AT"},
    {"HexSumAll", "01 02 03", " [SUM_8(0..n)]", core::DataMode::Hex, " 06", "01 02 03 06", "01 02 03 06"},
    {"HexXorAll", "12 34", " [XOR_8 (0..n)]", core::DataMode::Hex, " 26", "12 34 26", "12 34 26"},
    {"HexLoneFinalDigit", "0A 0B 1", "", core::DataMode::Hex, "", "0A 0B 10", "0A 0B 1"},
    {"HexAnySeparator", "01-02", "", core::DataMode::Hex, "", "01 02", "01-02"},
    {"HexDollarIsNotAnEscape", "01", " $0D", core::DataMode::Hex, nullptr, "01 00", "01 $0D"},
};

class CommandEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(CommandEncoding, EncodesCommandAndTail) {
    const EncodingCase &c = GetParam();
    const QByteArray converted = ConvAddStr(c.command, c.tail, c.mode);
    if (c.convertedTail) {
        EXPECT_EQ(text(converted), c.convertedTail);
    }
    const tx::Packet packet = BuildPacket(c.command, converted, c.mode);
    EXPECT_EQ(hex(packet.bytes), c.bytes);
    if (c.echo) {
        EXPECT_EQ(text(packet.echo), std::string(c.echo));
    }
    if (c.mode == core::DataMode::Ascii) {
        EXPECT_EQ(packet.echo, packet.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, CommandEncoding, ::testing::ValuesIn(encodingCases),
                         [](const ::testing::TestParamInfo<EncodingCase> &testInfo) { return testInfo.param.name; });

TEST(HexToInt, ReadsDigitsOfBothCases) {
    const struct {
        char c;
        int value;
    } table[] = {
        {'0', 0}, {'1', 1}, {'9', 9}, {'A', 10}, {'B', 11}, {'F', 15}, {'a', 10}, {'c', 12}, {'f', 15},   {'G', 0},
        {'g', 0}, {' ', 0}, {'$', 0}, {'\0', 0}, {'/', 0},  {':', 0},  {'@', 0},  {'`', 0},  {'\xC0', 0}, {'\xFF', 0},
    };
    for (const auto &row : table)
        EXPECT_EQ(HexToInt(row.c), row.value) << "character code " << int(quint8(row.c));
}

TEST(HexToInt, OnlyHexDigitsOtherThanZeroAreNonZero) {
    QByteArray nonZero;
    for (int code = 0; code < 256; ++code)
        if (HexToInt(char(code)) != 0)
            nonZero.append(char(code));
    EXPECT_EQ(text(nonZero), "123456789ABCDEFabcdef");
}

TEST(CalcCsum, NoCoveredByteGivesZeroOrFf) {
    // Sum and XOR of nothing are 0; 0xFF minus that is 0xFF.
    const int expected[9] = {0, 0, 0, 0, 0, 0, 255, 255, 255};
    for (int index = 0; index < 9; ++index) {
        EXPECT_EQ(CalcCsum("", index, core::DataMode::Ascii), expected[index]) << index;
        EXPECT_EQ(CalcCsum("", index, core::DataMode::Hex), expected[index]) << index;
        // A single hexadecimal digit is not a pair, so nothing is covered.
        EXPECT_EQ(CalcCsum("7", index, core::DataMode::Hex), expected[index]) << index;
    }
    for (int index : {2, 5, 8})
        EXPECT_EQ(CalcCsum("AB", index, core::DataMode::Ascii), expected[index]) << index;
    for (int index : {1, 4, 7})
        EXPECT_EQ(CalcCsum("A", index, core::DataMode::Ascii), expected[index]) << index;
}

TEST(CalcCsum, HexCoversOnlyCompletePairs) {
    EXPECT_EQ(CalcCsum("0A 0B 1", 0, core::DataMode::Hex), 0x15);
    EXPECT_EQ(text(ConvAddStr("0A 0B 1", " [SUM_8(0..n)]", core::DataMode::Hex)), " 15");
}

TEST(CalcCsum, CoversEveryByteOfALongCommand) {
    // 300 bytes of 0x01: the sum wraps to 300 % 256 = 0x2C; the XOR of an even
    // count is 0. Counting only 255 bytes would give 0xFF and 0x01.
    const QByteArray ascii(300, '\x01');
    const QByteArray hexPairs = ascii.toHex(' ');
    for (core::DataMode mode : {core::DataMode::Ascii, core::DataMode::Hex}) {
        const QByteArray &command = mode == core::DataMode::Ascii ? ascii : hexPairs;
        EXPECT_EQ(CalcCsum(command, 0, mode), 0x2C);
        EXPECT_EQ(CalcCsum(command, 1, mode), 0x2B);
        EXPECT_EQ(CalcCsum(command, 3, mode), 0x00);
        EXPECT_EQ(CalcCsum(command, 4, mode), 0x01);
        EXPECT_EQ(CalcCsum(command, 6, mode), 0xD3);
    }
}

TEST(CalcCsum, IndexOutsideTheListGivesZero) {
    EXPECT_EQ(CalcCsum("abc", -1, core::DataMode::Ascii), 0);
    EXPECT_EQ(CalcCsum("abc", 9, core::DataMode::Ascii), 0);
}

TEST(ConvAddStr, TokensAreReplacedInListOrder) {
    // The command byte 0xFF makes "[SUM_8(0..n)]" read "FF", which completes a
    // "[FF - SUM_8(0..n)]" that is replaced afterwards (0xFF - 0xFF = 0x00).
    EXPECT_EQ(text(ConvAddStr("\xFF", "[[SUM_8(0..n)] - SUM_8(0..n)]", core::DataMode::Ascii)), "00");
    // With nothing covered "[FF - SUM_8(1..n)]" reads "FF"; the token it
    // completes comes earlier in the list, is already done, and stays as text.
    EXPECT_EQ(text(ConvAddStr("A", "[[FF - SUM_8(1..n)] - SUM_8(0..n)]", core::DataMode::Ascii)), "[FF - SUM_8(0..n)]");
}

TEST(ConvAddStr, ATokenCompletedByItsOwnValueIsReplacedToo) {
    // Empty command: "[FF - SUM_8(0..n)]" reads "FF", and its replacement
    // forms the same token again around it.
    EXPECT_EQ(text(ConvAddStr("", "[[FF - SUM_8(0..n)] - SUM_8(0..n)]", core::DataMode::Ascii)), "FF");
}

TEST(ConvAddStr, ChecksumCoversTheCommandPartOnly) {
    // The second token does not see the first one's value nor the escape.
    EXPECT_EQ(text(ConvAddStr("ABC", "$01[SUM_8(0..n)]*[XOR_8 (0..n)]", core::DataMode::Ascii)), "$01C6*40");
}

TEST(BuildPacket, EncodesTextLongerThanThePortQueueWhole) {
    const QByteArray command(3000, 'x');
    const tx::Packet ascii = send(command, "$0D", core::DataMode::Ascii);
    ASSERT_EQ(ascii.bytes.size(), 3001);
    EXPECT_EQ(ascii.bytes, command + '\r');

    const QByteArray hexPairs = QByteArray(3000, '\xAB').toHex(' ');
    const tx::Packet hexPacket = send(hexPairs, " [SUM_8(0..n)]", core::DataMode::Hex);
    ASSERT_EQ(hexPacket.bytes.size(), 3001);
    EXPECT_EQ(hexPacket.bytes.left(3000), QByteArray(3000, '\xAB'));
    // 3000 * 0xAB = 0x7D3E8, low byte 0xE8.
    EXPECT_EQ(quint8(hexPacket.bytes.back()), 0xE8);
}

TEST(BuildPacket, DollarEndingTheCommandIsPlain) {
    // The escape boundary is the end of the command part, not of the text.
    EXPECT_EQ(hex(BuildPacket("AB$", "41", core::DataMode::Ascii).bytes), "41 42 24 34 31");
    EXPECT_EQ(hex(BuildPacket("AB", "$41", core::DataMode::Ascii).bytes), "41 42 41");
}

TEST(ChecksumTokens, ListOrderSelectsTheAlgorithm) {
    // "abcd" = 61 62 63 64.
    const struct {
        const char *token;
        const char *value;
    } table[] = {
        {"[SUM_8(0..n)]", "8A"},      {"[SUM_8(1..n)]", "29"},      {"[SUM_8(2..n)]", "C7"},
        {"[XOR_8 (0..n)]", "04"},     {"[XOR_8 (1..n)]", "65"},     {"[XOR_8 (2..n)]", "07"},
        {"[FF - SUM_8(0..n)]", "75"}, {"[FF - SUM_8(1..n)]", "D6"}, {"[FF - SUM_8(2..n)]", "38"},
    };
    ASSERT_EQ(tx::ChecksumTokens.size(), std::size(table));
    for (size_t index = 0; index < std::size(table); ++index) {
        EXPECT_EQ(tx::ChecksumTokens[index], table[index].token) << index;
        EXPECT_EQ(text(ConvAddStr("abcd", table[index].token, core::DataMode::Ascii)), table[index].value) << index;
    }
}

} // namespace
