#include "core/platform/SafeFile.h"
#include "core/platform/FileLock.h"
#include "support/OrdinaryUser.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contentOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

} // namespace

TEST(SafeFile, FollowsOnlyTheUsersOwnLinksToTheUsersOwnFiles) {
    ::alarm(30); // a FIFO that blocks an open fails the test instead of hanging it
    const struct {
        const char *what, *linkTo, *givenAway, *lands; // lands: nullptr when refused
    } cases[] = {
        {"own link to own file", "far/target", nullptr, "far/target"},
        {"own link to nothing yet", "far/none", nullptr, "far/none"},
        {"someone else's link", "far/target", "name", nullptr},
        {"own link to someone else's file", "far/target", "far/target", nullptr},
        {"own link to a FIFO", "far/fifo", nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QDir d(dir.path());
        QFile target(d.filePath("far/target"));
        ASSERT_TRUE(d.mkdir("far") && target.open(QIODevice::WriteOnly) && target.write("old") == 3);
        target.close();
        ASSERT_EQ(::mkfifo(QFile::encodeName(d.filePath("far/fifo")), 0600), 0);
        ASSERT_TRUE(QFile::link(c.linkTo, d.filePath("name")));
        if (c.givenAway && !giveToNobody(d.filePath(c.givenAway)))
            GTEST_SKIP() << "only root can give a file to another user";

        core::SafeFile reader, writer;
        const bool exists = c.lands && QFile::exists(d.filePath(c.lands));
        EXPECT_EQ(reader.openForReading(d.filePath("name")), exists);
        EXPECT_EQ(reader.missing(), c.lands && !exists);
        EXPECT_EQ(writer.replaceWhole(d.filePath("name"), "new"), c.lands != nullptr);
        EXPECT_EQ(contentOf(d.filePath(c.lands ? c.lands : "far/target")), c.lands ? "new" : "old");
        EXPECT_TRUE(QFileInfo(d.filePath("name")).isSymLink()) << "the link itself stays";
        EXPECT_TRUE(QDir(d.filePath("far")).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty()) << "no temporary";
    }
    ::alarm(0);
}

TEST(FileLock, OneSaverAtATimePerFolderAndNoLockFileLeft) {
    QTemporaryDir dir;
    core::FileLock first, second;
    ASSERT_TRUE(first.lock(dir.filePath("CmdConfig")));
    EXPECT_FALSE(second.lock(dir.filePath("OldCmd"), 0));
    first.unlock();
    EXPECT_TRUE(second.lock(dir.filePath("CmdConfig"), 0));
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

TEST(SafeFile, OnlyTheProgramsMarkedNamesAreItsTemporaries) {
    const struct {
        const char *entry, *of;
        bool temporary;
    } cases[] = {
        {".CmdConfig.terminalkvr-tmp-a1B2c3", "CmdConfig", true},
        {".CmdConfig.recovery.terminalkvr-tmp-ZZZZZZ", "CmdConfig.recovery", true},
        {".CmdConfig.recovery.terminalkvr-tmp-ZZZZZZ", "CmdConfig", false},
        {".CmdConfig.terminalkvr-tmp-a1B2c34", "CmdConfig", false},
        {".CmdConfig.terminalkvr-tmp-a1-2c3", "CmdConfig", false},
        {".CmdConfig.terminalkvr-tmp-a1Бc3d", "CmdConfig", false},
        {".CmdConfig.backup", "CmdConfig", false},
        {".CmdConfig.a1B2c3", "CmdConfig", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(core::SafeFile::isTemporaryOf(QString::fromUtf8(c.entry), c.of), c.temporary) << c.entry;
}

// What a killed save leaves goes once it is a minute old and nobody holds it;
// the user's own files that merely look alike stay.
TEST(SafeFile, CleanUpRemovesOnlyTheProgramsOwnOldTemporaries) {
    QTemporaryDir dir;
    const QDir d(dir.path());
    const struct {
        const char *name;
        int age; // seconds
        bool removed;
    } files[] = {
        {".CmdConfig.backup", 3600, false},
        {".CmdConfig.recovery.mynote", 3600, false},
        {".OldCmd.sorted", 3600, false},
        {".CmdConfig.terminalkvr-tmp-a1B2c3", 3600, true},
        {".CmdConfig.terminalkvr-tmp-fresh1", 0, false},
        {".CmdConfig.terminalkvr-tmp-held12", 3600, false},
    };
    for (const auto &f : files) {
        QFile file(d.filePath(f.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        file.close();
        const timespec when{::time(nullptr) - f.age, 0};
        const timespec times[2] = {when, when};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file.fileName()).constData(), times, 0), 0);
    }
    QFile held(d.filePath(".CmdConfig.terminalkvr-tmp-held12"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly) && ::flock(held.handle(), LOCK_EX) == 0);
    for (const char *name : {"OldCmd", "CmdConfig", "CmdConfig.recovery"})
        core::SafeFile::removeStaleTemporaries(d.filePath(name));
    for (const auto &f : files)
        EXPECT_EQ(QFile::exists(d.filePath(f.name)), !f.removed) << f.name;
}
