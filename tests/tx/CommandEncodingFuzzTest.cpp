#include "tests/tx/NaiveTail.h"
#include "tx/CommandEncoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using tx::BuildPacket;
using tx::CalcCsum;
using tx::ChecksumTokens;
using tx::ConvAddStr;
using tx::DataMode;

namespace {

std::string hex(const QByteArray &bytes) { return bytes.toHex(' ').toUpper().toStdString(); }

// Random byte texts built from the pieces the language reacts to, so that
// tokens, broken tokens, escapes and digit pairs meet each other often.
class TextGenerator {
public:
    explicit TextGenerator(unsigned seed) : rng_(seed) {}

    QByteArray next(int maxPieces) {
        QByteArray text;
        const int pieces = pick(0, maxPieces);
        for (int i = 0; i < pieces; ++i)
            text += piece();
        return text;
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    QByteArray hexDigit(int value) {
        static constexpr char upper[] = "0123456789ABCDEF";
        static constexpr char lower[] = "0123456789abcdef";
        return QByteArray(1, pick(0, 1) ? upper[value] : lower[value]);
    }

private:
    QByteArrayView anyToken() { return ChecksumTokens[pick(0, int(ChecksumTokens.size()) - 1)]; }

    QByteArray piece() {
        switch (kinds_(rng_)) {
        case 0:
            return "$";
        case 1:
            return hexDigit(pick(0, 15));
        case 2:
            return anyToken().toByteArray();
        case 3: { // a token's beginning or end
            const QByteArrayView token = anyToken();
            const int cut = pick(1, int(token.size()) - 1);
            return (pick(0, 1) ? token.first(cut) : token.sliced(cut)).toByteArray();
        }
        case 4:
            return " ";
        case 5:
            return QByteArray(1, '\0');
        case 6:
            return QByteArray(1, char(pick(0x80, 0xFF)));
        case 7:
            return QByteArray(1, char(pick(0, 0xFF)));
        case 8:
            return pick(0, 1) ? "[" : "]";
        default: // a token whose value "FF" would complete a "[FF - ...]" around it
            return "[" + anyToken().toByteArray() + " - SUM_8(" + QByteArray::number(pick(0, 2)) + "..n)]";
        }
    }

    std::mt19937 rng_;
    std::discrete_distribution<int> kinds_{6, 8, 3, 3, 3, 1, 2, 2, 2, 1};
};

void checkChecksums(const QByteArray &command, core::DataMode mode) {
    for (int kind = 0; kind < 3; ++kind) {
        for (int skip = 0; skip < 3; ++skip) {
            const int value = CalcCsum(command, kind * 3 + skip, mode);
            ASSERT_GE(value, 0);
            ASSERT_LE(value, 255);
            if (kind == 2) {
                ASSERT_EQ(value, 255 - CalcCsum(command, skip, mode));
            }
        }
    }
}

void checkSend(const QByteArray &command, const QByteArray &tail, core::DataMode mode) {
    const QByteArray converted = ConvAddStr(command, tail, mode);
    ASSERT_EQ(converted, naiveConvAddStr(command, tail, mode));
    // Only a "[FF - ...]" token can reappear, completed by a later value "FF".
    for (int index = 0; index < 6; ++index)
        ASSERT_FALSE(converted.contains(ChecksumTokens[index]));
    if (!tail.contains('[')) {
        ASSERT_EQ(converted, tail);
    }

    const QByteArray joined = command + converted;
    const tx::Packet packet = BuildPacket(command, converted, mode);
    if (mode == core::DataMode::Hex) {
        ASSERT_EQ(packet.echo, joined);
        ASSERT_EQ(packet.bytes.size(), (joined.size() + 2) / 3); // one byte per pair start
        return;
    }
    ASSERT_EQ(packet.echo, packet.bytes);
    ASSERT_TRUE(packet.bytes.startsWith(command));
    if (!converted.contains('$')) {
        ASSERT_EQ(packet.bytes, joined);
    }
    const qsizetype tailLength = converted.size();
    ASSERT_LE(packet.bytes.size(), joined.size());
    ASSERT_GE(packet.bytes.size(), command.size() + (tailLength + 2) / 3);
}

class CommandEncodingFuzz : public ::testing::TestWithParam<unsigned> {};

TEST_P(CommandEncodingFuzz, KeepsInvariantsOnRandomTexts) {
    TextGenerator generator(GetParam());
    for (int iteration = 0; iteration < 5000; ++iteration) {
        // Now and then a text long enough for the 255-byte and 2048-byte limits.
        const bool longTexts = iteration % 250 == 0;
        const QByteArray command = generator.next(longTexts ? 1500 : 16);
        const QByteArray tail = generator.next(longTexts ? 1500 : 40);
        const auto where = [&] { return "command " + hex(command) + "\ntail " + hex(tail); };

        for (core::DataMode mode : {core::DataMode::Ascii, core::DataMode::Hex}) {
            checkChecksums(command, mode);
            ASSERT_FALSE(HasFailure()) << where();
            checkSend(command, tail, mode);
            ASSERT_FALSE(HasFailure()) << where();
        }

        // The same bytes written as hexadecimal pairs check and encode alike.
        const QByteArray asPairs = command.toHex(generator.pick(0, 1) ? ' ' : '-');
        for (int index = 0; index < int(ChecksumTokens.size()); ++index)
            ASSERT_EQ(CalcCsum(asPairs, index, core::DataMode::Hex), CalcCsum(command, index, core::DataMode::Ascii))
                << where();
        ASSERT_EQ(BuildPacket(asPairs, "", core::DataMode::Hex).bytes, command) << where();

        // Bytes written as "$" escapes in the tail come out as themselves.
        QByteArray escaped;
        for (const char byte : tail)
            escaped += "$" + generator.hexDigit(quint8(byte) >> 4) + generator.hexDigit(quint8(byte) & 0xF);
        ASSERT_EQ(
            BuildPacket(command, ConvAddStr(command, escaped, core::DataMode::Ascii), core::DataMode::Ascii).bytes,
            command + tail)
            << where();
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CommandEncodingFuzz, ::testing::Values(1u, 2u, 2024u, 77777u));

} // namespace
