#include "rx/LogRecorder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace rx;

namespace {

const QDateTime kStart(QDate(2021, 3, 3), QTime(8, 4, 9));
const QString kName = QStringLiteral("LOG_2021 3 3 8 4 9.txt");

struct Expected {
    LogRecorder::State state;
    const char *caption;
    QString status;
};

TEST(LogRecorder, ClicksWalkTheThreeStatesInOneFile) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    using S = LogRecorder::State;
    const Expected walk[] = {
        {S::Recording, "Pause Log", QStringLiteral("Лог записывается в файл ") + kName},
        {S::Paused, "Go Log", QStringLiteral("Запись в файл лога приостановлена (") + kName + ")"},
        {S::Recording, "Pause Log", QStringLiteral("Лог записывается в файл ") + kName},
    };
    LogRecorder recorder;
    EXPECT_EQ(recorder.buttonCaption(), "Start Log");
    EXPECT_EQ(recorder.statusText(), QStringLiteral("Запись в файл не ведётся"));
    recorder.writeLine("before");
    const char *lines[] = {"first", "paused", "second"};
    for (int i = 0; i < 3; ++i) {
        // The clock moves on: a resumed recording keeps the first name.
        ASSERT_TRUE(recorder.toggle(kStart.addSecs(i)));
        EXPECT_EQ(recorder.state(), walk[i].state);
        EXPECT_EQ(recorder.buttonCaption(), walk[i].caption);
        EXPECT_EQ(recorder.statusText(), walk[i].status);
        EXPECT_TRUE(recorder.writeLine(lines[i]));
    }
    EXPECT_TRUE(recorder.close());
    EXPECT_FALSE(recorder.fileOpen());
    QFile file(kName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "first\r\nsecond\r\n");
    EXPECT_EQ(QDir().entryList(QDir::Files).size(), 1);
    QDir::setCurrent(previous);
}

TEST(LogRecorder, AFileThatCannotBeCreatedLeavesTheRecorderOff) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ASSERT_TRUE(QDir().mkdir(kName));
    LogRecorder recorder;
    EXPECT_FALSE(recorder.toggle(kStart));
    EXPECT_EQ(recorder.state(), LogRecorder::State::Off);
    EXPECT_EQ(recorder.fileName(), kName);
    EXPECT_FALSE(recorder.errorString().isEmpty());
    EXPECT_FALSE(recorder.fileOpen());
    QDir::setCurrent(previous);
}

TEST(LogRecorder, AFileFoundDeletedEndsTheRecordingAndAClickStartsANewOne) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    LogRecorder recorder;
    ASSERT_TRUE(recorder.toggle(kStart) && QFile::remove(kName));
    recorder.writeLine("lost");
    EXPECT_FALSE(recorder.flush());
    EXPECT_EQ(recorder.state(), LogRecorder::State::Off);
    EXPECT_EQ(recorder.buttonCaption(), "Start Log");
    EXPECT_EQ(recorder.statusText(), QStringLiteral("Файл лога удалён, запись не ведётся (") + kName + ")");
    ASSERT_TRUE(recorder.toggle(kStart));
    EXPECT_EQ(recorder.statusText(), QStringLiteral("Лог записывается в файл ") + kName);
    EXPECT_TRUE(recorder.writeLine("kept") && recorder.close());
    QFile file(kName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == "kept\r\n");
    QDir::setCurrent(previous);
}

} // namespace
