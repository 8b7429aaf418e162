#include "tx/FileSender.h"

#include "tests/support/TransferFrames.h"

#include <gtest/gtest.h>

#include <functional>

using tx::FileSender;
using tx::TransferFailure;
using tx::TransferProtocol;
using Kind = frames::Frame::Kind;

namespace {

const QByteArray kAck(1, FileSender::kAck);
const QByteArray kNak(1, FileSender::kNak);
const QByteArray kC("C");
const QByteArray kCanCan(2, FileSender::kCan);

// Files in memory; a test may change one while it is being sent.
class MemorySource : public tx::TransferSource {
public:
    QList<QByteArray> files;
    bool broken = false;
    bool read(int file, qint64 offset, qint64 length, QByteArray &bytes) override {
        if (broken)
            return false;
        bytes = files.value(file).mid(offset, length);
        return true;
    }
    QString errorString() const override { return QStringLiteral("Ошибка ввода-вывода"); }
};

QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// A sender of the files with the clock at 0.
struct Sending {
    MemorySource source;
    std::optional<FileSender> sender;
    qint64 now = 0;
    // Everything sent so far.
    QByteArray wire;

    Sending(TransferProtocol protocol, QList<QByteArray> contents, QList<QByteArray> names = {},
            qint64 bytesPerSecond = 0) {
        source.files = contents;
        QList<tx::TransferFile> files;
        for (qsizetype i = 0; i < contents.size(); ++i)
            files.append({names.value(i, "f" + QByteArray::number(i)), contents[i].size(), 0});
        sender.emplace(protocol, files, source, bytesPerSecond);
        sender->start(now);
    }
    // The receiver says bytes at +ms; what the sender answers.
    QByteArray answer(const QByteArray &bytes, qint64 ms = 1) {
        now += ms;
        sender->receive(bytes, now);
        return take();
    }
    QByteArray wait(qint64 ms) {
        now += ms;
        sender->tick(now);
        return take();
    }
    QByteArray take() {
        const QByteArray out = sender->takeOutput();
        wire += out;
        return out;
    }
};

// The data blocks of a whole XMODEM transfer, the receiver acknowledging
// every frame; the file as the receiver keeps it (padding included).
QByteArray receiveAll(Sending &sending, const QByteArray &start, bool crc, QList<int> *lengths = nullptr) {
    QByteArray out = sending.answer(start);
    QByteArray kept;
    for (int guard = 0; guard < 100000 && !sending.sender->finished(); ++guard) {
        const QList<frames::Frame> got = frames::read(out, crc);
        EXPECT_EQ(got.size(), 1);
        if (got.size() != 1)
            break;
        if (got[0].kind == Kind::Block) {
            kept += got[0].data;
            if (lengths)
                lengths->append(int(got[0].data.size()));
        }
        out = sending.answer(kAck);
    }
    return kept;
}

} // namespace

TEST(XmodemCrc, KnownCheckValue) { EXPECT_EQ(tx::xmodemCrc("123456789"), 0x31C3); }

TEST(TransferProtocolNames, RoundTripAndRefuseOthers) {
    for (const TransferProtocol protocol : tx::kTransferProtocols) {
        EXPECT_EQ(tx::protocolFromName(tx::protocolName(protocol)), protocol);
        EXPECT_FALSE(tx::protocolCaption(protocol).isEmpty());
    }
    EXPECT_EQ(tx::protocolFromName(u"XMODEM1K"), TransferProtocol::Xmodem1k);
    EXPECT_FALSE(tx::protocolFromName(u"zmodem"));
    EXPECT_FALSE(tx::protocolFromName(u""));
}

// The receiver chooses: NAK for a checksum, 'C' for a CRC; the block length
// follows the protocol and what is left of the file.
TEST(FileSender, BlocksAsTheReceiverChose) {
    struct Case {
        TransferProtocol protocol;
        QByteArray start;
        qsizetype size;
        QList<int> lengths;
    };
    const Case cases[] = {
        {TransferProtocol::Xmodem, kNak, 1, {128}},
        {TransferProtocol::Xmodem, kC, 129, {128, 128}},
        {TransferProtocol::Xmodem, kNak, 0, {}},
        {TransferProtocol::Xmodem1k, kC, 1024, {1024}},
        {TransferProtocol::Xmodem1k, kC, 1025, {1024, 128}},
        {TransferProtocol::Xmodem1k, kC, 897, {1024}},
        {TransferProtocol::Xmodem1k, kC, 896, {128, 128, 128, 128, 128, 128, 128}},
        // 1K blocks with an 8-bit sum are not trusted: 128 is used.
        {TransferProtocol::Xmodem1k, kNak, 1025, {128, 128, 128, 128, 128, 128, 128, 128, 128}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << tx::protocolName(c.protocol).toStdString() << " " << c.size);
        Sending sending(c.protocol, {pattern(c.size)});
        QList<int> lengths;
        const QByteArray kept = receiveAll(sending, c.start, c.start == kC, &lengths);
        EXPECT_TRUE(sending.sender->succeeded());
        EXPECT_EQ(lengths, c.lengths);
        EXPECT_EQ(kept.left(c.size), pattern(c.size));
        EXPECT_EQ(kept.mid(c.size), QByteArray(kept.size() - c.size, FileSender::kSub));
        EXPECT_EQ(sending.sender->bytesDone(), c.size);
    }
}

TEST(FileSender, BlockNumbersWrapAfter255) {
    Sending sending(TransferProtocol::Xmodem, {pattern(128 * 300)});
    QByteArray out = sending.answer(kNak);
    for (int block = 1; block <= 300; ++block) {
        const QList<frames::Frame> got = frames::read(out, false);
        ASSERT_EQ(got.size(), 1);
        ASSERT_EQ(got[0].number, block & 0xFF);
        out = sending.answer(kAck);
    }
    EXPECT_EQ(frames::read(out, false)[0].kind, Kind::Eot);
}

// What the receiver says after a block, and what the sender does next.
TEST(FileSender, AnswersToABlock) {
    struct Case {
        const char *name;
        QByteArray reply;
        int nextBlock; // -1: the same frame again, 0: nothing, 2: block 2
    };
    const Case cases[] = {
        {"ack", kAck, 2},
        {"nak repeats", kNak, -1},
        {"ack twice in one read moves once", kAck + kAck, 2},
        {"garbage is ignored", "xyz\r\n", 0},
        {"one CAN is noise", QByteArray(1, FileSender::kCan) + kAck, 2},
        {"a repeated request for the first block", kC, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Sending sending(TransferProtocol::Xmodem, {pattern(300)});
        const QByteArray first = sending.answer(kC);
        const QByteArray out = sending.answer(c.reply);
        if (c.nextBlock == -1)
            EXPECT_EQ(out, first);
        else if (c.nextBlock == 0)
            EXPECT_TRUE(out.isEmpty());
        else
            EXPECT_EQ(frames::read(out, true).value(0).number, c.nextBlock);
        EXPECT_FALSE(sending.sender->finished());
    }
}

TEST(FileSender, LostAnswerRepeatsTheBlockAfterTheWait) {
    Sending sending(TransferProtocol::Xmodem1k, {pattern(2000)});
    const QByteArray first = sending.answer(kC);
    EXPECT_TRUE(sending.wait(FileSender::kAnswerWaitMs - 2).isEmpty());
    EXPECT_EQ(sending.sender->nextTickAt(), 1 + FileSender::kAnswerWaitMs);
    EXPECT_EQ(sending.wait(2), first);
    // The receiver got it the second time.
    EXPECT_EQ(frames::read(sending.answer(kAck), true).value(0).number, 2);
}

// Each way a transfer ends without the file, with the reason the user reads.
TEST(FileSender, Failures) {
    struct Case {
        const char *name;
        std::function<void(Sending &)> script;
        TransferFailure failure;
        QString text;
        bool cancelSent;
    };
    const Case cases[] = {
        {"nobody asks", [](Sending &s) { s.wait(FileSender::kStartWaitMs); }, TransferFailure::NoReceiver,
         "Приёмник не ответил за 60 с", false},
        {"receiver cancels at start", [](Sending &s) { s.answer(kCanCan); }, TransferFailure::ReceiverCancelled,
         "Приёмник отменил передачу", false},
        {"receiver cancels half-way",
         [](Sending &s) {
             s.answer(kC);
             s.answer(kAck);
             s.answer(QByteArray(5, FileSender::kCan) + "\b\b\b");
         },
         TransferFailure::ReceiverCancelled, "Приёмник отменил передачу", false},
        {"cancel behind an ack in the same read",
         [](Sending &s) {
             s.answer(kC);
             s.answer(kAck + kCanCan);
         },
         TransferFailure::ReceiverCancelled, "Приёмник отменил передачу", false},
        {"refused every time",
         [](Sending &s) {
             s.answer(kNak);
             for (int i = 0; i < FileSender::kMaxTries; ++i)
                 s.answer(kNak);
         },
         TransferFailure::TooManyRetries, "Приёмник не принял блок после 10 попыток", false},
        {"falls silent",
         [](Sending &s) {
             s.answer(kNak);
             for (int i = 0; i < FileSender::kMaxTries; ++i)
                 s.wait(FileSender::kAnswerWaitMs);
         },
         TransferFailure::ReceiverSilent, "Приёмник перестал отвечать", false},
        {"garbage only",
         [](Sending &s) {
             s.answer(kNak);
             for (int i = 0; i < FileSender::kMaxTries; ++i) {
                 s.answer("\x55\xAA garbage", FileSender::kAnswerWaitMs / 2);
                 s.wait(FileSender::kAnswerWaitMs / 2);
             }
         },
         TransferFailure::ReceiverSilent, "Приёмник перестал отвечать", false},
        {"user cancels",
         [](Sending &s) {
             s.answer(kC);
             s.sender->cancel();
         },
         TransferFailure::Cancelled, "Передача отменена", true},
        {"port lost",
         [](Sending &s) {
             s.answer(kC);
             s.sender->fail(TransferFailure::PortLost);
         },
         TransferFailure::PortLost, "Порт потерян", false},
        {"file shrinks",
         [](Sending &s) {
             s.answer(kC);
             s.source.files[0].truncate(100);
             s.answer(kAck);
         },
         TransferFailure::FileChanged, "Файл изменил размер во время передачи", true},
        {"file grows",
         [](Sending &s) {
             s.answer(kC);
             s.answer(kAck);
             s.source.files[0] += "more";
             s.answer(kAck);
         },
         TransferFailure::FileChanged, "Файл изменил размер во время передачи", true},
        {"file unreadable",
         [](Sending &s) {
             s.source.broken = true;
             s.answer(kC);
         },
         TransferFailure::FileUnreadable, "Файл не читается: Ошибка ввода-вывода", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Sending sending(TransferProtocol::Xmodem, {pattern(256)});
        c.script(sending);
        EXPECT_TRUE(sending.sender->finished());
        EXPECT_FALSE(sending.sender->succeeded());
        EXPECT_EQ(sending.sender->failure(), c.failure);
        EXPECT_EQ(sending.sender->errorString(), c.text);
        sending.take();
        EXPECT_EQ(sending.wire.endsWith(QByteArray(FileSender::kCancelCount, FileSender::kCan)), c.cancelSent);
        EXPECT_FALSE(sending.sender->nextTickAt());
        // Nothing moves a finished transfer.
        EXPECT_TRUE(sending.answer(kC + kAck).isEmpty());
        EXPECT_TRUE(sending.wait(FileSender::kStartWaitMs).isEmpty());
    }
}

TEST(FileSender, EotRefusedIsSentAgain) {
    Sending sending(TransferProtocol::Xmodem, {pattern(10)});
    sending.answer(kNak);
    EXPECT_EQ(sending.answer(kAck), QByteArray(1, FileSender::kEot));
    EXPECT_EQ(sending.answer(kNak), QByteArray(1, FileSender::kEot));
    EXPECT_TRUE(sending.answer(kAck).isEmpty());
    EXPECT_TRUE(sending.sender->succeeded());
}

// A receiver whose ACK of EOT is lost (it quit at once) is not waited on for
// long: EOT goes kEotTries times, kEotWaitMs apart, and the file, every block
// of which was acknowledged, counts as sent, marked unconfirmed.
TEST(FileSender, EotUnansweredEndsSoon) {
    const QByteArray eot(1, FileSender::kEot);
    struct Case {
        const char *name;
        TransferProtocol protocol;
        // What the receiver says after the first EOT went unanswered.
        QByteArray late;
        bool unconfirmed;
    };
    const Case cases[] = {
        {"XMODEM, never answered", TransferProtocol::Xmodem, {}, true},
        {"XMODEM-1K, answered the second EOT", TransferProtocol::Xmodem1k, kAck, false},
        {"XMODEM, refused once, then silent", TransferProtocol::Xmodem, kNak, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Sending sending(c.protocol, {pattern(10)});
        sending.answer(kC);
        ASSERT_EQ(sending.answer(kAck), eot);
        EXPECT_TRUE(sending.wait(FileSender::kEotWaitMs - 1).isEmpty());
        EXPECT_EQ(sending.wait(1), eot);
        if (!c.late.isEmpty())
            sending.answer(c.late, 0);
        for (int i = 0; i < FileSender::kEotTries && !sending.sender->finished(); ++i)
            sending.wait(FileSender::kEotWaitMs);
        EXPECT_TRUE(sending.sender->succeeded());
        EXPECT_EQ(sending.sender->endUnconfirmed(), c.unconfirmed);
        EXPECT_EQ(sending.wire.count(eot), c.late == kAck ? 2 : FileSender::kEotTries);
        EXPECT_LE(sending.now, 2 + FileSender::kEotTries * FileSender::kEotWaitMs);
    }
}

TEST(FileSender, YmodemEotUnansweredGoesOnToTheBatchEnd) {
    Sending sending(TransferProtocol::Ymodem, {pattern(10)});
    sending.answer(kC);
    sending.answer(kAck);
    sending.answer(kC);
    ASSERT_EQ(sending.answer(kAck), QByteArray(1, FileSender::kEot));
    for (int i = 0; i < FileSender::kEotTries; ++i)
        sending.wait(FileSender::kEotWaitMs);
    EXPECT_FALSE(sending.sender->finished());
    // The receiver asks for the next header: the batch's end.
    const QList<frames::Frame> end = frames::read(sending.answer(kC), true);
    ASSERT_EQ(end.size(), 1);
    EXPECT_EQ(end[0].number, 0);
    sending.answer(kAck);
    EXPECT_TRUE(sending.sender->succeeded());
    EXPECT_TRUE(sending.sender->endUnconfirmed());
}

// A YMODEM batch: per file a header with name, size (and time), the data, EOT;
// then the empty header.
TEST(FileSender, YmodemBatch) {
    const QList<QByteArray> contents = {pattern(1500), pattern(0), pattern(5)};
    Sending sending(TransferProtocol::Ymodem, contents, {"boot.img", "empty", "last.bin"});
    QByteArray out = sending.answer(kC);
    QList<QByteArray> headers;
    QList<QByteArray> kept;
    for (int guard = 0; guard < 1000 && !sending.sender->finished(); ++guard) {
        const QList<frames::Frame> got = frames::read(out, true);
        ASSERT_EQ(got.size(), 1);
        if (got[0].kind == Kind::Block && got[0].number == 0) {
            headers.append(got[0].data);
            kept.append(QByteArray());
            // The receiver acknowledges the header and asks for the data.
            out = sending.answer(kAck + kC);
        } else if (got[0].kind == Kind::Eot) {
            // lrzsz's rb refuses the first EOT.
            out = sending.answer(kNak);
            ASSERT_EQ(frames::read(out, true).value(0).kind, Kind::Eot);
            out = sending.answer(kAck);
            EXPECT_TRUE(out.isEmpty());
            out = sending.answer(kC);
        } else {
            kept.last() += got[0].data;
            out = sending.answer(kAck);
        }
    }
    EXPECT_TRUE(sending.sender->succeeded());
    ASSERT_EQ(headers.size(), 4);
    EXPECT_EQ(headers[0], QByteArray("boot.img\0"
                                     "1500\0",
                                     14) +
                              QByteArray(114, '\0'));
    EXPECT_EQ(headers[1].left(8), QByteArray("empty\0"
                                             "0\0",
                                             8));
    EXPECT_EQ(headers[3], QByteArray(128, '\0'));
    EXPECT_EQ(sending.sender->nextTickAt(), std::nullopt);
    ASSERT_EQ(kept.size(), 4);
    EXPECT_EQ(kept[0].left(1500), contents[0]);
    EXPECT_TRUE(kept[1].isEmpty());
    EXPECT_EQ(kept[2].left(5), contents[2]);
    EXPECT_EQ(sending.sender->bytesDone(), 1505);
    EXPECT_EQ(sending.sender->bytesTotal(), 1505);
}

TEST(FileSender, YmodemHeaderCarriesTheTimeInOctalAndLongNamesInALongBlock) {
    MemorySource source;
    source.files = {"x"};
    const QByteArray longName(200, 'n');
    FileSender sender(TransferProtocol::Ymodem, {{longName, 1, 0755}}, source, 0);
    sender.start(0);
    sender.receive(kC, 1);
    const QList<frames::Frame> got = frames::read(sender.takeOutput(), true);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].data.size(), 1024);
    EXPECT_EQ(got[0].data.left(207), longName + QByteArray("\0"
                                                           "1 755\0",
                                                           7));
}

// The batch's end asked for again is sent again; not answered at all, it
// was taken (lrzsz's rb never answers it).
TEST(FileSender, YmodemBatchEndUnanswered) {
    for (const bool askAgain : {false, true}) {
        Sending sending(TransferProtocol::Ymodem, {pattern(0)}, {"a"});
        sending.answer(kC);
        sending.answer(kAck + kC);
        sending.answer(kAck);
        const QByteArray end = sending.answer(kC);
        EXPECT_EQ(frames::read(end, true).value(0).data, QByteArray(128, '\0'));
        if (askAgain) {
            EXPECT_EQ(sending.answer(kC), end);
        }
        EXPECT_TRUE(sending.wait(FileSender::kEndWaitMs - 1).isEmpty());
        EXPECT_FALSE(sending.sender->finished());
        sending.wait(1);
        EXPECT_TRUE(sending.sender->succeeded());
    }
}

TEST(FileSender, YmodemHeaderRefusedIsSentAgainAndBatchEndAcknowledged) {
    Sending sending(TransferProtocol::Ymodem, {pattern(1)}, {"a"});
    const QByteArray header = sending.answer(kC);
    EXPECT_EQ(sending.answer(kNak), header);
    // ACK and the request for data may come apart.
    EXPECT_TRUE(sending.answer(kAck).isEmpty());
    EXPECT_EQ(frames::read(sending.answer(kC), true).value(0).number, 1);
    EXPECT_EQ(sending.answer(kAck), QByteArray(1, FileSender::kEot));
    EXPECT_TRUE(sending.answer(kAck).isEmpty());
    // No request for the next header: the receiver has gone.
    sending.wait(FileSender::kAnswerWaitMs);
    EXPECT_EQ(sending.sender->failure(), TransferFailure::ReceiverSilent);
}

// Raw: the bytes as they are, no faster than the line carries them.
TEST(FileSender, RawIsPacedToTheLine) {
    Sending sending(TransferProtocol::Raw, {pattern(1000)}, {}, 1000);
    QByteArray sent = sending.sender->takeOutput();
    EXPECT_EQ(sent.size(), FileSender::kRawLeadMs);
    struct Step {
        qint64 ms;
        qsizetype total;
    };
    const Step steps[] = {{5, 55}, {100, 155}, {1000, 1000}};
    for (const Step &step : steps) {
        sent += sending.wait(step.ms);
        EXPECT_EQ(sent.size(), step.total);
    }
    EXPECT_EQ(sent, pattern(1000));
    EXPECT_TRUE(sending.sender->succeeded());
    EXPECT_EQ(sending.sender->bytesDone(), 1000);
}

TEST(FileSender, RawIgnoresTheDeviceAndIsCancelledWithoutCan) {
    Sending sending(TransferProtocol::Raw, {pattern(1000)}, {}, 100);
    sending.take();
    EXPECT_TRUE(sending.answer(kCanCan + kNak).isEmpty());
    EXPECT_FALSE(sending.sender->finished());
    sending.sender->cancel();
    EXPECT_TRUE(sending.sender->takeOutput().isEmpty());
    EXPECT_EQ(sending.sender->failure(), TransferFailure::Cancelled);
}

TEST(FileSender, RawEmptyAndUnpacedFilesEndAtOnce) {
    for (const qsizetype size : {0, 4096}) {
        Sending sending(TransferProtocol::Raw, {pattern(size)});
        EXPECT_EQ(sending.sender->takeOutput(), pattern(size));
        EXPECT_TRUE(sending.sender->succeeded());
    }
}
