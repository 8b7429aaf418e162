#include "macros/MacroEditing.h"
#include "macros/MacroListView.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using macroview::Step;

namespace {

struct StepCase {
    const char *what;
    Step (*rule)(int);
    int from;
    int list;
    bool moved;
    std::optional<bool> decEnabled, incEnabled;
};

} // namespace

TEST(MacroListView, SteppingAndChoosingStopAndDisableAtTheEnds) {
    const StepCase cases[] = {
        {">>>>> from 1", macroview::stepForward, 1, 2, true, true, std::nullopt},
        {">>>>> from 99", macroview::stepForward, 99, 100, true, true, false},
        {">>>>> from 100", macroview::stepForward, 100, 100, false, true, std::nullopt},
        {"<<<<< from 100", macroview::stepBack, 100, 99, true, std::nullopt, true},
        {"<<<<< from 2", macroview::stepBack, 2, 1, true, false, true},
        {"<<<<< from 1", macroview::stepBack, 1, 1, false, std::nullopt, true},
        {"entry 0", macroview::choose, 0, 1, true, false, true},
        {"entry 49", macroview::choose, 49, 50, true, true, true},
        {"entry 98", macroview::choose, 98, 99, true, true, true},
        {"entry 99", macroview::choose, 99, 100, true, true, false},
    };
    for (const StepCase &c : cases) {
        SCOPED_TRACE(c.what);
        const Step step = c.rule(c.from);
        EXPECT_EQ(step.list, c.list);
        EXPECT_EQ(step.moved, c.moved);
        EXPECT_EQ(step.decEnabled, c.decEnabled);
        EXPECT_EQ(step.incEnabled, c.incEnabled);
    }
}

TEST(MacroListView, ViewsShowOneFieldAndHintTheOther) {
    MacroStore store;
    store.setName(3, 9, QStringLiteral("Reset"));
    store.setCommand(3, 9, QStringLiteral("ATZ$0D"));
    store.setCommand(3, 10, QStringLiteral("only a command"));
    struct {
        macroview::View view;
        int macro;
        QString caption, hint;
        bool bold;
        int limit;
    } const cases[] = {
        {macroview::View::Names, 9, "Reset", "ATZ$0D", true, 50},
        {macroview::View::Commands, 9, "ATZ$0D", "Reset", false, 250},
        {macroview::View::Names, 10, "", "only a command", true, 50},
    };
    for (const auto &c : cases) {
        const macroview::Face face = macroview::faceOf(store, c.view, 3, c.macro);
        EXPECT_EQ(face.caption, c.caption);
        EXPECT_EQ(face.hint, c.hint);
        EXPECT_EQ(face.bold, c.bold);
        EXPECT_EQ(macroview::editLimit(c.view), c.limit);
    }
    EXPECT_EQ(macroview::defaultListName(7), "[7]");
    EXPECT_EQ(macroview::defaultListName(100), "[100]");
}

TEST(MacroListView, LongStoredTextsKeepTheirLength) {
    const int cases[][3] = {{50, 0, 50}, {50, 50, 50}, {50, 51, 51}, {250, 251, 251}};
    for (const auto &c : cases)
        EXPECT_EQ(macroview::limitKeepingText(c[0], c[1]), c[2]);
}

TEST(MacroEditing, EnterWalksForwardAndBackspaceBack) {
    using namespace macroediting;
    const struct {
        int field;
        std::optional<int> enter, backspace;
    } cases[] = {
        {CmdName, CmdData, std::nullopt},
        {CmdData, FirstLine, CmdName},
        {FirstLine, FirstLine + 1, CmdData},
        {FirstLine + 5, FirstLine + 6, FirstLine + 4},
        {LastLine, std::nullopt, LastLine - 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(enterTarget(c.field), c.enter);
        EXPECT_EQ(backspaceTarget(c.field), c.backspace);
    }
    EXPECT_EQ(fieldWidth(500, 361, 369), 492);
    EXPECT_EQ(fieldWidth(369, 361, 369), 361);
}
