#include "tx/CommandFile.h"
#include "support/QtPrinting.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tx;

namespace {

QByteArray numberedLines(int count, const char *end) {
    QByteArray text;
    for (int n = 1; n <= count; ++n)
        text += "L" + QByteArray::number(n) + end;
    return text;
}

} // namespace

TEST(CommandFile, LinesAsLoaded) {
    const QByteArray l254(254, 'x'), l255(255, 'y');
    const struct {
        const char *name;
        QByteArray content;
        qsizetype lines;
        QByteArray first, last;
        bool limit;
    } cases[] = {
        {"LF", "AT\nATI\n\nATZ", 4, "AT", "ATZ", false},
        {"CR LF", "AT\r\nATI\r\n\r\nATZ\r\n", 4, "AT", "ATZ", false},
        {"lone CR stays", "A\rB\r\nC\r", 2, "A\rB", "C\r", false},
        {"windows-1251 bytes", "\xcf\xf0\xe8\n", 1, "\xcf\xf0\xe8", "\xcf\xf0\xe8", false},
        {"empty file", "", 0, "", "", false},
        {"254 kept, 255 skipped", l254 + "\r\n" + l255 + "\r\n" + l255 + "\nB", 2, l254, "B", false},
        {"long line skipped whole", QByteArray(5000, 'z') + "\nA\n", 1, "A", "A", false},
        {"499 lines", numberedLines(499, "\n"), 499, "L1", "L499", false},
        {"500 lines", numberedLines(500, "\r\n"), 500, "L1", "L500", true},
        {"600 lines", numberedLines(600, "\n"), 500, "L1", "L500", true},
        {"skipped lines count", l255 + "\n" + numberedLines(600, "\n"), 499, "L1", "L499", true},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(dir.filePath("cmds.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(c.content) == c.content.size());
        file.close();
        CommandFile commands;
        ASSERT_TRUE(commands.read(file.fileName())) << commands.errorString().toStdString();
        EXPECT_EQ(commands.lines().size(), c.lines);
        EXPECT_EQ(commands.lines().value(0), c.first);
        EXPECT_EQ(commands.lines().value(c.lines - 1), c.last);
        EXPECT_EQ(commands.reachedLimit(), c.limit);
    }
}

TEST(CommandFile, UnreadableFileIsReportedWithTheSystemsText) {
    QTemporaryDir dir;
    CommandFile commands;
    EXPECT_FALSE(commands.read(dir.filePath("absent")));
    EXPECT_TRUE(commands.errorString().contains("No such file")) << commands.errorString().toStdString();
    EXPECT_FALSE(commands.read(dir.path())) << "a folder is no file of commands";
    EXPECT_FALSE(commands.errorString().isEmpty());
}

TEST(CommandFile, OnlyARegularFileIsReadAndNeverForLong) {
    ::alarm(30); // a FIFO that blocks the open fails the test instead of hanging it
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_TRUE(::mkfifo(QFile::encodeName(fifo), 0600) == 0 && QFile::link(fifo, dir.filePath("link")));
    for (const QString &path : {fifo, dir.filePath("link"), QStringLiteral("/dev/zero"), QStringLiteral("/dev/null")}) {
        CommandFile commands;
        EXPECT_FALSE(commands.read(path) || commands.errorString().isEmpty()) << path.toStdString();
    }
    ::alarm(0);
    QFile huge(dir.filePath("huge"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.write("first\n") == 6 && huge.resize(qint64(1) << 30));
    huge.close(); // 1 GB with no other line break
    CommandFile commands;
    ASSERT_TRUE(commands.read(huge.fileName()));
    EXPECT_EQ(commands.lines(), QList<QByteArray>{"first"});
    EXPECT_TRUE(commands.reachedLimit()) << "the file holds more than was read";
}
