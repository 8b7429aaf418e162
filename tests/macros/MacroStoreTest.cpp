#include "macros/MacroStore.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

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

// With noise: every byte set, every slot filled with "x", lengths too.
// Without: 100 lists named "List N", every macro empty.
QByteArray image(bool noise) {
    const int lists = 100;
    QByteArray bytes(kRecord * lists, '\0');
    for (int i = 0; noise && i < bytes.size(); ++i)
        bytes[i] = char(0x20 + i % 90);
    for (int n = 1; n <= lists; ++n) {
        for (int k = 1; noise && k <= 48; ++k) {
            putText(bytes, commandAt(n, k), "x");
            putText(bytes, macroNameAt(n, k), "x");
            for (int j = 1; j <= 12; ++j)
                putText(bytes, lineAt(n, k, j), "x");
        }
        putText(bytes, nameAt(n), (noise ? "Name " : "List ") + QByteArray::number(n));
        bytes.replace(signatureAt(n), 4, QByteArray::fromHex("39300000"));
    }
    return bytes;
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

} // namespace

TEST(MacroStore, LoadChecksRebuildsKeepsTheBadFileAndSavesOneHundredRecords) {
    const QByteArray good = image(true);
    QByteArray badAt57 = good;
    badAt57[signatureAt(57)] = 0x3a;
    // A rebuild leaves the records read up to the bad one as they were, with
    // every length 0 and the default names; records after it are defaults.
    QByteArray rebuiltAt57 = image(false);
    rebuiltAt57.replace(0, kRecord * 57, good.first(kRecord * 57));
    for (int n = 1; n <= 57; ++n) {
        for (int k = 1; k <= 48; ++k) {
            rebuiltAt57[commandAt(n, k)] = rebuiltAt57[macroNameAt(n, k)] = 0;
            for (int j = 1; j <= 12; ++j)
                rebuiltAt57[lineAt(n, k, j)] = 0;
        }
        putText(rebuiltAt57, nameAt(n), "List " + QByteArray::number(n));
        rebuiltAt57.replace(signatureAt(n), 4, QByteArray::fromHex("39300000"));
    }
    const struct {
        const char *what;
        bool present, rebuilt;
        QByteArray content, loaded; // loaded: the image after loading
    } cases[] = {
        {"missing", false, true, {}, image(false)},
        {"empty", true, true, "", image(false)},
        {"99 records and a part", true, true, image(false).first(kRecord * 99 + 500), image(false)},
        {"bad signature at 57", true, true, badAt57, rebuiltAt57},
        {"100 records, reserved bytes set", true, false, good, good},
        {"101 records", true, false, good + good.first(kRecord), good},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("CmdConfig");
        if (c.present)
            writeFile(path, c.content);
        MacroStore store;
        EXPECT_TRUE(store.LoadCmdConfig(path));
        const bool rebuilt = c.rebuilt;
        EXPECT_EQ(store.rebuilt(), rebuilt);
        EXPECT_TRUE(store.image() == c.loaded);
        EXPECT_TRUE(fileBytes(path) == (rebuilt ? c.loaded : c.content));
        EXPECT_EQ(QFile::exists(path + ".bad"), c.present && rebuilt);
        EXPECT_TRUE(fileBytes(path + ".bad") == (c.present && rebuilt ? c.content : QByteArray()));
        ASSERT_TRUE(store.save(path));
        EXPECT_TRUE(fileBytes(path) == c.loaded);
    }
}

TEST(MacroStore, SlotsCutToTheirCapacityAndHoldWindows1251) {
    const QString c300(300, 'c');
    const struct {
        Field field;
        int list, macro, line;
        QString stored, readBack;
    } cases[] = {
        {Field::Command, 3, 48, 1, c300.left(251), c300.left(251)}, {Field::Command, 3, 48, 1, c300, c300.left(251)},
        {Field::Name, 100, 1, 1, c300, c300.left(51)},              {Field::ListName, 1, 1, 1, c300, c300.left(151)},
        {Field::Description, 7, 9, 12, c300, c300.left(151)},      {Field::Name, 2, 5, 1, "Привет", "Привет"},
        {Field::Command, 2, 5, 1, "aαb", "a?b"},                    {Field::ListName, 2, 1, 1, "Ёё№", "Ёё№"},
    };
    for (const auto &c : cases) {
        MacroStore store;
        store.store(c.field, c.stored, c.list, c.macro, c.line);
        EXPECT_EQ(store.text(c.field, c.list, c.macro, c.line), c.readBack);
    }
}

TEST(MacroStore, LengthByteBeyondTheCapacityReadsAsTheCapacity) {
    QTemporaryDir dir;
    QByteArray bytes = image(true);
    bytes[macroNameAt(4, 48)] = char(0xff);
    writeFile(dir.filePath("CmdConfig"), bytes);
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(dir.filePath("CmdConfig")));
    EXPECT_EQ(store.bytes(Field::Name, 4, 48), bytes.mid(macroNameAt(4, 48) + 1, 51));
}

TEST(MacroStore, WrittenFileHasTheRecordLayoutByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setListName(12, QStringLiteral("Насос"));
    store.setCommand(12, 48, QStringLiteral("LONGER TEXT"));
    store.setCommand(12, 48, QStringLiteral("SHORT"));
    store.setName(100, 48, QStringLiteral("Z"));
    store.setDescription(1, 48, 12, QStringLiteral("last line"));
    ASSERT_TRUE(store.save(path));

    QByteArray expected = image(false);
    putText(expected, nameAt(12), QByteArray::fromHex("cde0f1eef1"));
    // A shorter text leaves the bytes past its length as they were.
    putText(expected, commandAt(12, 48), "LONGER TEXT");
    putText(expected, commandAt(12, 48), "SHORT");
    putText(expected, macroNameAt(100, 48), "Z");
    putText(expected, lineAt(1, 48, 12), "last line");
    const QByteArray written = fileBytes(path);
    ASSERT_EQ(written.size(), 10258000);
    for (qsizetype i = 0; i < written.size(); ++i)
        ASSERT_EQ(written[i], expected[i]) << "first difference at byte " << i;
}

TEST(MacroStore, FailedSaveLeavesTheOldFileWholeAndKeepsTheChanges) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    MacroStore store;
    ASSERT_TRUE(store.LoadCmdConfig(path));
    store.setName(1, 1, QStringLiteral("changed"));
    EXPECT_TRUE(store.differsFromFile());

    // No file may grow past 1 MB: the write fails a tenth of the way in.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = store.save(path);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(store.errorString().isEmpty());
    EXPECT_TRUE(fileBytes(path) == image(false));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"CmdConfig"});
    EXPECT_TRUE(store.differsFromFile());
    ASSERT_TRUE(store.save(path));
    EXPECT_FALSE(store.differsFromFile());
    EXPECT_EQ(fileBytes(path).mid(macroNameAt(1, 1), 8), QByteArray("\x07" "changed"));
}

TEST(MacroStore, LoaderSurvivesRandomAndMutatedFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("CmdConfig");
    QRandomGenerator random(20261207);
    const QByteArray good = image(true);
    for (int round = 0; round < 16; ++round) {
        QByteArray content = good;
        if (round % 2)
            content.resize(random.bounded(kRecord * 3));
        for (int flips = 0; flips < 2000; ++flips)
            content[random.bounded(int(content.size()))] = char(random.bounded(256));
        writeFile(path, content);
        MacroStore store;
        EXPECT_TRUE(store.LoadCmdConfig(path));
        EXPECT_TRUE(fileBytes(path) == store.image());
        for (int n = 1; n <= 100; ++n) {
            ASSERT_EQ(store.image().mid(signatureAt(n), 4).toHex(), "39300000");
            for (int k = 1; k <= 48; ++k) {
                ASSERT_LE(store.bytes(Field::Command, n, k).size(), 251);
                ASSERT_LE(store.bytes(Field::Name, n, k).size(), 51);
                ASSERT_LE(store.bytes(Field::Description, n, k, 1 + k % 12).size(), 151);
            }
        }
    }
}
