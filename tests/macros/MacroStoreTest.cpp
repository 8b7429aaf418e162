#include "macros/MacroStore.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Field = MacroStore::Field;

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

// 100 records named "List N", every macro empty, with signatures.
QByteArray defaultImage() {
    QByteArray image(kRecord * 100, '\0');
    for (int n = 1; n <= 100; ++n) {
        putText(image, nameAt(n), "List " + QByteArray::number(n));
        image.replace(signatureAt(n), 4, QByteArray::fromHex("39300000"));
    }
    return image;
}

// A valid image whose lists carry names, commands and bytes in every
// reserved and unused place.
QByteArray filledImage() {
    QByteArray image(kRecord * 100, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(0x20 + i % 90);
    for (int n = 1; n <= 100; ++n) {
        putText(image, nameAt(n), "Name " + QByteArray::number(n));
        for (int k = 1; k <= 48; ++k) {
            putText(image, commandAt(n, k), "CMD" + QByteArray::number(k));
            putText(image, macroNameAt(n, k), "N" + QByteArray::number(k));
            for (int j = 1; j <= 12; ++j)
                putText(image, lineAt(n, k, j), "line");
        }
        image.replace(signatureAt(n), 4, QByteArray::fromHex("39300000"));
    }
    return image;
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

struct LoadCase {
    const char *what;
    bool present;
    QByteArray content;
    bool rebuilt;
    // The file after loading; empty: unchanged.
    QByteArray written;
};

} // namespace

TEST(MacroStore, LoadChecksRebuildsAndKeepsTheBadFile) {
    const QByteArray good = filledImage();
    QByteArray badAt57 = good;
    badAt57[signatureAt(57)] = 0x3a;
    // What a rebuild after record 57 leaves: records 1..57 as read with every
    // length 0 and the default names over them, the rest as defaults.
    QByteArray rebuiltAt57 = defaultImage();
    rebuiltAt57.replace(0, kRecord * 57, good.first(kRecord * 57));
    for (int n = 1; n <= 57; ++n) {
        for (int k = 1; k <= 48; ++k) {
            rebuiltAt57[commandAt(n, k)] = 0;
            rebuiltAt57[macroNameAt(n, k)] = 0;
            for (int j = 1; j <= 12; ++j)
                rebuiltAt57[lineAt(n, k, j)] = 0;
        }
        putText(rebuiltAt57, nameAt(n), "List " + QByteArray::number(n));
        rebuiltAt57.replace(signatureAt(n), 4, QByteArray::fromHex("39300000"));
    }
    QByteArray partial = defaultImage().first(kRecord * 99 + 500);
    QByteArray rebuiltPartial = defaultImage();
    const LoadCase cases[] = {
        {"missing", false, {}, true, defaultImage()},
        {"empty", true, QByteArray(), true, defaultImage()},
        {"99 records and a part", true, partial, true, rebuiltPartial},
        {"bad signature at 57", true, badAt57, true, rebuiltAt57},
        {"100 good records", true, good, false, {}},
        {"101 good records", true, good + good.first(kRecord), false, {}},
    };
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig");
        if (c.present)
            writeFile(path, c.content);
        MacroStore store;
        EXPECT_TRUE(store.LoadCmdConfig(path)) << store.errorString().toStdString();
        EXPECT_EQ(store.rebuilt(), c.rebuilt);
        EXPECT_FALSE(store.differsFromFile());
        const QByteArray expected = c.written.isEmpty() ? c.content : c.written;
        EXPECT_TRUE(fileBytes(path) == expected);
        EXPECT_EQ(QFile::exists(path + ".bad"), c.present && c.rebuilt);
        if (c.present && c.rebuilt)
            EXPECT_TRUE(fileBytes(path + ".bad") == c.content);
        EXPECT_TRUE(store.image() == expected.first(kRecord * 100));
    }
}

TEST(MacroStore, NextSaveTruncatesExtraRecordsAndCarriesReservedBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    const QByteArray good = filledImage();
    writeFile(path, good + good.first(kRecord));
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    ASSERT_TRUE(store.save(path)) << store.errorString().toStdString();
    EXPECT_TRUE(fileBytes(path) == good);
}

struct SlotCase {
    Field field;
    int list, macro, line;
    QString stored;
    QString readBack;
    QByteArray slotBytes; // length byte and characters, hexadecimal
};

TEST(MacroStore, SlotsCutToTheirCapacityAndHoldWindows1251) {
    const QString c251(251, 'c'), c300(300, 'c'), n60(60, 'n'), l200(200, 'l');
    const SlotCase cases[] = {
        {Field::Command, 3, 48, 1, c251, c251, {}},
        {Field::Command, 3, 48, 1, c300, c251, {}},
        {Field::Name, 100, 1, 1, n60, QString(51, 'n'), {}},
        {Field::ListName, 1, 1, 1, l200, QString(151, 'l'), {}},
        {Field::Description, 7, 9, 12, l200, QString(151, 'l'), {}},
        {Field::Name, 2, 5, 1, "Привет", "Привет", "06cff0e8e2e5f2"},
        {Field::Command, 2, 5, 1, "aαb", "a?b", "03613f62"},
        {Field::ListName, 2, 1, 1, "Ёё№", "Ёё№", "03a8b8b9"},
    };
    for (const SlotCase &c : cases) {
        SCOPED_TRACE(c.stored.left(20).toStdString());
        MacroStore store;
        store.store(c.field, c.stored, c.list, c.macro, c.line);
        EXPECT_EQ(store.text(c.field, c.list, c.macro, c.line), c.readBack);
        if (!c.slotBytes.isEmpty()) {
            int at = c.field == Field::Name      ? macroNameAt(c.list, c.macro)
                     : c.field == Field::Command ? commandAt(c.list, c.macro)
                                                 : nameAt(c.list);
            const QByteArray expected = QByteArray::fromHex(c.slotBytes);
            EXPECT_EQ(store.image().mid(at, expected.size()).toHex(), expected.toHex());
        }
    }
}

TEST(MacroStore, WrittenFileHasTheRecordLayoutByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setListName(12, QStringLiteral("Насос"));
    store.setCommand(12, 1, QStringLiteral("AT$0D"));
    store.setCommand(12, 48, QStringLiteral("LONGER TEXT"));
    store.setCommand(12, 48, QStringLiteral("SHORT"));
    store.setName(100, 48, QStringLiteral("Z"));
    store.setDescription(1, 48, 12, QStringLiteral("last line"));
    store.setDescription(1, 1, 1, QStringLiteral("first"));
    ASSERT_TRUE(store.save(path));

    QByteArray expected = defaultImage();
    putText(expected, nameAt(12), "\xcd\xe0\xf1\xee\xf1");
    putText(expected, commandAt(12, 1), "AT$0D");
    // A shorter text leaves the bytes past its length as they were.
    putText(expected, commandAt(12, 48), "LONGER TEXT");
    putText(expected, commandAt(12, 48), "SHORT");
    putText(expected, macroNameAt(100, 48), "Z");
    putText(expected, lineAt(1, 48, 12), "last line");
    putText(expected, lineAt(1, 1, 1), "first");
    const QByteArray written = fileBytes(path);
    ASSERT_EQ(written.size(), 10258000);
    for (qsizetype i = 0; i < written.size(); ++i)
        ASSERT_EQ(written[i], expected[i]) << "first difference at byte " << i;
}

TEST(MacroStore, LengthByteBeyondTheCapacityReadsAsTheCapacity) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    QByteArray image = filledImage();
    image[macroNameAt(4, 48)] = char(0xff);
    image[lineAt(100, 48, 12)] = char(0xff);
    writeFile(path, image);
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    EXPECT_EQ(store.bytes(Field::Name, 4, 48), image.mid(macroNameAt(4, 48) + 1, 51));
    EXPECT_EQ(store.bytes(Field::Description, 100, 48, 12), image.mid(lineAt(100, 48, 12) + 1, 151));
}

TEST(MacroStore, ClearingAListEmptiesItInMemoryOnly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    writeFile(path, filledImage());
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.ClrListCmd(12);
    EXPECT_TRUE(store.differsFromFile());
    EXPECT_EQ(store.listName(12), "");
    EXPECT_EQ(store.command(12, 48), "");
    EXPECT_EQ(store.description(12, 48, 12), "");
    EXPECT_EQ(store.command(13, 1), "CMD1");
    EXPECT_TRUE(fileBytes(path) == filledImage());
}

TEST(MacroStore, DiffersOnlyWhenTheBytesDo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setListName(5, QStringLiteral("List 5"));
    EXPECT_FALSE(store.differsFromFile());
    store.setName(5, 1, QStringLiteral("x"));
    EXPECT_TRUE(store.differsFromFile());
    store.setName(5, 1, QString());
    EXPECT_TRUE(store.differsFromFile()) << "the character past the length stays";
    ASSERT_TRUE(store.save(path));
    EXPECT_FALSE(store.differsFromFile());
}

TEST(MacroStore, FailedSaveLeavesTheOldFileWholeAndKeepsTheChanges) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setName(1, 1, QStringLiteral("changed"));

    // The system refuses to let any file grow past 1 MB: the write fails
    // a tenth of the way through.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = store.save(path);
    const QString error = store.errorString();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(fileBytes(path) == defaultImage());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"CmdConfig"});
    EXPECT_EQ(store.name(1, 1), "changed");
    EXPECT_TRUE(store.differsFromFile());
    ASSERT_TRUE(store.save(path));
    EXPECT_EQ(fileBytes(path).mid(macroNameAt(1, 1), 8), QByteArray("\x07" "changed"));
}

TEST(MacroStore, SaveKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    MacroStore older;
    ASSERT_TRUE(older.LoadCmdConfig(path));
    MacroStore newer;
    ASSERT_TRUE(newer.LoadCmdConfig(path));
    newer.setCommand(50, 1, QStringLiteral("new"));
    for (int delayUs : {300, 2000, 7000, 15000}) {
        SCOPED_TRACE(delayUs);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                newer.save(path);
                older.save(path);
            }
        }
        usleep(delayUs);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const QByteArray left = fileBytes(path);
        EXPECT_TRUE(left == older.image() || left == newer.image()) << "size " << left.size();
    }
}

TEST(MacroStore, LoaderSurvivesRandomAndMutatedFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    QRandomGenerator random(20261207);
    const QByteArray good = filledImage();
    for (int round = 0; round < 16; ++round) {
        QByteArray content;
        if (round % 2 == 0) {
            content = good;
            for (int flips = 0; flips < 2000; ++flips)
                content[random.bounded(int(content.size()))] = char(random.bounded(256));
        } else {
            content.resize(random.bounded(kRecord * 3));
            random.fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
        }
        writeFile(path, content);
        MacroStore store;
        EXPECT_TRUE(store.LoadCmdConfig(path));
        EXPECT_TRUE(fileBytes(path) == store.image());
        for (int n = 1; n <= 100; ++n) {
            ASSERT_EQ(store.image().mid(signatureAt(n), 4).toHex(), "39300000");
            EXPECT_LE(store.bytes(Field::ListName, n).size(), 151);
            for (int k = 1; k <= 48; ++k) {
                EXPECT_LE(store.bytes(Field::Command, n, k).size(), 251);
                EXPECT_LE(store.bytes(Field::Name, n, k).size(), 51);
                EXPECT_LE(store.bytes(Field::Description, n, k, 1 + k % 12).size(), 151);
            }
        }
    }
}
