// The plot's reading of the received stream: the device's lines, whatever
// the reads and packets cut them into, and the values they carry.
#include "rx/ReceivedLines.h"
#include "rx/NumberScan.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace rx;

namespace {

// Every value read from the lines, as "name=value" in order.
QStringList valuesOf(const QList<QByteArray> &lines) {
    QStringList values;
    for (const QByteArray &line : lines)
        for (const QList<Reading> &row : scanNumbers(line).rows)
            for (const Reading &reading : row)
                values << reading.series + '=' + QString::number(reading.value, 'g', QLocale::FloatingPointShortest);
    return values;
}

struct StreamCase {
    const char *name;
    QList<QByteArray> lines; // as the device prints them, without their ends
    const char *values;
};

const StreamCase kStreams[] = {
    {"NamedValues", {"a:12 34 b:5", "temp:21.5 hum:40"}, "a=12 1=34 b=5 temp=21.5 hum=40"},
    {"BareColumns", {"1 2", "3 4", "-5.5e3 0x10"}, "1=1 2=2 1=3 2=4 1=-5500 2=16"},
    {"DecimalComma", {"1,5 2,25", "x:3,75 y:1"}, "1=1.5 2=2.25 x=3.75 y=1"},
    {"Cyrillic", {"\xD2:5 \xC2:6"}, "\xD0\xA2=5 \xD0\x92=6"},
};

// The same lines with each kind of line end, cut in two at every byte and
// in three at every pair of bytes: the same values every time.
TEST(ReceivedLines, TheSameLinesGiveTheSameValuesWhereverTheyAreCut) {
    for (const StreamCase &c : kStreams) {
        const QStringList expected = QString::fromUtf8(c.values).split(' ');
        for (const char *end : {"\r\n", "\n", "\r"}) {
            QByteArray stream;
            for (const QByteArray &line : c.lines)
                stream += line + end;
            const std::string where = std::string(c.name) + " end " + QByteArray(end).toHex().toStdString();
            for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
                ReceivedLines lines;
                QList<QByteArray> taken = lines.take(stream.first(cut));
                taken += lines.take(stream.sliced(cut));
                ASSERT_EQ(taken, c.lines) << where << " cut at " << cut;
                ASSERT_EQ(valuesOf(taken), expected) << where << " cut at " << cut;
            }
            for (qsizetype first = 0; first <= stream.size(); ++first) {
                for (qsizetype second = first; second <= stream.size(); ++second) {
                    ReceivedLines lines;
                    QList<QByteArray> taken = lines.take(stream.first(first));
                    taken += lines.take(stream.sliced(first, second - first));
                    taken += lines.take(stream.sliced(second));
                    ASSERT_EQ(taken, c.lines) << where << " cut at " << first << ", " << second;
                }
            }
        }
    }
}

TEST(ReceivedLines, EndsAndWhatIsLeftOfALine) {
    struct Case {
        const char *name;
        QList<QByteArray> chunks;
        QList<QByteArray> lines;
    };
    const Case cases[] = {
        {"LineFeedsInOneChunk", {"1 2\n3 4\n"}, {"1 2", "3 4"}},
        {"NoEndYet", {"a:1", " b:2"}, {}},
        {"EndInALaterChunk", {"a:1", " b:2", "\r\n"}, {"a:1 b:2"}},
        {"LineFeedThenReturn", {"1\n\r2\n\r"}, {"1", "2"}},
        {"BlankLines", {"\r\n\r\n1\r\n\n\n"}, {"1"}},
        {"ReturnsAlone", {"1\r", "\r", "2\r"}, {"1", "2"}},
        {"ReturnThenLineFeedApart", {"1\r", "\n2\r", "\n"}, {"1", "2"}},
        {"Nul", {QByteArray("a\0b\n", 4)}, {QByteArray("a\0b", 3)}},
    };
    for (const Case &c : cases) {
        ReceivedLines lines;
        QList<QByteArray> taken;
        for (const QByteArray &chunk : c.chunks)
            taken += lines.take(chunk);
        EXPECT_EQ(taken, c.lines) << c.name;
    }
}

TEST(ReceivedLines, ALineWithoutEndIsLetOutAtTheLimitAndClearForgetsIt) {
    ReceivedLines lines;
    const QByteArray endless(ReceivedLines::kMaxLine * 2 + 10, 'x');
    const QList<QByteArray> taken = lines.take(endless);
    ASSERT_EQ(taken.size(), 2);
    EXPECT_EQ(taken[0].size(), ReceivedLines::kMaxLine);
    lines.clear();
    EXPECT_EQ(lines.take("1\n"), QList<QByteArray>{"1"});
}

} // namespace
