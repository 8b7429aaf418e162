#include "core/port/ConnectionWatch.h"

#include <gtest/gtest.h>

namespace {

using C = core::PortColour;
constexpr std::optional<core::PortColour> kStays;

struct Row {
    bool alive, autoConnect, wanted, portOpen;
    std::optional<core::PortColour> colour;
    bool close, reopen;
};

// Every combination of the four inputs.
const Row kRows[] = {
    // without reconnection
    {true, false, false, false, kStays, false, false},
    {true, false, false, true, kStays, false, false},
    {true, false, true, false, C::Lost, false, false},
    {true, false, true, true, kStays, false, false},
    {false, false, false, false, kStays, true, false},
    {false, false, false, true, C::Lost, true, false},
    {false, false, true, false, C::Lost, true, false},
    {false, false, true, true, C::Lost, true, false},
    // with reconnection
    {true, true, false, false, C::Normal, false, false},
    {true, true, false, true, C::Normal, false, false},
    {true, true, true, false, kStays, false, false},
    {true, true, true, true, kStays, false, false},
    {false, true, false, false, C::Normal, true, false},
    {false, true, false, true, C::Normal, true, false},
    {false, true, true, false, kStays, true, true},
    {false, true, true, true, kStays, true, true},
};

TEST(ConnectionWatch, EveryCombinationOfTheInputs) {
    for (const Row &row : kRows) {
        const core::WatchAction got = core::watchStep({row.alive, row.autoConnect, row.wanted, row.portOpen});
        EXPECT_EQ(got, (core::WatchAction{row.colour, row.close, row.reopen}))
            << "alive " << row.alive << " auto " << row.autoConnect << " wanted " << row.wanted << " open "
            << row.portOpen;
    }
    EXPECT_EQ(core::reopenColour(true), C::Connected);
    EXPECT_EQ(core::reopenColour(false), C::Reconnecting);
}

TEST(ConnectionWatch, AnOpenUnderWayIsWaitedForAnAdapterIsFoundByItsLastingName) {
    for (const Row &row : kRows)
        EXPECT_EQ(core::watchStep({row.alive, row.autoConnect, row.wanted, row.portOpen, true}), core::WatchAction{});
    const QString usb0 = "/dev/ttyUSB0", usb1 = "/dev/ttyUSB1", lasting = "/dev/serial/by-id/usb-FTDI-if00";
    EXPECT_EQ(core::reopenLocation(usb0, "", std::nullopt), usb0) << "no lasting name: where it was";
    EXPECT_EQ(core::reopenLocation(usb0, lasting, usb1), usb1) << "back under another name";
    EXPECT_EQ(core::reopenLocation(usb0, lasting, std::nullopt), "") << "away: not whatever took its old name";
}

} // namespace
