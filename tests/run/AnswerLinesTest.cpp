#include "run/AnswerLines.h"

#include <gtest/gtest.h>

using namespace run;

namespace {

// Packets as they arrive, '|' between them; '~' a pause after the packet
// before it; the lines offered, '/' after each, '*' after an unfinished one.
std::string offered(const char *packets, const char *taken = "") {
    AnswerLines lines;
    std::string out;
    for (const QByteArray &packet : QByteArray(packets).split('|')) {
        const bool pause = packet.endsWith('~');
        for (const QByteArray &line : lines.add(pause ? packet.chopped(1) : packet))
            out += line.toStdString() + "/";
        if (!pause)
            continue;
        if (const std::optional<QByteArray> unfinished = lines.pause()) {
            out += unfinished->toStdString() + "*/";
            if (*unfinished == taken)
                lines.unfinishedTaken();
        }
    }
    return out;
}

} // namespace

TEST(AnswerLines, LinesEndAtCrOrLfWhereverThePacketsEnd) {
    const struct {
        const char *packets;
        const char *taken;
        const char *lines;
    } cases[] = {
        {"\r\nOK\r\n", "", "OK/"},
        {"AT\r\r\nOK\r\n", "", "AT/OK/"},
        {"AT\r\r\nO|K\r\n", "", "AT/OK/"},
        {"RING\r\n\r\nOK\n", "", "RING/OK/"},
        {"O~|K\r\n", "", "O*/OK/"},           // a pause inside the line
        {"> ~|\r\n", "> ", "> */"},           // a prompt taken: its line end makes no line
        {"> ~|x\r\nOK\r\n", "> ", "> */OK/"}, // the rest of a taken line is no line
        {"~|\r\n\n\r~", "", ""},              // empty lines are no lines
    };
    for (const auto &c : cases)
        EXPECT_EQ(offered(c.packets, c.taken), c.lines) << c.packets;
}

TEST(AnswerLines, ALineThatNeverEndsIsCutAndARestartDropsTheUnfinished) {
    AnswerLines lines;
    const QList<QByteArray> cut = lines.add(QByteArray(AnswerLines::kMaxLineBytes * 2 + 5, 'x'));
    EXPECT_EQ(cut.size(), 2);
    EXPECT_EQ(cut.value(0).size(), AnswerLines::kMaxLineBytes);
    EXPECT_EQ(lines.pause(), QByteArray(5, 'x'));
    lines.restart();
    EXPECT_EQ(lines.pause(), std::nullopt);
    EXPECT_EQ(lines.add("OK\r"), QList<QByteArray>{"OK"});
}
