// The Telnet stream from a serial port server: whatever the server sends, the
// codec reads it the same whether it comes at once or in pieces, and what it
// answers stays bounded.
#include "FuzzKit.h"

#include "core/port/TelnetCodec.h"

namespace {

// A codec as a connection has it: started with or without COM-PORT control,
// perhaps waiting for the answers to one open's line settings.
core::TelnetCodec started(quint8 setup) {
    core::TelnetCodec codec;
    codec.start(setup & 1);
    if (setup & 2)
        codec.requestLineSettings(
            {qint32(1200) << (setup >> 5), 5 + ((setup >> 2) & 3), core::StopBits((setup >> 4) & 1)});
    return codec;
}

// Each option is answered a bounded number of times, three bytes a time.
constexpr qsizetype kMostReply = 256 * 8 * 3;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const quint8 setup = data[0];
    const QByteArrayView stream = fuzz::bytes(data + 1, size - 1);

    core::TelnetCodec whole = started(setup);
    const core::TelnetCodec::Received once = whole.receive(stream);
    FUZZ_CHECK(once.data.size() <= stream.size());
    FUZZ_CHECK(once.reply.size() <= kMostReply);

    core::TelnetCodec split = started(setup);
    const core::TelnetCodec::Received pieces =
        fuzz::receiveInPieces(split, stream, setup + unsigned(size), 1 + setup % 16);
    FUZZ_CHECK(pieces.data == once.data);
    FUZZ_CHECK(pieces.reply == once.reply);
    FUZZ_CHECK(pieces.events == once.events);
    FUZZ_CHECK(split.pendingAnswers() == whole.pendingAnswers());

    // The device's bytes as the terminal sends them reach a peer unchanged.
    core::TelnetCodec sender;
    core::TelnetCodec peer;
    FUZZ_CHECK(peer.receive(sender.encodeData(stream)).data == stream.toByteArray());
    return 0;
}
