#include "support/QtPrinting.h"
#include "tx/SentHistory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tx;

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SentHistory, ResentCommandMovesToTheFrontWithoutDuplicate) {
    SentHistory history;
    history.add("A");
    history.add("B");
    history.add("A");
    EXPECT_EQ(history.texts(), (QList<QByteArray>{"A", "B"}));
}

TEST(SentHistory, FiftyOneCommandsDropTheOldest) {
    SentHistory history;
    for (int n = 1; n <= 51; ++n)
        history.add(QByteArray::number(n));
    const QList<QByteArray> texts = history.texts();
    ASSERT_EQ(texts.size(), 50);
    EXPECT_EQ(texts.first(), "51");
    EXPECT_EQ(texts.last(), "2");
}

TEST(SentHistory, KeepsCommandsUpTo254Characters) {
    SentHistory history;
    history.add(QByteArray(255, 'x'));
    history.add(QByteArray());
    EXPECT_TRUE(history.texts().isEmpty());
    history.add(QByteArray(254, 'y'));
    EXPECT_EQ(history.texts(), QList<QByteArray>{QByteArray(254, 'y')});
}

TEST(SentHistory, FileRoundTripAndRecordLayout) {
    QTemporaryDir dir;
    const QString path = dir.filePath("OldCmd");
    SentHistory history;
    ASSERT_TRUE(history.loadOrCreate(path));
    EXPECT_EQ(fileBytes(path), QByteArray(12800, '\0'));

    history.add("AT");
    ASSERT_TRUE(history.saveIfPresent(path));
    QByteArray expected(12800, '\0');
    expected[0] = 2;
    expected[1] = 'A';
    expected[2] = 'T';
    EXPECT_EQ(fileBytes(path), expected);

    SentHistory reloaded;
    ASSERT_TRUE(reloaded.loadOrCreate(path));
    EXPECT_EQ(reloaded.texts(), QList<QByteArray>{"AT"});
}

TEST(SentHistory, ShortFileGivesEmptyEntriesAndDeletedFileIsNotRecreated) {
    QTemporaryDir dir;
    const QString path = dir.filePath("OldCmd");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray record(256, '\0');
    record[0] = 3;
    record.replace(1, 3, "abc");
    file.write(record + QByteArray(100, '\0'));
    file.close();

    SentHistory history;
    ASSERT_TRUE(history.loadOrCreate(path));
    EXPECT_EQ(history.texts(), QList<QByteArray>{"abc"});

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(history.saveIfPresent(path));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SentHistory, UnreadableFileIsReported) {
    QTemporaryDir dir;
    const QString path = dir.filePath("OldCmd");
    ASSERT_TRUE(QDir().mkdir(path));
    SentHistory history;
    EXPECT_FALSE(history.loadOrCreate(path));
}

TEST(SentHistory, OnlyARegularFileIsReadOrWritten) {
    ::alarm(30); // a FIFO that blocks the open fails the test instead of hanging it
    const std::function<void(const QString &)> oddFiles[] = {
        [](const QString &name) { QFile::link("victim", name); },
        [](const QString &name) { QFile::link("missing", name); },
        [](const QString &name) { ::mkfifo(QFile::encodeName(name), 0600); },
    };
    for (const auto &make : oddFiles) {
        QTemporaryDir dir;
        QFile victim(dir.filePath("victim"));
        ASSERT_TRUE(victim.open(QIODevice::WriteOnly) && victim.write("precious") == 8);
        victim.close();
        make(dir.filePath("OldCmd"));
        SentHistory history;
        EXPECT_FALSE(history.loadOrCreate(dir.filePath("OldCmd")));
        history.add("AT");
        EXPECT_FALSE(history.saveIfPresent(dir.filePath("OldCmd")));
        EXPECT_EQ(fileBytes(victim.fileName()), "precious");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 2);
    }
    ::alarm(0);
}
