// The command language: whatever the command and the tail, every checksum is
// a byte, the tokens are replaced as the plain reading of the rules says, and
// the packet holds the command and the decoded tail.
#include "FuzzKit.h"

#include "tests/tx/NaiveTail.h"
#include "tx/CommandEncoding.h"

using namespace tx;

namespace {

void check(QByteArrayView command, QByteArrayView tail, core::DataMode mode) {
    for (int index = 0; index < int(ChecksumTokens.size()); ++index) {
        const int value = CalcCsum(command, index, mode);
        FUZZ_CHECK(value >= 0 && value <= 255);
        if (index >= 6)
            FUZZ_CHECK(value == 255 - CalcCsum(command, index - 6, mode));
    }
    const QByteArray converted = ConvAddStr(command, tail, mode);
    FUZZ_CHECK(converted == naiveConvAddStr(command, tail, mode));
    const QByteArray joined = command.toByteArray() + converted;
    const Packet packet = BuildPacket(command, converted, mode);
    if (mode == core::DataMode::Hex) {
        FUZZ_CHECK(packet.echo == joined);
        FUZZ_CHECK(packet.bytes.size() == (joined.size() + 2) / 3);
        return;
    }
    FUZZ_CHECK(packet.echo == packet.bytes);
    FUZZ_CHECK(packet.bytes.startsWith(command));
    FUZZ_CHECK(converted.contains('$') || packet.bytes == joined);
    FUZZ_CHECK(packet.bytes.size() <= joined.size());
    FUZZ_CHECK(packet.bytes.size() >= command.size() + (converted.size() + 2) / 3);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArrayView rest = fuzz::bytes(data + 1, size - 1);
    const QByteArrayView command = rest.first(std::min<qsizetype>(data[0], rest.size()));
    const QByteArrayView tail = rest.sliced(command.size());
    check(command, tail, core::DataMode::Ascii);
    check(command, tail, core::DataMode::Hex);

    // The command written as hexadecimal pairs checks and encodes alike.
    const QByteArray pairs = command.toByteArray().toHex(' ');
    for (int index = 0; index < int(ChecksumTokens.size()); ++index)
        FUZZ_CHECK(CalcCsum(pairs, index, core::DataMode::Hex) == CalcCsum(command, index, core::DataMode::Ascii));
    FUZZ_CHECK(BuildPacket(pairs, "", core::DataMode::Hex).bytes == command.toByteArray());

    // Bytes written as "$" escapes in the tail come out as themselves.
    QByteArray asEscapes;
    for (const char byte : tail)
        asEscapes += '$' + QByteArray(1, byte).toHex();
    FUZZ_CHECK(BuildPacket(command, asEscapes, core::DataMode::Ascii).bytes ==
               command.toByteArray() + tail.toByteArray());
    return 0;
}
