#include "core/port/PortDirectory.h"
#include "kit/PtyDevice.h"
#include "support/QtPrinting.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PortDirectory, ListsLinksToPseudoTerminalsByNameInNumericOrder) {
    QTemporaryDir folder;
    PtyDevice a, b, c;
    ASSERT_TRUE(QFile::link(a.slavePath(), folder.filePath("ttyV10")));
    ASSERT_TRUE(QFile::link(b.slavePath(), folder.filePath("ttyV2")));
    ASSERT_TRUE(QFile::link(c.slavePath(), folder.filePath("ttyV1")));
    QFile plain(folder.filePath("notAPort"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(folder.filePath("notAPort"), folder.filePath("linkToFile")));
    // socat's link left behind after its pseudo-terminal went.
    ASSERT_TRUE(QFile::link("/dev/pts/999999", folder.filePath("ttyGone")));

    const QList<core::PortEntry> ports = core::PortDirectory(folder.path(), false).scan();
    ASSERT_EQ(ports.size(), 3);
    EXPECT_EQ(ports[0].name, "ttyV1");
    EXPECT_EQ(ports[1].name, "ttyV2");
    EXPECT_EQ(ports[2].name, "ttyV10");
    EXPECT_EQ(ports[0].location, folder.filePath("ttyV1"));
}

TEST(PortDirectory, FallbackIsCom1ToCom9OnTheFirstUarts) {
    const QList<core::PortEntry> ports = core::PortDirectory::fallbackPorts();
    ASSERT_EQ(ports.size(), 9);
    EXPECT_EQ(ports.first().name, "COM1");
    EXPECT_EQ(ports.first().location, "/dev/ttyS0");
    EXPECT_EQ(ports.last().name, "COM9");
    EXPECT_EQ(ports.last().location, "/dev/ttyS8");
}

TEST(PortDirectory, AdapterBackUnderAnotherNameIsFoundByItsLastingName) {
    QTemporaryDir ports, byId;
    PtyDevice first, second, other;
    const QString lasting = byId.filePath("usb-FTDI_FT232R_A50285BI-if00-port0");
    ASSERT_TRUE(QFile::link(first.slavePath(), ports.filePath("ttyUSB0")) &&
                QFile::link(other.slavePath(), ports.filePath("ttyUSB7")) &&
                QFile::link(ports.filePath("ttyUSB0"), lasting));
    const core::PortDirectory directory(ports.path(), false, byId.path());
    const QList<core::PortEntry> scanned = directory.scan();
    ASSERT_EQ(scanned.size(), 2);
    EXPECT_EQ(scanned[0].stableLocation, lasting);
    EXPECT_EQ(scanned[1].stableLocation, "") << "no lasting name";

    ASSERT_TRUE(QFile::remove(ports.filePath("ttyUSB0")));
    EXPECT_FALSE(directory.findStable(lasting)) << "pulled out";
    ASSERT_TRUE(QFile::link(second.slavePath(), ports.filePath("ttyUSB1")) && QFile::remove(lasting) &&
                QFile::link(ports.filePath("ttyUSB1"), lasting));
    const std::optional<core::PortEntry> found = directory.findStable(lasting);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->location, ports.filePath("ttyUSB1"));
}
