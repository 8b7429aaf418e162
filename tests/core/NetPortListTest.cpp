#include "core/NetPortList.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The address as read ("rfc2217 HOST PORT"), or empty when refused with a reason.
QString parsed(const QString &text) {
    QString why;
    const std::optional<NetAddress> a = NetAddress::parse(text, &why);
    if (!a)
        return why.isEmpty() ? QStringLiteral("<refused without a reason>") : QString();
    return QStringLiteral("%1 %2 %3").arg(a->protocol == NetAddress::Protocol::Rfc2217 ? "rfc2217" : "tcp", a->host).arg(a->port);
}

TEST(NetAddress, ParseTable) {
    const std::pair<const char *, const char *> cases[] = {
        {"rfc2217://pi.lab:2001", "rfc2217 pi.lab 2001"}, {"tcp://10.0.0.5:4001", "tcp 10.0.0.5 4001"},
        {"rfc2217://[::1]:7000", "rfc2217 ::1 7000"},     {"telnet://pi.lab:2001", ""},
        {"pi.lab:2001", ""},                              {"tcp://pi.lab", ""},
        {"tcp://pi.lab:0", ""},                           {"tcp://pi.lab:70000", ""},
        {"tcp://:2001", ""},                              {"tcp://pi.lab:2001/x", ""},
        {"tcp://user@pi.lab:2001", ""},                   {"tcp://pi lab:2001", ""}};
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
    NetPortList m_list{m_name};
};

TEST_F(NetPortListFile, MissingIsNoPortsAndNoMessageBadLinesReportedTogetherAsWritten) {
    EXPECT_TRUE(m_list.load() && m_list.entries().isEmpty() && m_list.errorString().isEmpty());
    ASSERT_TRUE(write("# rack\r\n\r\nrfc2217://pi.lab:2001\r\n  tcp://10.0.0.5:4001 \r\nCOM3\r\n  # note\r\ntcp://x:99999"));
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

} // namespace
