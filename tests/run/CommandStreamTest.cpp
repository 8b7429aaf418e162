#include "run/CommandStream.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace run;

namespace {

// A pipe as standard input: written in parts, closed at the end.
struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fds), 0); }
    ~Pipe() {
        ::close(fds[0]);
        closeWriting();
    }
    void write(const QByteArray &bytes) {
        EXPECT_EQ(::write(fds[1], bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    void closeWriting() {
        if (fds[1] >= 0)
            ::close(std::exchange(fds[1], -1));
    }
};

// Every command until the end, '/' after each.
std::string commandsOf(CommandStream &stream) {
    std::string out;
    while (stream.waitForCommand() && !stream.atEnd())
        if (const std::optional<QByteArray> command = stream.take())
            out += command->toStdString() + "/";
    return out;
}

} // namespace

TEST(CommandStream, LinesAsACommandFileHoldsThemBytesUnchanged) {
    const struct {
        QByteArray input;
        std::string commands;
    } cases[] = {
        {"AT\nATI\n", "AT/ATI/"},
        {"AT\r\nATI", "AT/ATI/"},           // CR LF; the last line without its end
        {"\n\r\n\nAT\r\r\n\n", "AT/"},      // empty lines are no commands
        {QByteArray("a\0b\n\xFF\xCF\n", 7), // zero bytes and all 256 values stay
         std::string("a\0b/\xFF\xCF/", 7)},
        {"", ""},
        {QByteArray(CommandStream::kBlockBytes * 2 + 3, 'x') + "\nOK",
         std::string(CommandStream::kBlockBytes * 2 + 3, 'x') + "/OK/"}, // a line longer than a block
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input.left(40).toStdString());
        Pipe pipe;
        CommandStream stream(pipe.fds[0]);
        // Written beside the reading, as a producer does: more than a pipe
        // holds waits for the reader.
        std::thread producer([&] {
            pipe.write(c.input);
            pipe.closeWriting();
        });
        EXPECT_EQ(commandsOf(stream), c.commands);
        producer.join();
        EXPECT_TRUE(stream.atEnd());
        EXPECT_EQ(stream.errorString(), "");
    }
}

TEST(CommandStream, ACommandIsTakenBeforeTheInputEndsAndOnlyAsMuchIsRead) {
    Pipe pipe;
    CommandStream stream(pipe.fds[0]);
    EXPECT_EQ(stream.take(), std::nullopt) << "nothing written yet";
    EXPECT_FALSE(stream.atEnd());
    int ready = 0;
    QObject::connect(&stream, &CommandStream::commandReady, [&] { ++ready; });
    pipe.write("AT\nA");
    QElapsedTimer waited;
    waited.start();
    while (ready == 0 && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_EQ(stream.take(), "AT");
    EXPECT_EQ(stream.take(), std::nullopt) << "the second line has not ended";
    pipe.write("TI\n");
    EXPECT_TRUE(stream.waitForCommand());
    EXPECT_EQ(stream.take(), "ATI");
    EXPECT_FALSE(stream.atEnd()) << "the writer may go on";
    pipe.closeWriting();
    EXPECT_TRUE(stream.waitForCommand());
    EXPECT_EQ(stream.take(), std::nullopt);
    EXPECT_TRUE(stream.atEnd());
}

TEST(CommandStream, AnInputThatCannotBeReadIsSaid) {
    CommandStream stream(-1);
    EXPECT_FALSE(stream.waitForCommand());
    EXPECT_TRUE(stream.atEnd());
    EXPECT_TRUE(stream.errorString().startsWith("standard input: ")) << stream.errorString().toStdString();
}
