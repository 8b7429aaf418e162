#include "core/port/PortListing.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

namespace {

TEST(PortListing, SystemPortsOrTheFallbackThenTheNetworkPortsTheFirstRealOneChosen) {
    const QList<core::PortEntry> usb = {{"ttyUSB0", "/dev/ttyUSB0"}}, net = {{"tcp://a:1", "tcp://a:1"}};
    const struct {
        QList<core::PortEntry> system, network;
        qsizetype count;
        const char *last;
        int selected;
        bool nothingFound;
    } cases[] = {{usb, {}, 1, "ttyUSB0", 0, false},
                 {usb, net, 2, "tcp://a:1", 0, false},
                 {{}, net, 10, "tcp://a:1", 9, false},
                 {{}, {}, 9, "COM9", -1, true}};
    for (const auto &c : cases) {
        const core::PortListing got = core::listPorts(c.system, c.network);
        ASSERT_EQ(got.entries.size(), c.count);
        EXPECT_EQ(got.entries.last().name, c.last);
        EXPECT_EQ(got.selected, c.selected) << c.count;
        EXPECT_EQ(got.nothingFound, c.nothingFound) << c.count;
    }
}

TEST(PortListing, HintIsTheLastingNameElseTheLocationAndEachProblemIsReportedOnceWhileItLasts) {
    EXPECT_EQ(core::portHint({"ttyUSB0", "/dev/ttyUSB0", "/dev/serial/by-id/usb-x"}), "/dev/serial/by-id/usb-x");
    EXPECT_EQ(core::portHint({"tcp://a:1", "tcp://a:1"}), "tcp://a:1");
    const struct {
        QStringList before, now, reported;
    } cases[] = {{{}, {"2"}, {"2"}}, {{"2"}, {"2"}, {}}, {{"2"}, {"2", "5"}, {"5"}}, {{"2"}, {}, {}}};
    for (const auto &c : cases)
        EXPECT_EQ(core::newProblems(c.before, c.now), c.reported) << c.now.join(',').toStdString();
}

} // namespace
