#include "macros/MacroStore.h"
#include "core/platform/FileLock.h"
#include "core/platform/SafeFile.h"
#include "support/FileBytes.h"
#include "support/FileSizeLimit.h"
#include "support/HeldLock.h"
#include "support/OrdinaryUser.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

using Field = macros::MacroStore::Field;

// The record layout written out by hand, independently of the store's code.
constexpr int kRecord = 102580;
int nameAt(int list) { return kRecord * (list - 1); }
int commandAt(int list, int k) { return nameAt(list) + 152 + 252 * (k - 1); }
int macroNameAt(int list, int k) { return nameAt(list) + 12248 + 52 * (k - 1); }
int lineAt(int list, int k, int j) { return nameAt(list) + 14744 + 1824 * (k - 1) + 152 * (j - 1); }
int signatureAt(int list) { return nameAt(list) + 102500; }

void putText(QByteArray &image, int at, const QByteArray &text) {
    image[at] = char(text.size());
    image.replace(at + 1, text.size(), text);
}

// 100 signed records. Records 1..noisy have every byte set and an "x" after
// each macro slot's length byte, which is 1 with texts and 0 without; lists
// are named "Name N" with texts, "List N" without.
QByteArray image(int noisy, bool texts) {
    QByteArray bytes(kRecord * 100, '\0');
    for (int i = 0; i < kRecord * noisy; ++i)
        bytes[i] = char(0x20 + i % 90);
    for (int n = 1; n <= 100; ++n) {
        for (int k = 1; n <= noisy && k <= 48; ++k) {
            QList<int> offsets{commandAt(n, k), macroNameAt(n, k)};
            for (int j = 1; j <= 12; ++j)
                offsets << lineAt(n, k, j);
            for (const int at : offsets)
                bytes.replace(at, 2, QByteArray(texts ? "\1x" : "\0x", 2));
        }
        putText(bytes, nameAt(n), (texts ? "Name " : "List ") + QByteArray::number(n));
        bytes.replace(signatureAt(n), 4, QByteArray::fromHex("39300000"));
    }
    return bytes;
}

// Where two byte strings first differ; -1 when they are equal.
qsizetype firstDifference(const QByteArray &a, const QByteArray &b) {
    return a == b ? -1 : std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void setModified(const QString &path, qint64 secondsAgo) {
    const timespec when{::time(nullptr) - secondsAgo, 0};
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

} // namespace

TEST(MacroStore, LoadChecksRebuildsKeepsTheBadFileAndSavesOneHundredRecords) {
    const QByteArray good = image(100, true), fresh = image(0, false);
    QByteArray badAt57 = good;
    badAt57[signatureAt(57)] = 0x3a;
    const struct {
        const char *what;
        bool present, rebuilt;
        QByteArray content, loaded; // loaded: the image after loading
    } cases[] = {
        {"missing", false, true, {}, fresh},
        {"empty", true, true, "", fresh},
        {"99 records and a part", true, true, fresh.first(kRecord * 99 + 500), fresh},
        // The records read up to the bad one keep their bytes, with every length 0.
        {"bad signature at 57", true, true, badAt57, image(57, false)},
        {"100 records, reserved bytes set", true, false, good, good},
        {"101 records", true, false, good + good.first(kRecord), good},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig");
        if (c.present)
            writeFile(path, c.content);
        macros::MacroStore store;
        EXPECT_TRUE(store.LoadCmdConfig(path));
        EXPECT_EQ(store.rebuilt(), c.rebuilt);
        EXPECT_EQ(firstDifference(store.image(), c.loaded), -1);
        EXPECT_EQ(firstDifference(fileBytes(path), c.rebuilt ? c.loaded : c.content), -1);
        // An empty file holds nothing worth keeping.
        const bool kept = c.present && c.rebuilt && !c.content.isEmpty();
        EXPECT_EQ(QFile::exists(path + ".bad"), kept);
        EXPECT_EQ(firstDifference(fileBytes(path + ".bad"), kept ? c.content : ""), -1);
        ASSERT_TRUE(store.save(path));
        EXPECT_EQ(firstDifference(fileBytes(path), c.loaded), -1);
    }
}

// Empty parts of the file are not copied into memory: whatever piece of the
// image a byte falls in, next to empty ones, it is read.
TEST(MacroStore, EveryByteOfAMostlyEmptyFileIsLoaded) {
    const struct {
        const char *what;
        QList<int> set; // offsets of bytes set to 0x7F, beside the signatures
    } cases[] = {
        {"none", {}},
        {"first and last byte of the file", {0, kRecord * 100 - 1}},
        {"around 4096-byte boundaries", {4095, 4096, 8191, 3 * 4096 + 1}},
        {"around 64 KB boundaries", {65535, 65536, 10 * 65536 - 1}},
        {"in the reserved bytes of one record", {signatureAt(40) - 1, signatureAt(40) + 4}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = image(0, false);
        for (const int at : c.set)
            bytes[at] = 0x7F;
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig");
        writeFile(path, bytes);
        macros::MacroStore store;
        EXPECT_TRUE(store.LoadCmdConfig(path));
        EXPECT_FALSE(store.rebuilt());
        EXPECT_EQ(firstDifference(store.image(), bytes), -1);
        store.setCommand(100, 48, u"AT");
        ASSERT_TRUE(store.save(path));
        putText(bytes, commandAt(100, 48), "AT");
        EXPECT_EQ(firstDifference(fileBytes(path), bytes), -1);
    }
}

TEST(MacroStore, SlotsCutToTheirCapacityAndHoldWindows1251) {
    const QString c300(300, 'c');
    const struct {
        Field field;
        int list, macro, line;
        QString stored, readBack;
    } cases[] = {
        {Field::Command, 3, 48, 1, c300.left(251), c300.left(251)},
        {Field::Command, 3, 48, 1, c300, c300.left(251)},
        {Field::Name, 100, 1, 1, c300, c300.left(51)},
        {Field::ListName, 1, 1, 1, c300, c300.left(151)},
        {Field::Description, 7, 9, 12, c300, c300.left(151)},
        {Field::Name, 2, 5, 1, "Привет", "Привет"},
        {Field::Command, 2, 5, 1, "aαb", "a?b"},
        {Field::ListName, 2, 1, 1, "Ёё№", "Ёё№"},
    };
    for (const auto &c : cases) {
        macros::MacroStore store;
        store.store(c.field, c.stored, c.list, c.macro, c.line);
        EXPECT_EQ(store.text(c.field, c.list, c.macro, c.line), c.readBack);
    }
}

TEST(MacroStore, LengthByteBeyondTheCapacityReadsAsTheCapacity) {
    const struct {
        Field field;
        int at, capacity;
    } offsets[] = {{Field::ListName, nameAt(4), 151},
                   {Field::Command, commandAt(4, 48), 251},
                   {Field::Name, macroNameAt(4, 48), 51},
                   {Field::Description, lineAt(4, 48, 12), 151}};
    QByteArray bytes = image(100, true);
    for (const auto &s : offsets)
        bytes[s.at] = char(0xff);
    QTemporaryDir dir;
    writeFile(dir.filePath("CmdConfig"), bytes);
    macros::MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(dir.filePath("CmdConfig")));
    for (const auto &s : offsets)
        EXPECT_EQ(store.bytes(s.field, 4, 48, 12), bytes.mid(s.at + 1, s.capacity));
}

TEST(MacroStore, WrittenFileHasTheRecordLayoutByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    macros::MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setListName(12, QStringLiteral("Насос"));
    store.setCommand(12, 48, QStringLiteral("LONGER TEXT"));
    store.setCommand(12, 48, QStringLiteral("SHORT"));
    store.setName(100, 48, QStringLiteral("Z"));
    store.setDescription(1, 48, 12, QStringLiteral("last line"));
    ASSERT_TRUE(store.save(path));

    QByteArray expected = image(0, false);
    putText(expected, nameAt(12), QByteArray::fromHex("cde0f1eef1"));
    // A shorter text leaves the bytes past its length as they were.
    putText(expected, commandAt(12, 48), "LONGER TEXT");
    putText(expected, commandAt(12, 48), "SHORT");
    putText(expected, macroNameAt(100, 48), "Z");
    putText(expected, lineAt(1, 48, 12), "last line");
    EXPECT_EQ(firstDifference(fileBytes(path), expected), -1);
}

TEST(MacroStore, FailedSaveLeavesTheOldFileWholeAndKeepsTheChanges) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    macros::MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setName(1, 1, QStringLiteral("changed"));
    // No file may grow past 1 MB: the write fails a tenth of the way in.
    FileSizeLimit limit(1 << 20);
    ASSERT_TRUE(limit.active());
    const bool saved = store.save(path);
    limit.lift();
    EXPECT_TRUE(!saved && !store.errorString().isEmpty());
    EXPECT_EQ(firstDifference(fileBytes(path), image(0, false)), -1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"CmdConfig"});
    EXPECT_TRUE(store.differsFromFile());
    ASSERT_TRUE(store.save(path));
    EXPECT_FALSE(store.differsFromFile());
    EXPECT_EQ(fileBytes(path).mid(macroNameAt(1, 1), 8), QByteArray("\x07"
                                                                    "changed"));
}

TEST(MacroStore, LoaderSurvivesRandomAndMutatedFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    QRandomGenerator random(20261207);
    const QByteArray good = image(100, true);
    for (int round = 0; round < 16; ++round) {
        QByteArray content = good;
        if (round % 2)
            content.resize(random.bounded(kRecord * 3));
        for (int flips = 0; flips < 2000; ++flips)
            content[random.bounded(int(content.size()))] = char(random.bounded(256));
        writeFile(path, content);
        macros::MacroStore store;
        EXPECT_TRUE(store.LoadCmdConfig(path));
        EXPECT_EQ(firstDifference(fileBytes(path), store.image()), -1);
        for (int n = 1; n <= 100; ++n)
            ASSERT_EQ(store.image().mid(signatureAt(n), 4).toHex(), "39300000") << "record " << n;
    }
}

TEST(MacroStore, TwoStoresOnOneFolderKeepEachOthersSavesFieldByField) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    writeFile(path, image(100, true));
    macros::MacroStore a, b, disk;
    ASSERT_TRUE(a.LoadCmdConfig(path) && b.LoadCmdConfig(path));
    a.setListName(3, QStringLiteral("A's list"));
    a.setDescription(4, 5, 6, QStringLiteral("A's line"));
    a.setCommand(1, 1, QStringLiteral("A first"));
    ASSERT_TRUE(a.save(path));
    b.setCommand(1, 1, QStringLiteral("B later")); // the same slot: the later save has it
    b.setName(1, 2, QStringLiteral("B's name"));
    ASSERT_TRUE(b.save(path) && disk.LoadCmdConfig(path));
    const QStringList expected{"A's list", "A's line", "B later", "B's name", "Name 4"};
    EXPECT_EQ(QStringList(
                  {disk.listName(3), disk.description(4, 5, 6), disk.command(1, 1), disk.name(1, 2), disk.listName(4)}),
              expected);
    EXPECT_EQ(firstDifference(b.image(), disk.image()), -1) << "the saving store holds what it wrote";
}

TEST(MacroStore, AFileThatCannotBeReadOrWrittenIsNeverReplaced) {
    const struct {
        const char *what;
        mode_t mode; // 0: a FIFO
        bool loads, saves;
    } cases[] = {{"unreadable", 0200, false, false},
                 {"read-only", 0444, true, false},
                 {"a FIFO", 0, false, false},
                 {"permissions kept", 0640, true, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig");
        if (c.mode)
            writeFile(path, image(1, true));
        ASSERT_TRUE(c.mode || ::mkfifo(QFile::encodeName(path), 0600) == 0);
        ASSERT_EQ(::chmod(QFile::encodeName(path), c.mode ? c.mode : 0600), 0);
        ASSERT_TRUE(::geteuid() != 0 || (giveToNobody(dir.path()) && giveToNobody(path)));
        macros::MacroStore store;
        bool loaded = false, saved = false;
        if (const OrdinaryUser user; user.active) {
            loaded = store.LoadCmdConfig(path);
            store.setName(1, 1, QStringLiteral("edited"));
            saved = store.save(path);
        } else {
            GTEST_SKIP() << "the test cannot take an ordinary user's rights";
        }
        EXPECT_EQ(loaded, c.loads);
        EXPECT_EQ(saved, c.saves) << store.errorString().toStdString();
        EXPECT_EQ(store.differsFromFile(), !saved) << "the edit stays in memory";
        EXPECT_EQ(store.save(path), c.saves) << "not even once the file can be read";
        EXPECT_EQ(store.writeRecovery(path), c.loads) << "no recovery of edits made on default lists";
        struct stat st {};
        EXPECT_TRUE(::lstat(QFile::encodeName(path), &st) == 0 && (st.st_mode & 07777) == (c.mode ? c.mode : 0600));
        if (c.mode && !c.saves) {
            EXPECT_EQ(firstDifference(fileBytes(path), image(1, true)), -1);
        }
    }
}

TEST(MacroStore, BadFilesAreKeptNumberedTheMessageSaysWhereAndTemporariesGo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    // Left by killed saves an hour ago, and names that only look alike.
    for (const char *name : {".CmdConfig.terminalkvr-tmp-a1B2c3", ".CmdConfig.recovery.terminalkvr-tmp-ZZZZZZ",
                             ".CmdConfig.a1-2c3", ".OldCmd.a1B2c3"}) {
        writeFile(dir.filePath(name), "x");
        setModified(dir.filePath(name), 3600);
    }
    for (const QByteArray content : {"bad 1", "", "bad 2", "bad 3", "bad 4", "bad 5", "bad 6"}) {
        writeFile(path, content);
        macros::MacroStore store;
        ASSERT_TRUE(store.LoadCmdConfig(path) && store.rebuilt());
        const QString kept = content.isEmpty() ? QString() : QFileInfo(path + ".bad").absoluteFilePath();
        EXPECT_EQ(store.backupPath(), kept) << "an empty file is not kept";
        EXPECT_EQ(store.rebuiltMessage(), macros::MacroStore::kRebuiltMessage +
                                              (kept.isEmpty() ? QString() : "\nПрежний файл сохранён как " + kept));
    }
    const QStringList kept{"CmdConfig.bad", "CmdConfig.bad.1", "CmdConfig.bad.2", "CmdConfig.bad.3", "CmdConfig.bad.4"};
    EXPECT_EQ(QDir(dir.path()).entryList({"CmdConfig.*"}, QDir::Files, QDir::Name), kept);
    for (int n = 0; n < kept.size(); ++n)
        EXPECT_EQ(fileBytes(dir.filePath(kept[n])), "bad " + QByteArray::number(6 - n));
    EXPECT_EQ(QDir(dir.path()).entryList({".*"}, QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({".CmdConfig.a1-2c3", ".OldCmd.a1B2c3"}));
}

TEST(MacroStore, RecoveryFileKeepsUnsavedChangesUntilTakenAndSaved) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    writeFile(path, image(100, true));
    EXPECT_EQ(macros::MacroStore::recoveryPath(path), path + ".recovery");
    macros::MacroStore a, b, next; // two windows ended by the same logout, then a new start
    ASSERT_TRUE(a.LoadCmdConfig(path) && b.LoadCmdConfig(path) && a.writeRecovery(path));
    EXPECT_FALSE(macros::MacroStore::hasRecovery(path)) << "nothing to keep";
    a.setCommand(7, 7, QStringLiteral("unsaved A"));
    b.setName(8, 8, QStringLiteral("unsaved B"));
    ASSERT_TRUE(a.writeRecovery(path) && b.writeRecovery(path));
    EXPECT_EQ(firstDifference(fileBytes(path), image(100, true)), -1) << "the store itself is not written";
    ASSERT_TRUE(next.LoadCmdConfig(path) && macros::MacroStore::hasRecovery(path) && next.takeRecovery(path));
    EXPECT_EQ(next.command(7, 7) + next.name(8, 8), "unsaved Aunsaved B");
    EXPECT_TRUE(next.differsFromFile() && macros::MacroStore::hasRecovery(path)) << "kept until saved";
    ASSERT_TRUE(next.save(path));
    EXPECT_FALSE(macros::MacroStore::hasRecovery(path));
    next.setName(9, 9, QStringLiteral("declined"));
    EXPECT_TRUE(next.writeRecovery(path) && next.discardRecovery(path) && !macros::MacroStore::hasRecovery(path));
}

// A session ends with name 1.1 unsaved; a later one saves name 1.2 (and in
// some cases name 1.1); then the edits kept are taken. A recovery file of an
// older version is the whole image alone.
TEST(MacroStore, TakingKeptEditsAppliesThemOntoWhatWasSavedSince) {
    const struct {
        const char *what;
        bool wholeImage;
        const char *laterName1; // nullptr: name 1.1 not saved again
        bool laterSave;
        QStringList taken; // names 1.1 and 1.2 after taking
        int conflicts;
        QStringList overridden; // once the kept texts replace the saved ones
    } cases[] = {
        {"another macro saved since", false, nullptr, true, {"kept", "later"}, 0, {"kept", "later"}},
        {"the same macro saved since", false, "mine later", true, {"mine later", "later"}, 1, {"kept", "later"}},
        {"the same text saved since", false, "kept", true, {"kept", "later"}, 0, {"kept", "later"}},
        {"whole image, nothing saved since", true, nullptr, false, {"x", "x"}, 1, {"kept", "x"}},
        {"whole image, saved since", true, nullptr, true, {"x", "later"}, 2, {"kept", "x"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig"), recovery = macros::MacroStore::recoveryPath(path);
        writeFile(path, image(100, true));
        setModified(path, 3600);
        macros::MacroStore ended, later, next;
        ASSERT_TRUE(ended.LoadCmdConfig(path));
        ended.setName(1, 1, u"kept");
        if (c.wholeImage)
            writeFile(recovery, ended.image());
        else
            ASSERT_TRUE(ended.writeRecovery(path));
        setModified(recovery, 1800);
        ASSERT_TRUE(later.LoadCmdConfig(path));
        later.setName(1, 2, u"later");
        if (c.laterName1)
            later.setName(1, 1, QString::fromUtf8(c.laterName1));
        if (c.laterSave) {
            ASSERT_TRUE(later.save(path));
        }
        ASSERT_TRUE(next.LoadCmdConfig(path) && next.takeRecovery(path));
        EXPECT_EQ(QStringList({next.name(1, 1), next.name(1, 2)}), c.taken);
        EXPECT_EQ(next.recoveryConflicts().size(), c.conflicts);
        if (c.conflicts) {
            EXPECT_TRUE(next.conflictQuestion().contains("список 1 «Name 1», макрос 1 «" + c.taken[0] + "»"))
                << next.conflictQuestion().toStdString();
        }
        ASSERT_TRUE(next.settleConflicts(true, path));
        EXPECT_EQ(QStringList({next.name(1, 1), next.name(1, 2)}), c.overridden);
        EXPECT_EQ(macros::MacroStore::hasRecovery(path), next.differsFromFile()) << "kept until saved, if not all in";
    }
}

TEST(MacroStore, ASaveMeetingAnotherProgramsLockEndsAtOnceAndKeepsTheEdits) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    macros::MacroStore store, disk;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setName(1, 1, u"edited");
    // flock(1) holds the folder until its input ends.
    QProcess holder;
    holder.start("flock", {"-o", "-x", dir.path(), "-c", "echo held; read line"});
    if (!holder.waitForStarted(10000))
        GTEST_SKIP() << "no flock(1)";
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(store.save(path));
    EXPECT_LT(clock.elapsed(), 2000) << "the window must not freeze";
    EXPECT_TRUE(store.errorString().startsWith(
        QStringLiteral("Файл заблокирован другой программой: flock (процесс %1)").arg(holder.processId())))
        << store.errorString().toStdString();
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(store.name(1, 1), "edited");
    ASSERT_TRUE(store.save(path) && disk.LoadCmdConfig(path));
    EXPECT_EQ(disk.name(1, 1), "edited");
}

// Window A takes the kept edits and has not saved yet; window C, ending,
// writes its own into the recovery file; A's save removes only what A took.
TEST(MacroStore, ASaveRemovesOnlyTheKeptEditsItTookNeverAnotherWindows) {
    const struct {
        const char *what;
        const char *laterName; // C's unsaved name 1.3 (or 1.1), nullptr: none
        bool sameSlot;
        bool postponed;      // A's conflict left for another start
        QStringList offered; // names 1.1, 1.3 the next start takes
    } cases[] = {
        {"nothing written since", nullptr, false, false, {}},
        {"another macro written since", "from C", false, false, {"saved", "from C"}},
        {"the same macro written since with another text", "from C", true, false, {"from C", "x"}},
        {"a conflict left for later", nullptr, false, true, {"saved", "x"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig");
        writeFile(path, image(100, true));
        macros::MacroStore ended, resaved, a, late, next;
        ASSERT_TRUE(ended.LoadCmdConfig(path) && late.LoadCmdConfig(path) && resaved.LoadCmdConfig(path));
        ended.setName(1, 1, u"kept");
        ended.setName(1, 2, c.postponed ? u"kept 2" : u"x");
        ASSERT_TRUE(ended.writeRecovery(path));
        resaved.setName(1, 2, u"saved 2");
        ASSERT_TRUE(!c.postponed || resaved.save(path));
        ASSERT_TRUE(a.LoadCmdConfig(path) && a.takeRecovery(path));
        if (c.postponed)
            a.postponeConflicts();
        if (c.laterName) {
            late.setName(1, c.sameSlot ? 1 : 3, QString::fromUtf8(c.laterName));
            ASSERT_TRUE(late.writeRecovery(path));
        }
        a.setName(1, 1, u"saved");
        ASSERT_TRUE(a.save(path));
        EXPECT_EQ(macros::MacroStore::hasRecovery(path), !c.offered.isEmpty());
        if (c.offered.isEmpty())
            continue;
        ASSERT_TRUE(next.LoadCmdConfig(path) && next.takeRecovery(path));
        ASSERT_TRUE(next.settleConflicts(true, path));
        EXPECT_EQ(QStringList({next.name(1, c.postponed ? 2 : 1), next.name(1, 3)}),
                  c.postponed ? QStringList({"kept 2", "x"}) : c.offered);
    }
}

// A recovery file without the image its changes were made on: an older
// version's single image, or a second half cut or damaged. A store saved
// before it was written holds newer texts than it in places: every
// difference is asked about, with both texts, and none is taken silently.
TEST(MacroStore, AKeptImageWithoutItsStartOffersEachDifferenceAsAConflict) {
    const struct {
        const char *what;
        qsizetype cutTo;   // the recovery file's length; -1: whole
        bool badSignature; // record 101 (list 1's start) unsigned
    } cases[] = {
        {"single image", kRecord * 100, false},
        {"second half cut", kRecord * 100 + kRecord / 2, false},
        {"second half unsigned", -1, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig"), recovery = macros::MacroStore::recoveryPath(path);
        writeFile(path, image(100, true));
        macros::MacroStore ended, later, next;
        ASSERT_TRUE(ended.LoadCmdConfig(path) && later.LoadCmdConfig(path));
        later.setName(1, 2, u"later");
        ASSERT_TRUE(later.save(path));
        ended.setName(1, 1, u"kept");
        ASSERT_TRUE(ended.writeRecovery(path)); // after the save: newer than the store
        QByteArray bytes = fileBytes(recovery);
        if (c.cutTo >= 0)
            bytes.truncate(c.cutTo);
        if (c.badSignature)
            bytes[kRecord * 100 + signatureAt(1)] = 0;
        writeFile(recovery, bytes);
        ASSERT_TRUE(next.LoadCmdConfig(path) && next.takeRecovery(path));
        EXPECT_EQ(QStringList({next.name(1, 1), next.name(1, 2)}), QStringList({"x", "later"})) << "nothing reverted";
        EXPECT_EQ(next.recoveryConflicts().size(), 2);
        const QString question = next.conflictQuestion();
        EXPECT_TRUE(question.contains("макрос 2 «later», имя:\n    сохранено «later», не сохранено «x»") &&
                    question.contains("сохранено «x», не сохранено «kept»"))
            << question.toStdString();
        ASSERT_TRUE(next.settleConflicts(false, path));
        EXPECT_FALSE(macros::MacroStore::hasRecovery(path)) << "each one answered";
    }
}

TEST(MacroStore, ADamagedRecoveryIsSetAsideOnceAndAGoneOneIsSaidPlainly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig"), recovery = macros::MacroStore::recoveryPath(path);
    writeFile(path, image(100, true));
    writeFile(recovery, image(100, true).left(kRecord * 50));
    macros::MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    EXPECT_EQ(store.checkRecovery(path), macros::MacroStore::RecoveryCheck::SetAside);
    EXPECT_TRUE(store.errorString().startsWith("Файл несохранённых правок макросов") &&
                store.errorString().endsWith(recovery + ".bad"))
        << store.errorString().toStdString();
    EXPECT_EQ(fileBytes(recovery + ".bad").size(), kRecord * 50);
    EXPECT_EQ(store.checkRecovery(path), macros::MacroStore::RecoveryCheck::None) << "asked about once";
    EXPECT_FALSE(store.takeRecovery(path)); // another window answered "Нет" first
    EXPECT_EQ(store.errorString(), macros::MacroStore::recoveryGoneText(path));
}

// The program ends while another holds the folder past the ending wait: the
// edits go to a file of their own, which the next start offers; the wait is
// one budget for every file of the ending program.
TEST(MacroStore, EditsOfAnEndingProgramOutliveALockHeldPastTheWait) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    writeFile(path, image(100, true));
    macros::MacroStore ending, next;
    ASSERT_TRUE(ending.LoadCmdConfig(path));
    ending.setName(1, 1, u"kept");
    {
        HeldLock held(path);
        ASSERT_TRUE(held.locked());
        core::FileLock::setProgramEnding(true);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(ending.writeRecovery(path));
        EXPECT_GE(clock.elapsed(), core::FileLock::kEndingWaitMs - 100);
        EXPECT_TRUE(ending.errorString().contains(core::SafeFile::asideName(macros::MacroStore::recoveryPath(path))))
            << ending.errorString().toStdString();
        clock.restart();
        core::FileLock history;
        EXPECT_FALSE(history.lock(path, core::FileLock::kClosingWaitMs));
        EXPECT_LT(clock.elapsed(), 1000) << "the budget is spent";
        core::FileLock::setProgramEnding(false);
    }
    EXPECT_FALSE(macros::MacroStore::hasRecovery(path));
    ASSERT_TRUE(next.LoadCmdConfig(path) && next.checkRecovery(path) == macros::MacroStore::RecoveryCheck::Usable);
    ASSERT_TRUE(next.takeRecovery(path));
    EXPECT_EQ(next.name(1, 1), "kept");
    EXPECT_TRUE(core::SafeFile::asideFiles(macros::MacroStore::recoveryPath(path)).isEmpty());
}
