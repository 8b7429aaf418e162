#include "core/PortListing.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

namespace {

QStringList names(const QList<PortEntry> &entries) {
    QStringList out;
    for (const PortEntry &entry : entries)
        out.append(entry.name);
    return out;
}

TEST(PortListing, SystemPortsOrTheFallbackThenTheNetworkPorts) {
    const QList<PortEntry> usb = {{"ttyUSB0", "/dev/ttyUSB0"}};
    const QList<PortEntry> net = {{"tcp://a:1", "tcp://a:1"}};
    QStringList fallback = names(PortDirectory::fallbackPorts());
    const struct {
        QList<PortEntry> system, network;
        QStringList shown;
        int selected;
        bool nothingFound;
    } cases[] = {
        {usb, {}, {"ttyUSB0"}, 0, false},
        {usb, net, {"ttyUSB0", "tcp://a:1"}, 0, false},
        {{}, net, fallback + QStringList{"tcp://a:1"}, 9, false}, // the network port rather than a guess
        {{}, {}, fallback, -1, true},
    };
    for (const auto &c : cases) {
        const PortListing listing = listPorts(c.system, c.network);
        EXPECT_EQ(names(listing.entries), c.shown);
        EXPECT_EQ(listing.selected, c.selected) << c.shown.join(',').toStdString();
        EXPECT_EQ(listing.nothingFound, c.nothingFound) << c.shown.join(',').toStdString();
    }
}

TEST(PortListing, HintIsTheLastingNameElseTheLocation) {
    EXPECT_EQ(portHint({"ttyUSB0", "/dev/ttyUSB0", "/dev/serial/by-id/usb-x"}), "/dev/serial/by-id/usb-x");
    EXPECT_EQ(portHint({"ttyS0", "/dev/ttyS0"}), "/dev/ttyS0");
    EXPECT_EQ(portHint({"tcp://a:1", "tcp://a:1"}), "tcp://a:1");
}

TEST(PortListing, EachProblemIsReportedOnceWhileItLasts) {
    const struct {
        QStringList before, now, reported;
    } cases[] = {
        {{}, {"line 2"}, {"line 2"}},
        {{"line 2"}, {"line 2"}, {}},
        {{"line 2"}, {"line 2", "line 5"}, {"line 5"}},
        {{"line 2"}, {}, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(newProblems(c.before, c.now), c.reported) << c.now.join(',').toStdString();
}

} // namespace
