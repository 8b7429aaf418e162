// A client of a shared port: whatever it sends, the server reads it the same
// whether it comes at once or in pieces, passes on no more than it got, and
// answers in proportion to what it was sent.
#include "FuzzKit.h"

#include "core/port/ComPortServer.h"

namespace {

core::ComPortServer made(quint8 setup) {
    core::ComPortServer server("TerminalKVR");
    server.setLine({quint32(1200) << (setup >> 5), quint8(5 + ((setup >> 2) & 3)), 1, 1});
    server.setLineRequestsAllowed(setup & 1);
    return server;
}

// The asks sent once, each option's verbs answered a bounded number of times,
// and no sub-negotiation answered with more than this per byte it took.
constexpr qsizetype kAsks = 12;
constexpr qsizetype kMostVerbReplies = 256 * 8 * 3;
constexpr qsizetype kMostReplyPerByte = 4;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const quint8 setup = data[0];
    const QByteArrayView stream = fuzz::bytes(data + 1, size - 1);

    core::ComPortServer whole = made(setup);
    const core::ComPortServer::Received once = whole.receive(stream);
    FUZZ_CHECK(once.data.size() <= stream.size());
    FUZZ_CHECK(once.reply.size() <= kAsks + kMostVerbReplies + kMostReplyPerByte * stream.size());
    for (const core::ComPortServer::Event &event : once.events)
        if (event.kind == core::ComPortServer::Event::Kind::LineRequest)
            FUZZ_CHECK(!whole.answer(event).isEmpty());

    core::ComPortServer split = made(setup);
    const core::ComPortServer::Received pieces =
        fuzz::receiveInPieces(split, stream, setup + unsigned(size), 1 + setup % 16);
    FUZZ_CHECK(pieces.data == once.data);
    FUZZ_CHECK(pieces.reply == once.reply);
    FUZZ_CHECK(pieces.events == once.events);
    FUZZ_CHECK(split.telnet() == whole.telnet() && split.comPort() == whole.comPort());

    // The device's bytes reach a client that reads as the server writes.
    const QByteArray sent = whole.encodeData(stream);
    if (!whole.telnet())
        FUZZ_CHECK(sent == stream.toByteArray());
    FUZZ_CHECK(sent.size() <= 2 * stream.size());
    return 0;
}
