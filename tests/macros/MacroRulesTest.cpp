#include "macros/MacroEditing.h"
#include "macros/MacroListView.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using std::nullopt;

TEST(MacroListView, SteppingAndChoosingStopAndDisableAtTheEnds) {
    const struct {
        macros::Step (*rule)(int);
        int from, list;
        bool moved;
        std::optional<bool> decEnabled, incEnabled;
    } cases[] = {
        {macros::stepForward, 1, 2, true, true, nullopt},
        {macros::stepForward, 99, 100, true, true, false},
        {macros::stepForward, 100, 100, false, true, nullopt},
        {macros::stepBack, 100, 99, true, nullopt, true},
        {macros::stepBack, 2, 1, true, false, true},
        {macros::stepBack, 1, 1, false, nullopt, true},
        {macros::choose, 0, 1, true, false, true},
        {macros::choose, 49, 50, true, true, true},
        {macros::choose, 99, 100, true, true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.from);
        const macros::Step step = c.rule(c.from);
        EXPECT_EQ(step.list, c.list);
        EXPECT_EQ(step.moved, c.moved);
        EXPECT_EQ(step.decEnabled, c.decEnabled);
        EXPECT_EQ(step.incEnabled, c.incEnabled);
    }
}

TEST(MacroEditing, EnterWalksForwardAndBackspaceBack) {
    using namespace macros;
    const struct {
        int field;
        std::optional<int> enter, backspace;
    } cases[] = {
        {CmdName, CmdData, nullopt},         {CmdData, FirstLine, CmdName},
        {FirstLine, FirstLine + 1, CmdData}, {FirstLine + 5, FirstLine + 6, FirstLine + 4},
        {LastLine, nullopt, LastLine - 1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(enterTarget(c.field), c.enter) << c.field;
        EXPECT_EQ(backspaceTarget(c.field), c.backspace) << c.field;
    }
}

// Editor mode hiding the file button and file mode hiding the editor toggle
// are the window's now: tests/ui/MacrosTest.cpp and SendModesTest.cpp.
TEST(MacroEditing, EditorModeAndFileModeEachHideTheOthersToggle) {
    EXPECT_EQ(macros::editLimit(macros::View::Names), 50);
    EXPECT_EQ(macros::editLimit(macros::View::Commands), 250);
    EXPECT_EQ(macros::editLimit(macros::MacroStore::Field::ListName), 150);
}
