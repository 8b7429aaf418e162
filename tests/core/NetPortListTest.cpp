#include "core/port/NetPortList.h"
#include "support/QtPrinting.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The address as read ("rfc2217 HOST PORT"), or empty when refused with a reason.
QString parsed(const QString &text) {
    QString why;
    const std::optional<core::NetAddress> a = core::NetAddress::parse(text, &why);
    if (!a)
        return why.isEmpty() ? QStringLiteral("<refused without a reason>") : QString();
    return QStringLiteral("%1 %2 %3")
        .arg(a->protocol == core::NetAddress::Protocol::Rfc2217 ? "rfc2217" : "tcp", a->host)
        .arg(a->port);
}

TEST(NetAddress, ParseTable) {
    const std::pair<const char *, const char *> cases[] = {{"rfc2217://pi.lab:2001", "rfc2217 pi.lab 2001"},
                                                           {"tcp://10.0.0.5:4001", "tcp 10.0.0.5 4001"},
                                                           {"rfc2217://[::1]:7000", "rfc2217 ::1 7000"},
                                                           {"telnet://pi.lab:2001", ""},
                                                           {"pi.lab:2001", ""},
                                                           {"tcp://pi.lab", ""},
                                                           {"tcp://pi.lab:0", ""},
                                                           {"tcp://pi.lab:70000", ""},
                                                           {"tcp://:2001", ""},
                                                           {"tcp://pi.lab:2001/x", ""},
                                                           {"tcp://user@pi.lab:2001", ""},
                                                           {"tcp://pi lab:2001", ""}};
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(parsed(text), expected) << text;
}

class NetPortListFile : public testing::Test {
protected:
    bool write(const QByteArray &bytes) {
        QFile file(m_name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QByteArray contents() {
        QFile file(m_name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir m_folder;
    QString m_name = m_folder.filePath("NetPorts");
    core::NetPortList m_list{m_name};
};

TEST_F(NetPortListFile, MissingIsNoPortsAndNoMessageBadLinesReportedTogetherAsWritten) {
    EXPECT_TRUE(m_list.load() && m_list.entries().isEmpty() && m_list.errorString().isEmpty());
    ASSERT_TRUE(
        write("# rack\r\n\r\nrfc2217://pi.lab:2001\r\n  tcp://10.0.0.5:4001 \r\nCOM3\r\n  # note\r\ntcp://x:99999"));
    EXPECT_FALSE(m_list.load());
    ASSERT_EQ(m_list.entries().size(), 2);
    EXPECT_EQ(m_list.entries()[0].name, "rfc2217://pi.lab:2001");
    EXPECT_EQ(m_list.entries()[1].location, "tcp://10.0.0.5:4001");
    const QStringList report = m_list.errorString().split('\n');
    ASSERT_EQ(report.size(), 2);
    EXPECT_TRUE(report[0].contains("строка 5") && report[0].contains("COM3")) << report[0].toStdString();
    EXPECT_TRUE(report[1].contains("строка 7")) << report[1].toStdString();
    EXPECT_EQ(m_list.problems(), report);

    ASSERT_TRUE(QFile::remove(m_name) && QDir().mkdir(m_name));
    EXPECT_FALSE(m_list.load()) << "unreadable";
    EXPECT_TRUE(m_list.errorString().startsWith(m_name));
    EXPECT_EQ(m_list.problems(), QStringList{m_list.errorString()});
}

TEST_F(NetPortListFile, AppendCreatesKeepsLineEndsRefusesRepeatsAndJunk) {
    ASSERT_TRUE(m_list.append(" tcp://a:1 "));
    EXPECT_EQ(contents(), "tcp://a:1\n");
    ASSERT_TRUE(write("# mine\r\nrfc2217://b:2"));
    ASSERT_TRUE(m_list.append("tcp://c:3"));
    EXPECT_FALSE(m_list.append("rfc2217://b:2"));
    EXPECT_FALSE(m_list.append("ttyUSB0"));
    EXPECT_EQ(contents(), "# mine\r\nrfc2217://b:2\r\ntcp://c:3\r\n");
}

// A file pasted from a document or written elsewhere: the address already
// listed is refused whatever surrounds it, and loads once.
TEST_F(NetPortListFile, SameAddressOnceHoweverWritten) {
    const struct {
        const char *file;
        const char *added;
        bool accepted;
    } cases[] = {{"tcp://a:1\xA0\n", "tcp://a:1", false},
                 {"tcp://a:1\r\n", " tcp://a:1", false},
                 {"\t\xA0tcp://a:1 \n", "tcp://a:1\t", false},
                 {"TCP://A:1\n", "tcp://a:1", false},
                 {"tcp://a:1\n", "tcp://a:01", false},
                 {"rfc2217://a:1\n", "tcp://a:1", true},
                 {"# tcp://a:1\n", "tcp://a:1", true},
                 {"tcp://a:12\n", "tcp://a:1", true},
                 {"tcp://b:1\ntcp://a:1\xA0", "tcp://a:1", false}};
    for (const auto &c : cases) {
        ASSERT_TRUE(write(c.file));
        EXPECT_EQ(m_list.append(c.added), c.accepted) << c.file << " + " << c.added;
        m_list.load();
        QStringList names;
        for (const core::PortEntry &entry : m_list.entries())
            names.append(entry.name);
        EXPECT_EQ(names.removeDuplicates(), 0) << c.file << " + " << c.added;
    }
    ASSERT_TRUE(write("tcp://a:1\ntcp://a:1\xA0\nTCP://a:1\n"));
    EXPECT_TRUE(m_list.load());
    EXPECT_EQ(m_list.entries().size(), 1) << "a repeat is listed once";
}

TEST_F(NetPortListFile, ManyBadLinesReportAFewAndCountTheRest) {
    QByteArray many;
    for (int n = 0; n < 10000; ++n)
        many += "COM3\n";
    ASSERT_TRUE(write("tcp://a:1\n" + many));
    EXPECT_FALSE(m_list.load());
    EXPECT_EQ(m_list.entries().size(), 1);
    const QStringList report = m_list.errorString().split('\n');
    ASSERT_EQ(report.size(), core::NetPortList::kReportedLines + 1) << m_list.errorString().left(500).toStdString();
    EXPECT_TRUE(report[0].contains("строка 2")) << report[0].toStdString();
    EXPECT_TRUE(report.last().contains(QString::number(10000 - core::NetPortList::kReportedLines)))
        << report.last().toStdString();
    EXPECT_EQ(m_list.problems(), report);
}

TEST_F(NetPortListFile, JunkLineShownShortAndPrintable) {
    QByteArray junk;
    for (int n = 0; n < 64 * 1024; ++n)
        junk += char(n * 7 % 256 == '\n' ? 0 : n * 7 % 256);
    ASSERT_TRUE(write(junk));
    EXPECT_FALSE(m_list.load());
    const QString report = m_list.errorString();
    EXPECT_LT(report.size(), 300) << report.left(500).toStdString();
    EXPECT_EQ(std::count_if(report.begin(), report.end(), [](QChar c) { return !c.isPrint() && c != '\n'; }), 0);
}

// Just under the size limit, every line bad: read at once, reported in a few
// lines.
TEST_F(NetPortListFile, MegabyteOfBadLinesIsCheap) {
    ASSERT_TRUE(write(QByteArray(1024 * 1024 / 2 - 1, 'x').replace("x", "x\n")));
    QElapsedTimer took;
    took.start();
    EXPECT_FALSE(m_list.load());
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_LT(m_list.errorString().size(), 1000);
    EXPECT_LE(m_list.problems().size(), core::NetPortList::kReportedLines + 1);
}

} // namespace

// An add killed half-way leaves its temporary; the next read removes it once
// it is old enough to be nobody's save.
TEST_F(NetPortListFile, ReadingRemovesTemporariesOfAKilledAdd) {
    const struct {
        const char *name;
        qint64 age;
        bool stays;
    } files[] = {{".NetPorts.terminalkvr-tmp-a1B2c3", 3600, false},
                 {".NetPorts.terminalkvr-tmp-fresh1", 0, true},
                 {".NetPorts.mine", 3600, true}};
    for (const auto &f : files) {
        QFile file(m_folder.filePath(f.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1 && file.flush());
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-f.age), QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(write("tcp://pi.lab:4001\n") && m_list.load());
    for (const auto &f : files)
        EXPECT_EQ(QFile::exists(m_folder.filePath(f.name)), f.stays) << f.name;
}
