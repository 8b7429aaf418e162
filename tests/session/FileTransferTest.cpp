#include "session/FileTransfer.h"

#include "core/Cp1251.h"
#include "kit/EventWait.h"
#include "kit/PtyDevice.h"
#include "session/TerminalSession.h"
#include "support/FileBytes.h"
#include "support/LrzszReceiver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

using tx::TransferProtocol;

namespace {

constexpr int kBig = 2 * 1024 * 1024;
// XMODEM's short blocks make a big file slow on a loaded machine.
constexpr int kBigShortBlocks = 256 * 1024;
const int kSizes[] = {0, 1, 127, 128, 129, 1024, 1025};

QByteArray content(qsizetype size, int seed) {
    QByteArray bytes(size, '\0');
    quint32 state = quint32(seed) * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = char(state >> 24);
    }
    return bytes;
}

struct Receiver {
    const char *name;
    TransferProtocol protocol;
    QString program;
    QStringList arguments;
};

// The session on the terminal's end of a pseudo-terminal; the receiver runs
// on the device's end.
class Transfer : public ::testing::TestWithParam<Receiver> {
protected:
    Transfer() {
        QObject::connect(&session, &session::TerminalSession::logLine,
                         [this](const QByteArray &line, auto) { log << core::cp1251::toUnicode(line); });
    }

    void connectAt(qint32 baud) {
        ASSERT_TRUE(session.connectPort(device.slavePath(), {baud, 8, core::StopBits::One}));
        ASSERT_TRUE(session.isOpen());
    }

    QString writeFile(const QString &name, const QByteArray &bytes) {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    // Sends the file, the receiver started once the transfer waits for it;
    // the result and its reason.
    std::pair<bool, QString> send(const QString &path, TransferProtocol protocol, int timeoutMs,
                                  const std::function<void()> &startReceiver = {}) {
        session::FileTransfer transfer(session);
        std::optional<std::pair<bool, QString>> result;
        QObject::connect(&transfer, &session::FileTransfer::finished, [&](bool ok, const QString &reason) {
            result = {ok, reason};
        });
        if (!transfer.prepare({path}, protocol))
            return {false, transfer.errorString()};
        if (!transfer.start())
            return {false, transfer.errorString()};
        if (startReceiver)
            startReceiver();
        if (!waitUntil([&] { return result.has_value(); }, timeoutMs))
            return {false, QStringLiteral("no end")};
        return *result;
    }

    PtyDevice device;
    session::TerminalSession session;
    QTemporaryDir files;
    QStringList log;
};

} // namespace

// Every size through the real receiver, byte-equal. XMODEM carries no size:
// the receiver keeps the last block whole, padded with SUB, so its file is
// the sent one plus fewer than 128 SUB bytes.
TEST_P(Transfer, LrzszReceivesEveryFileWhole) {
    const Receiver &receiver = GetParam();
    if (const QString missing = LrzszReceiver::missing(receiver.program); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed (tools/setup.sh installs lrzsz and socat)";
    LrzszReceiver line;
    ASSERT_TRUE(line.ready());
    ASSERT_TRUE(session.connectPort(line.linePath(), {115200, 8, core::StopBits::One}));
    const bool ymodem = receiver.protocol == TransferProtocol::Ymodem;
    QList<int> sizes(std::begin(kSizes), std::end(kSizes));
    sizes << (receiver.protocol == TransferProtocol::Xmodem ? kBigShortBlocks : kBig);
    for (const int size : sizes) {
        SCOPED_TRACE(size);
        const QByteArray sent = content(size, size);
        const QString name = QStringLiteral("image-%1.bin").arg(size);
        const QString path = writeFile(name, sent);
        QStringList arguments = receiver.arguments;
        if (!ymodem)
            arguments << name;
        const auto [ok, reason] =
            send(path, receiver.protocol, 120000, [&] { EXPECT_TRUE(line.start(receiver.program, arguments)); });
        EXPECT_TRUE(ok) << reason.toStdString();
        EXPECT_EQ(line.finish(10000), 0) << line.messages().toStdString();
        const QByteArray got = fileBytes(QDir(line.folder()).filePath(name));
        if (ymodem) {
            // The name and the size came with the file.
            EXPECT_TRUE(QFile::exists(QDir(line.folder()).filePath(name)));
            QFile::remove(QDir(line.folder()).filePath(name));
            EXPECT_EQ(got, sent);
        } else {
            QFile::remove(QDir(line.folder()).filePath(name));
            EXPECT_EQ(got.left(size), sent);
            EXPECT_LT(got.size() - size, 128);
            EXPECT_EQ(got.mid(size), QByteArray(got.size() - size, tx::FileSender::kSub));
        }
        // One line at the start, one at the end.
        ASSERT_GE(log.size(), 2);
        EXPECT_TRUE(log[log.size() - 2].startsWith(QStringLiteral("Отправка файла %1 (%2 байт)").arg(name).arg(size)));
        EXPECT_TRUE(log.last().startsWith(QStringLiteral("Файл %1 отправлен").arg(name))) << log.last().toStdString();
    }
    // The port is the session's again.
    EXPECT_FALSE(session.channel().isClaimed());
    EXPECT_TRUE(session.isOpen());
}

std::string receiverName(const ::testing::TestParamInfo<Receiver> &param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(Lrzsz, Transfer, ::testing::Values(Receiver{"Ymodem", TransferProtocol::Ymodem, "rb", {}}),
                         receiverName);

// rx quits right after its ACK of EOT, and under load that ACK is sometimes
// lost on the way: the sender then ends after a few short EOT resends (the
// file counts as sent, unconfirmed), as it does with any such receiver.
INSTANTIATE_TEST_SUITE_P(LrzszXmodem, Transfer,
                         ::testing::Values(Receiver{"XmodemChecksum", TransferProtocol::Xmodem, "rx", {}},
                                           Receiver{"XmodemCrc", TransferProtocol::Xmodem, "rx", {"-c"}},
                                           Receiver{"Xmodem1k", TransferProtocol::Xmodem1k, "rx", {"-c"}}),
                         receiverName);

class RawTransfer : public Transfer {};

// Raw: the device reads the bytes as they are, none lost at the line's pace.
TEST_F(RawTransfer, DeviceGetsEveryByte) {
    connectAt(4000000);
    QList<int> sizes(std::begin(kSizes), std::end(kSizes));
    sizes << kBig;
    for (const int size : sizes) {
        SCOPED_TRACE(size);
        const QByteArray sent = content(size, size);
        const QString path = writeFile(QStringLiteral("raw-%1").arg(size), sent);
        session::FileTransfer transfer(session);
        std::optional<bool> result;
        QObject::connect(&transfer, &session::FileTransfer::finished, [&](bool ok, const QString &) { result = ok; });
        ASSERT_TRUE(transfer.prepare({path}, TransferProtocol::Raw));
        ASSERT_TRUE(transfer.start());
        QByteArray got;
        EXPECT_TRUE(waitUntil(
            [&] {
                got += device.receive(int(sent.size()) + 1, 5);
                return result.has_value() && got.size() >= size;
            },
            60000));
        EXPECT_EQ(got, sent);
        EXPECT_TRUE(result.value_or(false));
    }
}

// Input the transfer refuses before it takes the port, in the user's words.
TEST_F(RawTransfer, RefusedFiles) {
    connectAt(115200);
    const QString folder = files.path();
    ASSERT_EQ(QProcess::execute("mkfifo", {files.filePath("fifo")}), 0);
    const QString unreadable = writeFile("secret", "x");
    QFile::setPermissions(unreadable, QFileDevice::WriteOwner);
    struct Case {
        QString path;
        QString text;
    };
    const Case cases[] = {
        {files.filePath("none"), "Файл не найден: " + files.filePath("none")},
        {folder, "Это папка, а не файл: " + folder},
        {files.filePath("fifo"), "Это не обычный файл (канал или устройство): " + files.filePath("fifo")},
    };
    for (const Case &c : cases) {
        session::FileTransfer transfer(session);
        EXPECT_FALSE(transfer.prepare({c.path}, TransferProtocol::Ymodem));
        EXPECT_EQ(transfer.errorString(), c.text);
    }
    // root reads anything: the case only holds for an ordinary user.
    session::FileTransfer transfer(session);
    if (!QFile(unreadable).open(QIODevice::ReadOnly)) {
        EXPECT_FALSE(transfer.prepare({unreadable}, TransferProtocol::Ymodem));
        EXPECT_TRUE(transfer.errorString().startsWith("Файл не читается: ")) << transfer.errorString().toStdString();
    }
    EXPECT_FALSE(session.channel().isClaimed());
}

// A receiver that never answers, one that cancels, and a port that goes:
// each ends with its reason and leaves the port to the session.
TEST_F(RawTransfer, ReceiverGoneOrCancelling) {
    connectAt(115200);
    const QString path = writeFile("image", content(5000, 1));
    {
        session::FileTransfer transfer(session);
        std::optional<QString> reason;
        QObject::connect(&transfer, &session::FileTransfer::finished, [&](bool, const QString &why) { reason = why; });
        ASSERT_TRUE(transfer.prepare({path}, TransferProtocol::Xmodem));
        ASSERT_TRUE(transfer.start());
        device.send("C");
        EXPECT_EQ(device.receive(133).size(), 133);
        device.send(QByteArray(2, tx::FileSender::kCan));
        ASSERT_TRUE(waitUntil([&] { return reason.has_value(); }));
        EXPECT_EQ(*reason, "Приёмник отменил передачу");
        EXPECT_TRUE(log.last().contains("не отправлен (XMODEM): Приёмник отменил передачу; передано 0 из 5000 байт"))
            << log.last().toStdString();
    }
    session.SendPortData("AT");
    EXPECT_EQ(device.receive(3), QByteArray("AT\r"));
    {
        session::FileTransfer transfer(session);
        std::optional<QString> reason;
        QObject::connect(&transfer, &session::FileTransfer::finished, [&](bool, const QString &why) { reason = why; });
        ASSERT_TRUE(transfer.prepare({path}, TransferProtocol::Ymodem));
        ASSERT_TRUE(transfer.start());
        // Sends from the window stand aside meanwhile.
        session.SendPortData("AT");
        device.send("C");
        EXPECT_EQ(device.receive(133).left(3), QByteArray("\x01\x00\xFF", 3));
        device.hangUp();
        ASSERT_TRUE(waitUntil([&] { return reason.has_value(); }, 10000));
        EXPECT_EQ(*reason, "Порт потерян");
        EXPECT_FALSE(session.channel().isClaimed());
    }
}

// What the device says right after its last ACK, in the same read (a boot
// loader's report), is not the transfer's: it reaches the log.
TEST_F(RawTransfer, DeviceWordsAfterTheLastAckReachTheLog) {
    connectAt(115200);
    const QString path = writeFile("small", content(10, 2));
    session::FileTransfer transfer(session);
    std::optional<bool> result;
    QObject::connect(&transfer, &session::FileTransfer::finished, [&](bool ok, const QString &) { result = ok; });
    ASSERT_TRUE(transfer.prepare({path}, TransferProtocol::Xmodem));
    ASSERT_TRUE(transfer.start());
    device.send("C");
    EXPECT_EQ(device.receive(133).size(), 133);
    device.send(QByteArray(1, tx::FileSender::kAck));
    EXPECT_EQ(device.receive(1), QByteArray(1, tx::FileSender::kEot));
    device.send(QByteArray(1, tx::FileSender::kAck) + "## Total Size = 0x0000000a\r\n");
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_TRUE(*result);
    EXPECT_TRUE(waitUntil([&] { return log.join('\n').contains("## Total Size = 0x0000000a"); }))
        << log.join('\n').toStdString();
    EXPECT_FALSE(session.channel().isClaimed());
}
