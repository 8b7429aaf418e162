#include "rx/LogFile.h"
#include "support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace rx;

namespace {

QByteArray contentOf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<cannot open>";
    return file.readAll();
}

TEST(LogFileName, NumbersWithoutLeadingZeros) {
    EXPECT_EQ(logFileNameFor(QDateTime(QDate(2021, 3, 3), QTime(8, 4, 9))), QStringLiteral("LOG_2021 3 3 8 4 9.txt"));
    EXPECT_EQ(logFileNameFor(QDateTime(QDate(2022, 1, 1), QTime(10, 0, 0))), QStringLiteral("LOG_2022 1 1 10 0 0.txt"));
    EXPECT_EQ(logFileNameFor(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 999))),
              QStringLiteral("LOG_2023 12 31 23 59 59.txt"));
}

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST_F(LogFileTest, EveryLineEndsInCrLf) {
    const QString name = path("LOG_2021 3 3 8 4 9.txt");
    LogFile log;
    ASSERT_TRUE(log.create(name));
    EXPECT_TRUE(log.isOpen());
    EXPECT_EQ(log.fileName(), name);
    EXPECT_TRUE(log.writeLine(" [ 14:03:07:500 > ] AT\r"));
    EXPECT_TRUE(log.writeLine(" [ 14:03:07:512 < ] OK\r"));
    EXPECT_TRUE(log.writeLine("\xC0\xE1\xE2"));
    EXPECT_TRUE(log.close());
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(contentOf(name), QByteArray(" [ 14:03:07:500 > ] AT\r\r\n [ 14:03:07:512 < ] OK\r\r\n\xC0\xE1\xE2\r\n"));
}

TEST_F(LogFileTest, AnExistingFileIsKeptAndTheNewLogTakesTheNextNumber) {
    // Two other windows' logs of the same second.
    const QString taken[] = {path("LOG_2026 12 8 4 5 6.txt"), path("LOG_2026 12 8 4 5 6 (2).txt")};
    for (const QString &earlier : taken) {
        QFile old(earlier);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("earlier") == 7);
    }
    LogFile log;
    ASSERT_TRUE(log.create(taken[0]));
    EXPECT_EQ(log.fileName(), path("LOG_2026 12 8 4 5 6 (3).txt"));
    log.writeLine("new");
    log.close();
    EXPECT_EQ(contentOf(taken[0]) + contentOf(taken[1]) + contentOf(log.fileName()), "earlierearliernew\r\n");
    EXPECT_EQ(LogFile::numberedName("dir.d/LOG", 12), "dir.d/LOG (12)");
}

TEST_F(LogFileTest, BareNameLandsInTheCurrentDirectory) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    LogFile log;
    const bool created = log.create("LOG_2022 1 1 10 0 0.txt");
    log.writeLine("x");
    log.close();
    QDir::setCurrent(previous);
    ASSERT_TRUE(created);
    EXPECT_EQ(contentOf(path("LOG_2022 1 1 10 0 0.txt")), QByteArray("x\r\n"));
}

TEST_F(LogFileTest, LinesStayInMemoryUntilFlushed) {
    const QString name = path("LOG.txt");
    LogFile log;
    ASSERT_TRUE(log.create(name));
    EXPECT_FALSE(log.hasUnflushedData());
    for (int i = 0; i < 100; ++i)
        log.writeLine("a line of the log");
    EXPECT_TRUE(log.hasUnflushedData());
    EXPECT_EQ(QFileInfo(name).size(), 0);
    EXPECT_TRUE(log.flush());
    EXPECT_FALSE(log.hasUnflushedData());
    EXPECT_EQ(QFileInfo(name).size(), 100 * 19);
    log.writeLine("one more");
    EXPECT_EQ(QFileInfo(name).size(), 100 * 19);
}

TEST_F(LogFileTest, AFullBufferIsWrittenInOneChunk) {
    const QString name = path("LOG.txt");
    const QByteArray line(2046, 'x'); // 2048 bytes with CR LF
    const int lines = 3 * LogFile::kBufferSize / 2048 + 5;
    LogFile log;
    ASSERT_TRUE(log.create(name));
    for (int i = 0; i < lines; ++i)
        log.writeLine(line);
    const qint64 onDisk = QFileInfo(name).size();
    EXPECT_EQ(onDisk, 3 * LogFile::kBufferSize);
    EXPECT_TRUE(log.hasUnflushedData());
    log.flush();
    EXPECT_EQ(QFileInfo(name).size(), qint64(lines) * 2048);
}

TEST_F(LogFileTest, CloseWritesEverything) {
    const QString name = path("LOG.txt");
    {
        LogFile log;
        ASSERT_TRUE(log.create(name));
        log.writeLine("paused here");
    } // the owner goes away without an explicit close
    EXPECT_EQ(contentOf(name), QByteArray("paused here\r\n"));
}

TEST_F(LogFileTest, CreationFailsOnADirectoryOfThatName) {
    const QString name = path("LOG.txt");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("LOG.txt"));
    LogFile log;
    EXPECT_FALSE(log.create(name));
    EXPECT_FALSE(log.isOpen());
    EXPECT_FALSE(log.errorString().isEmpty());
    EXPECT_TRUE(log.writeLine("dropped"));
    EXPECT_FALSE(log.hasUnflushedData());
    EXPECT_TRUE(log.close());
}

TEST_F(LogFileTest, CreationFailsInAMissingDirectory) {
    LogFile log;
    EXPECT_FALSE(log.create(path("missing/LOG.txt")));
    EXPECT_FALSE(log.isOpen());
    EXPECT_FALSE(log.errorString().isEmpty());
}

TEST_F(LogFileTest, FullDiskIsReportedOncePerEpisode) {
    LogFile log;
    ASSERT_TRUE(log.create(path("LOG.txt")));
    bool results[4] = {};
    bool unflushed = true;
    {
        const FileSizeLimit fullDisk(0);     // no assertions while it holds
        results[0] = log.writeLine("first"); // still in memory
        results[1] = log.flush();
        unflushed = log.hasUnflushedData();
        log.writeLine("second");
        results[2] = log.flush();
        log.writeLine(QByteArray(LogFile::kBufferSize, 'x'));
        results[3] = log.close();
    }
    EXPECT_TRUE(results[0]);
    EXPECT_FALSE(results[1]);
    EXPECT_FALSE(log.errorString().isEmpty());
    EXPECT_FALSE(unflushed) << "lines that cannot be written are dropped";
    EXPECT_TRUE(results[2] && results[3]);
}

TEST_F(LogFileTest, FullDiskMetByAFullBufferIsReportedByWriteLine) {
    const QString name = path("LOG.txt");
    LogFile log;
    ASSERT_TRUE(log.create(name));
    bool written = true;
    {
        const FileSizeLimit limit(0);
        written = log.writeLine(QByteArray(LogFile::kBufferSize, 'x'));
    }
    EXPECT_FALSE(written);
}

TEST_F(LogFileTest, AShortWriteLeavesOnlyWholeLines) {
    const QString name = path("LOG.txt");
    LogFile log;
    ASSERT_TRUE(log.create(name));
    const QByteArray line = "a line of twenty-nine bytes";
    bool flushed = true;
    {
        const FileSizeLimit limit(1000);
        for (int i = 0; i < 100; ++i)
            log.writeLine(line);
        flushed = log.flush();
    }
    log.writeLine("after");
    log.close();
    EXPECT_FALSE(flushed);
    EXPECT_EQ(contentOf(name), (line + "\r\n").repeated(1000 / 29) + "after\r\n");
}

TEST_F(LogFileTest, AFileDeletedWhileOpenIsReportedOnce) {
    LogFile log;
    ASSERT_TRUE(log.create(path("LOG.txt")));
    ASSERT_TRUE(QFile::remove(path("LOG.txt")));
    log.writeLine("lost 1");
    EXPECT_FALSE(log.flush());
    log.writeLine("lost 2");
    EXPECT_TRUE(log.flush());
}

TEST_F(LogFileTest, AFileDeletedDuringAFullDiskIsReported) {
    LogFile log;
    ASSERT_TRUE(log.create(path("LOG.txt")));
    bool episode = true, deleted = true, later = false;
    {
        const FileSizeLimit fullDisk(0); // no assertions while it holds
        log.writeLine("lost 1");
        episode = log.flush();
        QFile::remove(path("LOG.txt"));
        log.writeLine("lost 2");
        deleted = log.flush();
        later = log.flush();
    }
    EXPECT_FALSE(episode || deleted) << "the deletion is reported although the disk is still full";
    EXPECT_TRUE(log.isGone() && later);
}

TEST_F(LogFileTest, ALinkOfTheLogsNameIsNeverWrittenThrough) {
    QFile victim(path("victim"));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly) && victim.write("precious") == 8);
    victim.close();
    for (const char *target : {"victim", "missing"}) {
        ASSERT_TRUE(QFile::link(path(target), path(target) + ".txt"));
        EXPECT_FALSE(LogFile().create(path(target) + ".txt")) << target;
    }
    EXPECT_EQ(contentOf(path("victim")), "precious");
    EXPECT_FALSE(QFile::exists(path("missing")));
}

TEST_F(LogFileTest, ASuccessfulWriteEndsTheEpisode) {
    const QString name = path("LOG.txt");
    LogFile log;
    ASSERT_TRUE(log.create(name));
    log.writeLine("first");
    ASSERT_TRUE(log.flush());

    // No assertions while the limit holds: the test's own output may be a file.
    bool firstEpisode = true, sameEpisode = false, secondEpisode = true;
    bool limited = false;
    {
        const FileSizeLimit limit(7);
        limited = limit.active();
        log.writeLine("lost 1");
        firstEpisode = log.flush();
        log.writeLine("lost 2");
        sameEpisode = log.flush();
    }
    ASSERT_TRUE(limited);
    log.writeLine("second");
    const bool recovered = log.flush();
    {
        const FileSizeLimit limit(15);
        log.writeLine("lost 3");
        secondEpisode = log.flush();
    }
    log.close();

    EXPECT_FALSE(firstEpisode);
    EXPECT_TRUE(sameEpisode);
    EXPECT_TRUE(recovered);
    EXPECT_FALSE(secondEpisode);
    EXPECT_EQ(contentOf(name), QByteArray("first\r\nsecond\r\n"));
}

} // namespace
