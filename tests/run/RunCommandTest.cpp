// The built terminalkvr-run against a pseudo-terminal device that answers
// (and once against ser2net): bytes on the wire, exit statuses, messages,
// the --log file beside the window's own log of the same exchange.
#include "window/TerminalFixture.h"

#include "core/Cp1251.h"
#include "kit/PtyDevice.h"
#include "kit/PtyLine.h"
#include "macros/MacroStore.h"
#include "support/AnsweringDevice.h"
#include "support/FileSizeLimit.h"
#include "support/LrzszReceiver.h"
#include "support/Ser2netPeer.h"
#include "ui/window/TForm1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// Designated initializers leave the other manners at their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

class RunCommand : public TerminalFixture {
protected:
    void launch(const QStringList &arguments, const QByteArray &input = {}) {
        launchReading(arguments);
        m_process.write(input);
        m_process.closeWriteChannel();
    }
    // Standard input stays open for the test to write to.
    void launchReading(const QStringList &arguments) {
        m_process.setWorkingDirectory(workDir());
        m_process.setStandardOutputFile(m_outFile);
        m_process.start(QStringLiteral(TERMINALKVR_RUN_BINARY), arguments);
        ASSERT_TRUE(m_process.waitForStarted());
    }
    // Waits for the end; the exit status.
    int finish() {
        EXPECT_TRUE(waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, 30000));
        out = QString::fromUtf8(m_process.readAllStandardOutput());
        err = QString::fromUtf8(m_process.readAllStandardError());
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    QString port() { return device().slavePath(); }

    // Standard output into this file (a FIFO, /dev/full) instead of a pipe.
    QString m_outFile;
    QProcess m_process;
    QString out, err;
};

} // namespace

TEST_F(RunCommand, ThreeCommandsAnsweredExitZeroAndLogTheWindowsWay) {
    const QString log = QDir(workDir()).filePath("run.txt");
    launch({"-e", "^OK", "--log", log, port(), "AT", "ATI", "Привет"});
    const QList<QByteArray> got = answerCommands(device(), 3, "OK\r\n");
    EXPECT_EQ(got, (QList<QByteArray>{"AT", "ATI", "\xCF\xF0\xE8\xE2\xE5\xF2"})) << "windows-1251 on the wire";
    ASSERT_EQ(finish(), 0) << err.toStdString();
    EXPECT_EQ(out, "AT\nOK\nATI\nOK\nПривет\nOK\n");
    EXPECT_EQ(err, "");

    // The window, the same exchange, its own log file.
    start();
    connectPort();
    click("StartLog");
    for (const QString &command : {QString("AT"), QString("ATI"), QString("Привет")}) {
        typeInto("MainStrCmd", command);
        pressKey("MainStrCmd", Qt::Key_Return);
        ASSERT_EQ(answerCommands(device(), 1, "OK\r\n").size(), 1);
        ASSERT_TRUE(waitUntil([&] { return logText().endsWith(command + "\nOK"); })) << logText().toStdString();
    }
    form().close();
    const QByteArray windowLog = fileBytes(QDir(workDir()).filePath(form().terminalState().LogFileName));
    EXPECT_EQ(fileBytes(log), windowLog);
    EXPECT_EQ(windowLog.count("\r\r\n"), 6);
}

TEST_F(RunCommand, SilentDeviceEndsWithThreeAfterTheTimeout) {
    launch({"-t", "300", port(), "AT"});
    EXPECT_EQ(device().receive(3), "AT\r");
    EXPECT_EQ(finish(), 3);
    EXPECT_EQ(err, "terminalkvr-run: command 1 \"AT\": no answer within 300 ms\n");
}

TEST_F(RunCommand, WrongAnswerWaitsOutTheTimeoutAbortEndsWithFourAtOnce) {
    // A line that does not match is passed over, as chat does: only the time
    // runs out.
    launch({"-e", "^OK", "-t", "300", port(), "AT", "ATI"});
    answerCommands(device(), 1, "ERROR\r\n");
    EXPECT_EQ(finish(), 3);
    EXPECT_EQ(out, "AT\nERROR\n");
    EXPECT_EQ(err, "terminalkvr-run: command 1 \"AT\": no line matching \"^OK\" within 300 ms (the last line: "
                   "\"ERROR\")\n");
    EXPECT_EQ(device().receiveFor(200), "") << "nothing sent after the wrong answer";

    launch({"--abort", "BUSY|ERROR", "-t", "60000", port(), "ATD1", "ATD2"});
    answerCommands(device(), 1, "BUSY\r\n");
    EXPECT_EQ(finish(), 4);
    EXPECT_TRUE(err.contains("matches --abort")) << err.toStdString();
}

TEST_F(RunCommand, ReadmeExampleWorksWithModemsThatEchoChatterOrArePaced) {
    const struct {
        const char *name;
        ModemAnswers how;
    } modems[] = {
        {"no echo", {}},
        {"echo", {.echo = true}},
        {"RING first", {.unsolicited = "RING\r\n"}},
        {"echo and RING", {.echo = true, .unsolicited = "\r\nRING\r\n"}},
        {"9600 baud pace", {.echo = true, .byteGapUs = 1100}},
        {"bare LF", {.reply = "OK\n"}},
    };
    for (const auto &modem : modems) {
        SCOPED_TRACE(modem.name);
        launch({"-b", "9600", "-e", "^OK", port(), "AT", "ATI"});
        EXPECT_EQ(answerLikeModem(device(), 2, modem.how), (QList<QByteArray>{"AT", "ATI"}));
        EXPECT_EQ(finish(), 0) << err.toStdString();
        EXPECT_EQ(err, "");
    }
    // A device that only echoes never answers: no line but the echo.
    for (const QStringList &expect : {QStringList{}, QStringList{"-e", "^OK"}}) {
        launch(expect + QStringList{"-t", "300", port(), "AT"});
        EXPECT_EQ(answerLikeModem(device(), 1, {.echo = true, .reply = ""}), QList<QByteArray>{"AT"});
        EXPECT_EQ(finish(), 3) << err.toStdString();
        EXPECT_TRUE(err.endsWith("within 300 ms (the last line: \"AT\")\n")) << err.toStdString();
    }
}

TEST_F(RunCommand, PortLostSoonAfterTheSendEndsWithTwoWhateverTheTimeout) {
    for (const char *timeout : {"300", "900", "5000"}) {
        SCOPED_TRACE(timeout);
        PtyDevice pair;
        launch({"-t", timeout, pair.slavePath(), "AT"});
        EXPECT_EQ(pair.receive(3), "AT\r");
        QElapsedTimer lost;
        waitUntil([] { return false; }, 50);
        pair.hangUp();
        lost.start();
        EXPECT_EQ(finish(), 2) << err.toStdString();
        // The watch's own beat would take up to a second.
        EXPECT_LT(lost.elapsed(), 700);
        EXPECT_TRUE(err.endsWith(": the port was lost\n")) << err.toStdString();
    }
}

TEST_F(RunCommand, PortHeldByAnotherProgramIsRefusedWithTheReason) {
    // The lock picocom, minicom and the window take on the device.
    const int held = ::open(QFile::encodeName(port()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    launch({port(), "AT"});
    EXPECT_EQ(finish(), 2);
    ::close(held);
    EXPECT_TRUE(err.startsWith("terminalkvr-run: " + port() + ": Порт занят другой программой")) << err.toStdString();
    EXPECT_EQ(device().receiveFor(100), "");
}

TEST_F(RunCommand, PortMarkedByALiveUucpLockFileIsRefusedAndTheFileKept) {
    QProcess minicom;
    minicom.start("sleep", {"30"});
    ASSERT_TRUE(minicom.waitForStarted());
    const QString lockPath = "/run/lock/LCK.." + QFileInfo(QFileInfo(port()).canonicalFilePath()).fileName();
    const QByteArray content = QByteArray::number(minicom.processId()).rightJustified(10, ' ') + " minicom root\n";
    QFile lock(lockPath);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(content);
    lock.close();
    launch({port(), "AT"});
    EXPECT_EQ(finish(), 2);
    EXPECT_EQ(err, QString("terminalkvr-run: %1: Порт занят другой программой (sleep, PID %2, %3).\n")
                       .arg(port())
                       .arg(minicom.processId())
                       .arg(lockPath));
    EXPECT_EQ(fileBytes(lockPath), content) << "another program's lock is never removed";
    EXPECT_EQ(device().receiveFor(100), "");
    QFile::remove(lockPath);
    minicom.kill();
    minicom.waitForFinished();
}

TEST_F(RunCommand, PortLostMidRunEndsWithTwo) {
    launch({"-t", "60000", port(), "AT"});
    EXPECT_EQ(device().receive(3), "AT\r");
    device().hangUp();
    EXPECT_EQ(finish(), 2);
    EXPECT_TRUE(err.endsWith(": the port was lost\n")) << err.toStdString();
}

TEST_F(RunCommand, HexCommandWithAChecksumTailPutsTheBytesOnTheWire) {
    launch({"--hex", "--tail", " [SUM_8(0..n)]", port(), "01 02 03"});
    EXPECT_EQ(device().receive(4), QByteArray("\x01\x02\x03\x06", 4));
    device().send("\x06");
    EXPECT_EQ(finish(), 0) << err.toStdString();
    EXPECT_EQ(out, "01 02 03 06\n06\n");
}

TEST_F(RunCommand, CommandFileMacroListAndStandardInput) {
    QFile file("cmds.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ONE\r\n\xC4\xC2\xC0\r\n\r\nTHREE\n");
    file.close();
    launch({"-f", "cmds.txt", port()});
    EXPECT_EQ(answerCommands(device(), 3), (QList<QByteArray>{"ONE", "\xC4\xC2\xC0", "THREE"}));
    EXPECT_EQ(finish(), 0) << err.toStdString();
    EXPECT_EQ(out, "ONE\nOK\nДВА\nOK\nTHREE\nOK\n");

    macros::MacroStore store;
    store.LoadCmdConfig(macros::MacroStore::kFileName);
    store.setCommand(7, 2, u"M2");
    store.setCommand(7, 48, u"M48");
    ASSERT_TRUE(store.save(macros::MacroStore::kFileName));
    const QByteArray before = fileBytes(macros::MacroStore::kFileName);
    launch({"-m", "7", port()});
    EXPECT_EQ(answerCommands(device(), 2), (QList<QByteArray>{"M2", "M48"}));
    EXPECT_EQ(finish(), 0) << err.toStdString();
    EXPECT_EQ(fileBytes(macros::MacroStore::kFileName), before) << "the macros are only read";

    launch({port(), "-"}, "IN1\nIN2\n");
    EXPECT_EQ(answerCommands(device(), 2), (QList<QByteArray>{"IN1", "IN2"}));
    EXPECT_EQ(finish(), 0) << err.toStdString();

    launch({"-f", "missing.txt", port()});
    EXPECT_EQ(finish(), 1);
    EXPECT_TRUE(err.startsWith("terminalkvr-run: --file: missing.txt: ")) << err.toStdString();
}

TEST_F(RunCommand, StandardInputIsSentByteForByteAsACommandFile) {
    launch({port(), "-"}, QByteArray("AT+RU=a\0b\r\na\xFF"
                                     "b\n\xCF\xF0\xE8\n",
                                     18));
    EXPECT_EQ(answerCommands(device(), 3), (QList<QByteArray>{QByteArray("AT+RU=a\0b", 9),
                                                              "a\xFF"
                                                              "b",
                                                              "\xCF\xF0\xE8"}));
    EXPECT_EQ(finish(), 0) << err.toStdString();
}

TEST_F(RunCommand, StandardInputIsReadAsTheCommandsAreSent) {
    // Each line is written only once the one before was answered: a run that
    // read its input whole first would send nothing.
    const struct {
        const char *name;
        QStringList options;
    } runs[] = {{"after each answer", {"-e", "^OK"}}, {"on a period", {"--period", "50"}}};
    for (const auto &run : runs) {
        SCOPED_TRACE(run.name);
        launchReading(run.options + QStringList{"-t", "5000", port(), "-"});
        for (const QByteArray command : {"AT", "ATI", "AT+X=\xFF"}) {
            m_process.write(command + "\n");
            EXPECT_EQ(answerCommands(device(), 1, "OK\r\n"), QList<QByteArray>{command});
            EXPECT_EQ(m_process.state(), QProcess::Running) << "standard input is still open";
        }
        m_process.closeWriteChannel();
        EXPECT_EQ(finish(), 0) << err.toStdString();
        EXPECT_EQ(device().receiveFor(100), "") << "nothing more sent";
    }
}

TEST_F(RunCommand, AMegabyteCommandOrFloodIsQuotedInAFewHundredCharacters) {
    launch({"-t", "300", "-e", "^OK", port(), "-"}, QByteArray(1 << 20, 'x') + "\n");
    // A flood without a line end, as much as the line takes until the end.
    const QByteArray flood(64 * 1024, 'y');
    waitUntil(
        [&] {
            [[maybe_unused]] const ssize_t n = ::write(device().masterFd(), flood.constData(), size_t(flood.size()));
            return m_process.state() == QProcess::NotRunning;
        },
        30000);
    EXPECT_EQ(finish(), 3);
    EXPECT_LT(err.size(), 700) << err.left(1000).toStdString();
    EXPECT_TRUE(err.contains("more characters)")) << err.left(1000).toStdString();
}

TEST_F(RunCommand, SighupEndsWith129AndNamesTheSignal) {
    launch({"-t", "60000", "--log", "run.txt", port(), "AT"});
    EXPECT_EQ(device().receive(3), "AT\r");
    ASSERT_EQ(m_process.state(), QProcess::Running);
    ::kill(pid_t(m_process.processId()), SIGHUP);
    EXPECT_EQ(finish(), 129);
    EXPECT_EQ(err, "terminalkvr-run: stopped by SIGHUP\n");
    EXPECT_EQ(fileBytes("run.txt"), "AT\r\r\n");
}

TEST_F(RunCommand, WhatIsNoSerialPortOrNoUsableInputIsSaidSo) {
    QFile file("plain.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    for (const char *path : {"./plain.txt", "./pipe"}) {
        launch({path, "AT"});
        EXPECT_EQ(finish(), 2);
        EXPECT_EQ(err, QString("terminalkvr-run: %1: %1 — не последовательный порт (это не устройство).\n").arg(path));
    }
    QFile damaged(macros::MacroStore::kFileName);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not macros");
    damaged.close();
    launch({"-m", "1", port()});
    EXPECT_EQ(finish(), 1);
    EXPECT_TRUE(err.startsWith("terminalkvr-run: --macros: ")) << err.toStdString();
    EXPECT_FALSE(err.contains("--help")) << "the input is at fault, not the usage";
}

TEST_F(RunCommand, SigtermMidRunFlushesTheLogAndExits143) {
    launch({"-t", "60000", "--log", "run.txt", port(), "AT", "ATI"});
    answerCommands(device(), 1);
    EXPECT_EQ(device().receive(4), "ATI\r");
    const qint64 pid = m_process.processId();
    ASSERT_GT(pid, 0);
    ::kill(pid_t(pid), SIGTERM);
    EXPECT_EQ(finish(), 143);
    EXPECT_EQ(fileBytes("run.txt"), "AT\r\r\nOK\r\r\nATI\r\r\n") << "within the second the log would wait";
    // The port is free again.
    launch({"-t", "300", port(), "AT"});
    EXPECT_EQ(device().receive(3), "AT\r");
    EXPECT_EQ(finish(), 3);
}

namespace {

// Bytes waiting in a pipe.
int pending(int fd) {
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

} // namespace

TEST_F(RunCommand, SignalEndsTheRunWhileStandardOutputIsStalled) {
    m_outFile = QDir(workDir()).filePath("out.fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_outFile).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(m_outFile).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    launch({"-e", "^OK", "-t", "60000", "--log", "run.txt", port(), "AT"});
    EXPECT_EQ(device().receive(3), "AT\r");
    // The device talks on; nobody reads standard output until it is full.
    const QByteArray rings = QByteArray("RING\r\n").repeated(1000);
    EXPECT_TRUE(waitUntil(
        [&] {
            [[maybe_unused]] const ssize_t n = ::write(device().masterFd(), rings.constData(), size_t(rings.size()));
            return pending(reader) >= 32768;
        },
        20000));
    waitUntil([] { return false; }, 200);
    ASSERT_EQ(m_process.state(), QProcess::Running);
    ::kill(pid_t(m_process.processId()), SIGTERM);
    EXPECT_EQ(finish(), 143);
    EXPECT_TRUE(err.endsWith("stopped by SIGTERM\n")) << err.toStdString();
    EXPECT_TRUE(fileBytes("run.txt").startsWith("AT\r\r\nRING\r\nRING\r\n")) << "the log written out";
    ::close(reader);
}

TEST_F(RunCommand, AReaderThatQuitsStopsTheRunWithFiveAndTheLogWritten) {
    m_outFile = QDir(workDir()).filePath("out.fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_outFile).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(m_outFile).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    launch({"-t", "60000", "--log", "run.txt", port(), "AT", "ATI", "ATZ"});
    EXPECT_EQ(device().receive(3), "AT\r");
    ::close(reader); // | head -n 1
    device().send("OK\r\n");
    EXPECT_LT(answerCommands(device(), 2, "OK\r\n", 1000).size(), 2) << "sending stops";
    EXPECT_EQ(finish(), 5);
    EXPECT_EQ(err, "terminalkvr-run: standard output: closed by its reader\n");
    EXPECT_TRUE(fileBytes("run.txt").startsWith("AT\r\r\n")) << fileBytes("run.txt").toStdString();
}

TEST_F(RunCommand, OutputOrLogThatCannotBeWrittenIsNoSuccess) {
    m_outFile = "/dev/full";
    launch({port(), "AT"});
    answerCommands(device(), 1);
    EXPECT_EQ(finish(), 5);
    EXPECT_EQ(err, "terminalkvr-run: standard output: No space left on device\n");

    m_outFile.clear();
    FileSizeLimit full(3000);
    ASSERT_TRUE(full.active());
    launch({"-q", "-e", "^OK", "--log", "run.txt", port(), "AT"});
    EXPECT_EQ(device().receive(3), "AT\r");
    device().send(QByteArray("RING\r\n").repeated(1000) + "OK\r\n");
    EXPECT_EQ(finish(), 5);
    full.lift();
    EXPECT_TRUE(err.startsWith("terminalkvr-run: --log: run.txt: ")) << err.toStdString();
}

TEST_F(RunCommand, LinksNeitherQtGuiNorWidgets) {
    QProcess readelf;
    readelf.start("readelf", {"-d", TERMINALKVR_RUN_BINARY});
    ASSERT_TRUE(readelf.waitForFinished(30000));
    const QString needed = QString::fromUtf8(readelf.readAllStandardOutput());
    EXPECT_TRUE(needed.contains("[libQt6Core.so")) << needed.toStdString();
    EXPECT_FALSE(needed.contains("libQt6Gui") || needed.contains("libQt6Widgets")) << needed.toStdString();

    QProcess version;
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(name);
    version.setProcessEnvironment(noDisplay);
    version.start(TERMINALKVR_RUN_BINARY, {"--version"});
    ASSERT_TRUE(version.waitForFinished(30000));
    EXPECT_EQ(version.readAllStandardOutput(), QByteArray(TERMINALKVR_NAME " " TERMINALKVR_VERSION "\n"));
}

TEST_F(RunCommand, LineOptionsReachThePortBeforeTheFirstCommand) {
    launch({"-b", "250000", "--stop", "2", "--flow", "rtscts", "--break", "250", "--lines", "-e", "^OK", port(), "AT"});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(device().receive(3, 10000), "AT\r");
    // The break came first.
    EXPECT_GE(clock.elapsed(), 250);
    const PtyLine line = readPtyLine(device().masterFd());
    EXPECT_EQ(line.outputSpeed, 250000u);
    EXPECT_TRUE(line.twoStopBits);
    EXPECT_TRUE(line.rtsCts);
    device().send("OK\r\n");
    ASSERT_EQ(finish(), 0) << err.toStdString();
    EXPECT_EQ(out, "lines: none (the port has no modem lines)\n*** Линия: break 250 мс\nAT\nOK\n");
}

TEST_F(RunCommand, NetworkPortThroughSer2net) {
    if (!Ser2netPeer::missingTools().isEmpty())
        GTEST_SKIP() << "needs " << Ser2netPeer::missingTools().toStdString();
    Ser2netPeer peer;
    ASSERT_TRUE(peer.startServer());
    launch({"-b", "115200", "-e", "^OK$", peer.address(true), "AT", "ATI"});
    for (const QByteArray command : {"AT\r", "ATI\r"}) {
        EXPECT_EQ(peer.receive(int(command.size())), command);
        peer.send("OK\r\n");
    }
    EXPECT_EQ(finish(), 0) << err.toStdString();
    EXPECT_EQ(out, "AT\nOK\nATI\nOK\n");
}

TEST_F(RunCommand, Ser2netGoneEndsWithTwoBeforeTheTimeout) {
    if (!Ser2netPeer::missingTools().isEmpty())
        GTEST_SKIP() << "needs " << Ser2netPeer::missingTools().toStdString();
    Ser2netPeer peer;
    ASSERT_TRUE(peer.startServer());
    launch({"-t", "500", peer.address(true), "AT"});
    EXPECT_EQ(peer.receive(3), "AT\r");
    peer.stopServer();
    EXPECT_EQ(finish(), 2) << err.toStdString();
    EXPECT_TRUE(err.endsWith(": the port was lost\n")) << err.toStdString();
}

// --send-file to lrzsz's rb on the far end of a pseudo-terminal: the file
// arrives whole under its own name and the run ends with 0; a file that is
// not there is refused before the port is touched, with 1.
TEST_F(RunCommand, SendFileWithYmodemToRbAndAMissingFile) {
    if (const QString missing = LrzszReceiver::missing(QStringLiteral("rb")); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed (tools/setup.sh installs lrzsz and socat)";
    QByteArray sent(40000, '\0');
    for (qsizetype i = 0; i < sent.size(); ++i)
        sent[i] = char((i * 31 + i / 977) & 0xFF);
    const QString path = QDir(workDir()).filePath("image.bin");
    QFile image(path);
    ASSERT_TRUE(image.open(QIODevice::WriteOnly) && image.write(sent) == sent.size());
    image.close();

    LrzszReceiver line;
    ASSERT_TRUE(line.ready());
    launch({"-b", "115200", "--send-file", path, "--protocol", "ymodem", line.linePath()});
    ASSERT_TRUE(line.start(QStringLiteral("rb"), {}));
    EXPECT_EQ(finish(), 0) << err.toStdString();
    EXPECT_EQ(line.finish(10000), 0) << line.messages().toStdString();
    EXPECT_EQ(fileBytes(QDir(line.folder()).filePath("image.bin")), sent);

    launch({"--send-file", QDir(workDir()).filePath("none.bin"), "--protocol", "xmodem", line.linePath()});
    EXPECT_EQ(finish(), 1);
    EXPECT_TRUE(err.contains("--send-file: ")) << err.toStdString();
    EXPECT_TRUE(err.contains("none.bin")) << err.toStdString();
}
