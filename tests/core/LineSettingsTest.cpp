#include "core/LineSettings.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using core::FlowControl;
using core::Parity;
using core::StopBits;

TEST(LineSettings, DescribesTheLineAsTerminalsWriteIt) {
    const struct {
        core::LineSettings settings;
        const char *text;
    } cases[] = {
        {{1200, 8, StopBits::One}, "1200 8N1"},
        {{9600, 8, StopBits::One, Parity::Even}, "9600 8E1"},
        {{250000, 7, StopBits::Two, Parity::Odd}, "250000 7O2"},
        {{31250, 5, StopBits::OneAndHalf, Parity::Mark}, "31250 5M1.5"},
        {{921600, 8, StopBits::One, Parity::Space, FlowControl::RtsCts}, "921600 8S1, RTS/CTS"},
        {{115200, 8, StopBits::One, Parity::None, FlowControl::XonXoff}, "115200 8N1, XON/XOFF"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(core::describe(c.settings), QString::fromUtf8(c.text));
}

TEST(LineSettings, StartsAsTheWindowsListsAndWithoutParityOrFlow) {
    EXPECT_EQ(core::kStartLineSettings, (core::LineSettings{1200, 8, StopBits::One, Parity::None, FlowControl::None}));
    EXPECT_EQ(core::parseLineSettings("9600", "8", 0),
              (core::LineSettings{9600, 8, StopBits::One, Parity::None, FlowControl::None}));
}

TEST(LineSettings, NamesAndOptionWordsOfParityAndFlow) {
    const struct {
        const char *word;
        std::optional<Parity> parity;
        const char *shown;
    } parities[] = {{"none", Parity::None, "нет"},    {"even", Parity::Even, "чёт"},      {"odd", Parity::Odd, "нечёт"},
                    {"mark", Parity::Mark, "маркер"}, {"space", Parity::Space, "пробел"}, {"EVEN", std::nullopt, ""},
                    {"e", std::nullopt, ""}};
    for (const auto &c : parities) {
        EXPECT_EQ(core::parityFromOption(c.word), c.parity) << c.word;
        if (c.parity) {
            EXPECT_EQ(core::parityName(*c.parity), QString::fromUtf8(c.shown));
        }
    }
    const struct {
        const char *word;
        std::optional<FlowControl> flow;
        const char *shown;
    } flows[] = {{"none", FlowControl::None, "нет"},
                 {"rtscts", FlowControl::RtsCts, "RTS/CTS"},
                 {"xonxoff", FlowControl::XonXoff, "XON/XOFF"},
                 {"hardware", std::nullopt, ""}};
    for (const auto &c : flows) {
        EXPECT_EQ(core::flowFromOption(c.word), c.flow) << c.word;
        if (c.flow) {
            EXPECT_EQ(core::flowName(*c.flow), QString::fromUtf8(c.shown));
        }
    }
}

TEST(LineSettings, ARateIsAPositiveInteger) {
    const std::pair<const char *, std::optional<qint32>> cases[] = {
        {"31250", 31250},        {" 74880 ", 74880},       {"4000000", 4000000}, {"0", std::nullopt},
        {"-9600", std::nullopt}, {"9600.5", std::nullopt}, {"", std::nullopt},   {"9k6", std::nullopt}};
    for (const auto &[text, rate] : cases)
        EXPECT_EQ(core::parseBaudRate(text), rate) << text;
}
