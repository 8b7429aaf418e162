#include "tx/SentHistory.h"
#include "core/platform/SafeFile.h"
#include "support/FileBytes.h"
#include "support/HeldLock.h"
#include "support/OrdinaryUser.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace tx;

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
    // The user's own links are followed; someone else's are not.
    const auto foreignLink = [](const char *to) {
        return [to](const QString &name) { return QFile::link(to, name) && giveToNobody(name); };
    };
    const std::function<bool(const QString &)> oddFiles[] = {
        foreignLink("victim"),
        foreignLink("missing"),
        [](const QString &name) { return ::mkfifo(QFile::encodeName(name), 0600) == 0; },
    };
    for (const auto &make : oddFiles) {
        QTemporaryDir dir;
        QFile victim(dir.filePath("victim"));
        ASSERT_TRUE(victim.open(QIODevice::WriteOnly) && victim.write("precious") == 8);
        victim.close();
        if (!make(dir.filePath("OldCmd"))) {
            ASSERT_NE(::geteuid(), 0u);
            continue; // only root can give a link to another user
        }
        SentHistory history;
        EXPECT_FALSE(history.loadOrCreate(dir.filePath("OldCmd")));
        history.add("AT");
        EXPECT_FALSE(history.saveIfPresent(dir.filePath("OldCmd")));
        EXPECT_EQ(fileBytes(victim.fileName()), "precious");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 2);
    }
    ::alarm(0);
}

TEST(SentHistory, TwoWindowsKeepEachOthersCommandsThisSessionsFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath("OldCmd");
    const auto session = [&path](const QList<QByteArray> &sent) {
        auto history = std::make_unique<SentHistory>();
        EXPECT_TRUE(history->loadOrCreate(path));
        for (const QByteArray &command : sent)
            history->add(command);
        return history;
    };
    ASSERT_TRUE(session({"Y", "X"})->saveIfPresent(path));
    auto a = session({"a1", "X"}), b = session({"b1", "Y"});
    ASSERT_TRUE(a->saveIfPresent(path) && b->saveIfPresent(path));
    EXPECT_EQ(session({})->texts(), (QList<QByteArray>{"Y", "b1", "X", "a1"}));
    QList<QByteArray> c, d; // fifty at most
    for (int n = 0; n < 40; ++n)
        c << "c" + QByteArray::number(n), d << "d" + QByteArray::number(n);
    auto first = session(c), second = session(d);
    ASSERT_TRUE(first->saveIfPresent(path) && second->saveIfPresent(path));
    const QList<QByteArray> texts = session({})->texts();
    EXPECT_EQ(texts.size(), 50);
    EXPECT_EQ(texts.value(0) + texts.value(39) + texts.value(40) + texts.value(49), "d39d0c39c30");
}

// Another window saves to slow storage while this one closes: the commands of
// the session are written once it is done, the wait is told past the usual
// one, and a lock held past the bound puts them aside for the next start.
TEST(SentHistory, ASaveAtCloseWaitsForAnotherSaveAndNeverDropsTheCommands) {
    const struct {
        int holdMs, waitMs;
        bool saved, told;
    } cases[] = {
        {150, core::FileLock::kClosingWaitMs, true, false},
        {1000, core::FileLock::kClosingWaitMs, true, true},
        {-1, 300, false, true}, // held until this window has ended
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.holdMs);
        QTemporaryDir dir;
        const QString path = dir.filePath("OldCmd");
        SentHistory closing, next;
        ASSERT_TRUE(closing.loadOrCreate(path));
        closing.add("one");
        closing.add("two");
        QStringList told;
        {
            HeldLock held(path, c.holdMs);
            ASSERT_TRUE(held.locked());
            EXPECT_EQ(closing.saveIfPresent(path, c.waitMs, [&told](const QString &who) { told << who; }), c.saved);
        }
        EXPECT_EQ(!told.isEmpty(), c.told);
        if (c.told) {
            EXPECT_TRUE(told.first().contains("процесс")) << told.first().toStdString();
        }
        EXPECT_EQ(core::SafeFile::asideFiles(path).size(), c.saved ? 0 : 1);
        if (!c.saved) {
            EXPECT_TRUE(closing.errorString().contains(core::SafeFile::asideName(path)))
                << closing.errorString().toStdString();
        }
        ASSERT_TRUE(next.loadOrCreate(path));
        EXPECT_EQ(next.texts(), (QList<QByteArray>{"two", "one"}));
        EXPECT_TRUE(core::SafeFile::asideFiles(path).isEmpty()) << "merged in and gone";
    }
}
