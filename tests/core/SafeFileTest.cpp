#include "core/FileLock.h"
#include "core/SafeFile.h"
#include "support/OrdinaryUser.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contentOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QByteArray readAll(int fd) {
    QFile file;
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) ? file.readAll() : QByteArray();
}

// Hidden files anywhere in the folder: a temporary left behind.
QStringList hiddenIn(const QString &folder) {
    QStringList found;
    for (const QString &sub : {QString(), QStringLiteral("/far")})
        found << QDir(folder + sub).entryList({".*"}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return found;
}

} // namespace

TEST(SafeFile, FollowsOnlyTheUsersOwnLinksToTheUsersOwnFiles) {
    ::alarm(30); // a FIFO that blocks an open fails the test instead of hanging it
    using Kind = SafeFile::Kind;
    const auto link = [](const char *to, const char *name = "name") {
        return [=](const QDir &d) { return QFile::link(to, d.filePath(name)); };
    };
    const struct {
        const char *what;
        std::function<bool(const QDir &)> make; // builds "name" beside "far/target" ("old")
        const char *lands;                      // where a replacement goes; nullptr: refused
        Kind kind;
        bool needsRoot;
    } cases[] = {
        {"own link to own file", link("far/target"), "far/target", Kind::Regular, false},
        {"own chain of links", [&](const QDir &d) { return link("far/target", "hop")(d) && link("hop")(d); },
         "far/target", Kind::Regular, false},
        {"own link to nothing yet", link("far/none"), "far/none", Kind::Missing, false},
        {"someone else's link",
         [&](const QDir &d) { return link("far/target")(d) && OrdinaryUser::giveTo(d.filePath("name"), 4242); },
         nullptr, Kind::Other, true},
        {"own link to someone else's file",
         [&](const QDir &d) { return link("far/target")(d) && OrdinaryUser::giveTo(d.filePath("far/target"), 4242); },
         nullptr, Kind::Other, true},
        {"own link to a FIFO",
         [&](const QDir &d) { return ::mkfifo(QFile::encodeName(d.filePath("far/fifo")), 0600) == 0 && link("far/fifo")(d); },
         nullptr, Kind::Other, false},
    };
    int skipped = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && ::geteuid() != 0) {
            ++skipped;
            continue;
        }
        QTemporaryDir dir;
        const QDir d(dir.path());
        ASSERT_TRUE(d.mkdir("far"));
        QFile target(d.filePath("far/target"));
        ASSERT_TRUE(target.open(QIODevice::WriteOnly) && target.write("old") == 3);
        target.close();
        ASSERT_TRUE(c.make(d));
        const QString name = d.filePath("name");

        EXPECT_EQ(SafeFile::kindOf(name), c.kind);
        SafeFile reader;
        const bool opened = reader.openForReading(name);
        EXPECT_EQ(opened, c.kind == Kind::Regular);
        EXPECT_EQ(reader.missing(), c.kind == Kind::Missing);
        if (opened)
            EXPECT_EQ(readAll(reader.takeDescriptor()), "old");

        SafeFile writer;
        EXPECT_EQ(writer.replaceWhole(name, "new"), c.lands != nullptr) << writer.errorString().toStdString();
        if (c.lands)
            EXPECT_EQ(contentOf(d.filePath(c.lands)), "new");
        else
            EXPECT_EQ(contentOf(d.filePath("far/target")), "old");
        EXPECT_TRUE(QFileInfo(name).isSymLink()) << "the link itself stays";
        EXPECT_EQ(hiddenIn(d.path()), QStringList());
    }
    ::alarm(0);
    if (skipped)
        GTEST_SKIP() << skipped << " cases need root to give a file to another user";
}

TEST(FileLock, OneSaverAtATimePerFolderAndNoLockFileLeft) {
    QTemporaryDir dir;
    FileLock first, second;
    ASSERT_TRUE(first.lock(dir.filePath("CmdConfig")));
    EXPECT_FALSE(second.lock(dir.filePath("OldCmd"), 0));
    EXPECT_FALSE(second.errorString().isEmpty());
    first.unlock();
    EXPECT_TRUE(second.lock(dir.filePath("CmdConfig"), 0));
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}
