// Recording the log to a file through the real window: the StartLog button,
// the status line, the file's name and contents, and its failures.
#include "window/TerminalFixture.h"

#include "support/FileSizeLimit.h"
#include "ui/window/TForm1.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>

namespace {

const QString kNotRecording = QStringLiteral("Запись в файл не ведётся");
const QString kRecording = QStringLiteral("Лог записывается в файл ");
const QString kPaused = QStringLiteral("Запись в файл лога приостановлена (");

// The log file's name for recording started at the given local time.
QString logNameAt(const QDateTime &t) {
    return QStringLiteral("LOG_%1 %2 %3 %4 %5 %6.txt")
        .arg(t.date().year())
        .arg(t.date().month())
        .arg(t.date().day())
        .arg(t.time().hour())
        .arg(t.time().minute())
        .arg(t.time().second());
}

// The names recording can get when it starts within the next `seconds`.
QStringList likelyLogNames(int seconds = 10) {
    const QDateTime now = QDateTime::currentDateTime();
    QStringList names;
    for (int s = 0; s <= seconds; ++s)
        names << logNameAt(now.addSecs(s));
    return names;
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

class LogFileRecording : public TerminalFixture {
protected:
    void startConnected() {
        start();
        connectPort();
    }

    core::TerminalState state() { return form().terminalState(); }

    QStringList logEntries() {
        return QDir(workDir()).entryList({QStringLiteral("LOG_*")}, QDir::AllEntries | QDir::System);
    }

    QByteArray logFileBytes() { return fileBytes(QDir(workDir()).filePath(state().LogFileName)); }

    // The device sends `packet`; returns once the log window shows `shown`.
    void receive(const QByteArray &packet, const QString &shown) {
        device().send(packet);
        ASSERT_TRUE(waitUntil([&] { return logText() == shown; })) << logText().toStdString();
    }

    // The device sends a packet that the filter keeps out of the window.
    void receiveHidden(const QByteArray &packet) {
        const QString before = logText();
        const quint32 total = state().RxTotal + packet.size();
        device().send(packet);
        ASSERT_TRUE(waitUntil([&] { return state().RxTotal == total && state().RxLen == 0; }));
        ASSERT_EQ(logText(), before);
    }

    void sendCommand(const QString &command) {
        typeInto("MainStrCmd", command);
        pressKey("MainStrCmd", Qt::Key_Return);
        ASSERT_EQ(device().receive(command.size() + 1), command.toLatin1() + '\r');
    }
};

// The suite's name; inside this namespace it hides the log file class.
using LogFile = LogFileRecording;

// ---------------------------------------------------------------- states and name

TEST_F(LogFile, StartPauseAndResumeShowTheirStatesAndKeepOneFile) {
    // A file left by another window in the same second is kept; this run's
    // name takes a suffix.
    const QStringList likely = likelyLogNames();
    for (const QString &name : likely) {
        QFile old(name);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an earlier run\r\n");
    }
    start();
    EXPECT_EQ(text("StartLog"), "Start Log");
    EXPECT_EQ(text("STLog"), kNotRecording);
    EXPECT_FALSE(state().LogRecording);
    EXPECT_FALSE(state().LogFileOpen);

    const QDateTime before = QDateTime::currentDateTime();
    click("StartLog");
    const QDateTime after = QDateTime::currentDateTime();
    QStringList possible;
    for (QDateTime t = before; t <= after.addMSecs(999); t = t.addSecs(1))
        possible << logNameAt(t).replace(".txt", " (2).txt");
    const QString name = state().LogFileName;
    EXPECT_TRUE(possible.contains(name)) << name.toStdString() << " not in " << possible.join('|').toStdString();
    EXPECT_EQ(text("StartLog"), "Pause Log");
    EXPECT_EQ(find("StartLog")->property("tag").toInt(), 1);
    EXPECT_EQ(text("STLog"), kRecording + name);
    EXPECT_TRUE(state().LogRecording);
    EXPECT_TRUE(state().LogFileOpen);
    EXPECT_EQ(QFileInfo(name).absolutePath(), QFileInfo(workDir()).absoluteFilePath());
    EXPECT_EQ(fileBytes(name), "");
    for (const QString &earlier : likely)
        EXPECT_EQ(fileBytes(earlier), "an earlier run\r\n") << earlier.toStdString();

    click("StartLog");
    EXPECT_EQ(text("StartLog"), "Go Log");
    EXPECT_EQ(find("StartLog")->property("tag").toInt(), 0);
    EXPECT_EQ(text("STLog"), kPaused + name + ")");
    EXPECT_FALSE(state().LogRecording);
    EXPECT_TRUE(state().LogFileOpen);

    processEventsFor(1100); // a later second would give a different name
    click("StartLog");
    EXPECT_EQ(text("StartLog"), "Pause Log");
    EXPECT_EQ(text("STLog"), kRecording + name);
    EXPECT_EQ(state().LogFileName, name);
    EXPECT_EQ(logEntries().size(), likely.size() + 1) << "no second file of this run";
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
}

// ---------------------------------------------------------------- contents

TEST_F(LogFile, FileHoldsExactlyTheLinesShownInWindows1251WithCrLf) {
    startConnected();
    click("StartLog");

    sendCommand("AT");
    receive("OK\r\n", "AT\nOK");
    receive("\xCF\xF0\xE8\xE2\xE5\xF2\r\n", "AT\nOK\nПривет");
    receive(QByteArray("A\0B", 3), "AT\nOK\nПривет\nA<NULL>B");
    // Clearing the window leaves the file alone.
    click("BTLog");
    click("RBHEX");
    receive("OK\r\n", "4F 4B 0D 0A");
    // Lines the filter keeps out of the window stay out of the file.
    typeInto("FiltrLog", "4F");
    receiveHidden("\x01\x02");
    receive("O", "4F 4B 0D 0A\n4F");
    typeInto("FiltrLog", "");
    // A stamped line goes to the file with the stamp it shows.
    click("VisTime");
    click("RBASCII");
    device().send("X\r\n");
    ASSERT_TRUE(waitUntil([&] { return logText().split('\n').size() == 3; })) << logText().toStdString();
    const QString stamped = logText().split('\n').last();
    ASSERT_TRUE(stamped.startsWith(" [ ") && stamped.endsWith(" < ] X")) << stamped.toStdString();

    click("StartLog"); // pausing puts everything on the disk
    EXPECT_EQ(logFileBytes(), QByteArray("AT\r\r\n"
                                         "OK\r\r\n"
                                         "\xCF\xF0\xE8\xE2\xE5\xF2\r\r\n"
                                         "A<NULL>B\r\n"
                                         "4F 4B 0D 0A\r\n"
                                         "4F\r\n") +
                                  stamped.toLatin1() + "\r\r\n");
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
}

TEST_F(LogFile, PausedPeriodIsLeftOutOfTheOneFile) {
    startConnected();
    click("StartLog");
    receive("ONE\r\n", "ONE");
    click("StartLog");
    receive("TWO\r\n", "ONE\nTWO");
    sendCommand("AT");
    ASSERT_TRUE(waitUntil([&] { return logText() == "ONE\nTWO\nAT"; }));
    click("StartLog");
    receive("THREE\r\n", "ONE\nTWO\nAT\nTHREE");
    form().close();
    EXPECT_EQ(logFileBytes(), "ONE\r\r\nTHREE\r\r\n");
    EXPECT_EQ(logEntries(), QStringList{state().LogFileName});
}

// Closing the window puts the whole file on the disk, whether recording or
// paused at that moment.
class LogFileClose : public LogFileRecording, public ::testing::WithParamInterface<bool> {};

TEST_P(LogFileClose, FileIsCompleteOnDiskAfterTheWindowCloses) {
    const bool pausedAtClose = GetParam();
    startConnected();
    click("StartLog");
    receive("ONE\r\n", "ONE");
    receive("TWO\r\n", "ONE\nTWO");
    if (pausedAtClose) {
        click("StartLog");
        receive("LATE\r\n", "ONE\nTWO\nLATE");
    }
    form().close();
    EXPECT_FALSE(state().LogFileOpen);
    EXPECT_EQ(logFileBytes(), "ONE\r\r\nTWO\r\r\n");
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(LogFile, LogFileClose, ::testing::Bool(),
                         [](const auto &testInfo) { return testInfo.param ? "WhilePaused" : "WhileRecording"; });

TEST_F(LogFile, LinesReachTheDiskWithinASecondAndAHalfWithoutClosing) {
    startConnected();
    click("StartLog");
    receive("ONE\r\n", "ONE");
    // Buffered: not written line by line.
    EXPECT_EQ(logFileBytes(), "");
    EXPECT_TRUE(waitUntil([&] { return logFileBytes() == "ONE\r\r\n"; }, 1500));

    receive("TWO\r\n", "ONE\nTWO");
    EXPECT_TRUE(waitUntil([&] { return logFileBytes() == "ONE\r\r\nTWO\r\r\n"; }, 1500));
}

// ---------------------------------------------------------------- failures

TEST_F(LogFile, FileThatCannotBeCreatedIsReportedAndNothingIsRecorded) {
    const QStringList likely = likelyLogNames();
    for (const QString &name : likely)
        ASSERT_TRUE(QDir().mkdir(name));
    startConnected();

    click("StartLog");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("LOG_")) << notices[0].toStdString();
    EXPECT_EQ(text("StartLog"), "Start Log");
    EXPECT_EQ(find("StartLog")->property("tag").toInt(), 0);
    EXPECT_EQ(text("STLog"), kNotRecording);
    EXPECT_FALSE(state().LogFileOpen);
    EXPECT_FALSE(state().LogRecording);

    receive("ONE\r\n", "ONE");
    sendCommand("AT");
    for (const QString &name : likely)
        EXPECT_TRUE(QFileInfo(name).isDir()) << name.toStdString();
    EXPECT_EQ(logEntries().size(), likely.size());

    // Once the obstacle is gone, the next click records.
    for (const QString &name : likely)
        ASSERT_TRUE(QDir().rmdir(name));
    click("StartLog");
    EXPECT_EQ(text("StartLog"), "Pause Log");
    EXPECT_TRUE(state().LogFileOpen);
    receive("TWO\r\n", "ONE\nAT\nTWO");
    form().close();
    EXPECT_EQ(logFileBytes(), "TWO\r\r\n");
    EXPECT_EQ(notices.size(), 1);
}

TEST_F(LogFile, WriteFailureIsReportedOnceAndReceivingAndSendingGoOn) {
    startConnected();
    FileSizeLimit fullDisk(0);
    bool busyDuringNotice = false;
    onModal = [&](QDialog &, const QString &) {
        busyDuringNotice = busyDuringNotice || state().RxBusy || state().SendBusy;
    };
    click("StartLog");
    ASSERT_TRUE(state().LogFileOpen) << notices.join('|').toStdString();

    // More than the output buffer at once: the first write fails inside the
    // receive poll.
    click("RBHEX");
    device().send(QByteArray(40 * 1024, 'U'));
    ASSERT_TRUE(waitUntil([&] { return notices.size() == 1; }, 5000));
    ASSERT_TRUE(waitUntil([&] { return state().RxTotal == 40 * 1024 && state().RxLen == 0; }));
    EXPECT_TRUE(notices[0].contains(state().LogFileName)) << notices[0].toStdString();
    EXPECT_FALSE(busyDuringNotice) << "reported from inside the poll or the send routine";

    // The same failure goes on: no further reports, and the log goes on.
    click("RBASCII");
    click("BTLog");
    receive("ONE\r\n", "ONE");
    sendCommand("AT");
    ASSERT_TRUE(waitUntil([&] { return logText() == "ONE\nAT"; }));
    processEventsFor(1500); // the periodic write fails again
    click("StartLog");      // and so does the write on pausing
    click("StartLog");
    receive("TWO\r\n", "ONE\nAT\nTWO");
    EXPECT_EQ(notices.size(), 1) << notices.join('|').toStdString();
    EXPECT_FALSE(state().RxBusy);
    EXPECT_FALSE(state().SendBusy);
    EXPECT_EQ(state().RxTotal, 40u * 1024 + 10);
}

TEST_F(LogFile, OneNoticeAtATimeAlsoForAFileDeletedWhileRecording) {
    startConnected();
    click("StartLog");
    FileSizeLimit fullDisk(0);
    onModal = [&](QDialog &, const QString &) {
        if (notices.size() > 1)
            return;
        // While the notice is open the episode ends, and a second begins:
        // the file is deleted under the recording.
        fullDisk.lift();
        device().send("ok\r\n");
        processEventsFor(1500);
        QFile::remove(state().LogFileName);
        device().send("lost\r\n");
        processEventsFor(1500);
    };
    device().send("first\r\n");
    ASSERT_TRUE(waitUntil([&] { return notices.size() == 1 && logText() == "first\nok\nlost"; }, 8000));
    processEventsFor(200);
    EXPECT_EQ(notices.size(), 1) << notices.join('|').toStdString();
}

TEST_F(LogFile, AFileDeletedWhileTheDiskIsFullIsToldOnceAndTheNextClickStartsANewOne) {
    startConnected();
    click("StartLog");
    const QString name = state().LogFileName;
    FileSizeLimit fullDisk(0);
    receive("ONE\r\n", "ONE");
    ASSERT_TRUE(waitUntil([&] { return notices.size() == 1; }, 5000)) << "the disk is full";
    QFile::remove(name);
    for (const char *line : {"TWO", "THREE"})
        receive(line + QByteArray("\r\n"), logText() + '\n' + line);
    processEventsFor(1500);
    EXPECT_EQ(notices.size(), 2) << notices.join('|').toStdString();
    EXPECT_EQ(text("STLog"), "Файл лога удалён, запись не ведётся (" + name + ")");
    fullDisk.lift();
    click("StartLog");
    EXPECT_EQ(text("STLog"), kRecording + state().LogFileName);
}

} // namespace
