#include "window/TerminalFixture.h"

#include "ui/window/MacroGrid.h"
#include "ui/window/TForm1.h"
#include "ui/window/WindowArrangement.h"
#include "ui/window/WindowLayout.h"

#include <QRandomGenerator>

#include <functional>

using ui::windowlayout::Rule;
using ui::windowlayout::Slot;
using ui::windowlayout::Span;

TEST(LayoutRule, PlacesEachControlFromTheStartupArrangement) {
    // The design spans the cases look at, in a window 960 wide outside.
    ui::windowlayout::StartupLayout startup{960,
                                            {{{Rule::TopBar}, {4, 937}},
                                             {{Rule::Statistics}, {669, 268}},
                                             {{Rule::CommandLine}, {8, 641}},
                                             {{Rule::ListCaption}, {8, 289}},
                                             {{Rule::TailLine}, {668, 261}},
                                             {{Rule::FileButton}, {564, 85}},
                                             {{Rule::MoveRight}, {800, 129}},     // ButtonSend
                                             {{Rule::UnderTailLine}, {668, 261}}, // StaticText3
                                             {{Rule::LogMemo}, {4, 937}},
                                             {{Rule::HistoryDropDown}, {8, 641}},
                                             {{Rule::HistoryList}, {}},
                                             {{Rule::EditorBanner}, {}}}};
    for (int k = 1; k <= ui::macrogrid::kMacroCount; ++k) {
        const QRect place = ui::macrogrid::designRect(k);
        startup.controls.append({{Rule::MacroButton, k}, Span{place.x(), place.width()}});
        startup.controls.append({{Rule::MacroEdit, k}, Span{}});
    }
    const auto spanOf = [&](const QList<Span> &placed, Slot slot) {
        for (qsizetype i = 0; i < startup.controls.size(); ++i)
            if (startup.controls[i].slot == slot)
                return placed[i];
        return Span{-1, -1};
    };
    const struct {
        int dw;
        bool fileSendMode;
        const char *control;
        Slot slot;
        Span expected;
    } cases[] = {
        {0, false, "OldCmdList", {Rule::HistoryList}, {4, 929}},
        {0, false, "StaticText1", {Rule::EditorBanner}, {8, 649}},
        {70, false, "Button9", {Rule::MacroButton, 9}, {106, 99}},
        {70, false, "Button40", {Rule::MacroButton, 40}, {400, 99}},
        {70, false, "Edit41", {Rule::MacroEdit, 41}, {498, 221}},
        {70, false, "ButtonSend", {Rule::MoveRight}, {870, 129}},
        {70, false, "StaticText3", {Rule::UnderTailLine}, {738, 261}},
        {70, false, "FastOldCmd", {Rule::HistoryDropDown}, {8, 711}},
        {70, false, "PStats", {Rule::Statistics}, {739, 268}},
        {6, false, "Button48", {Rule::MacroButton, 48}, {448, 201}},
        {6, false, "AddStrCmd", {Rule::TailLine}, {674, 261}},
        {-10, false, "Button9", {Rule::MacroButton, 9}, {95, 88}},
        {-10, false, "Button48", {Rule::MacroButton, 48}, {443, 199}},
        {-10, false, "STListName", {Rule::ListCaption}, {8, 279}},
        {-860, false, "Button41", {Rule::MacroButton, 41}, {-162, 0}},
        {-860, false, "MainStrCmd", {Rule::CommandLine}, {8, 0}},
        {-860, false, "OldCmdList", {Rule::HistoryList}, {4, 69}},
        {0, true, "STListName", {Rule::ListCaption}, {8, 552}},
        {70, true, "STListName", {Rule::ListCaption}, {8, 622}},
        {-600, true, "STListName", {Rule::ListCaption}, {8, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(spanOf(ui::windowlayout::arrange(startup, 960 + c.dw, c.fileSendMode), c.slot), c.expected)
            << c.control << " at " << c.dw;
}

TEST(LayoutRule, ATableLeavingOutOrRepeatingAControlIsFaulty) {
    QWidget a, b, c;
    QList<ui::windowlayout::Placement> whole;
    for (const Rule rule :
         {Rule::TopBar, Rule::LogMemo, Rule::LogBar, Rule::CommandLine, Rule::ListCaption, Rule::TailLine,
          Rule::FileButton, Rule::HistoryDropDown, Rule::HistoryList, Rule::EditorBanner, Rule::Statistics})
        whole.append({new QWidget(&a), {rule}});
    for (int k = 1; k <= ui::macrogrid::kMacroCount; ++k) {
        whole.append({new QWidget(&a), {Rule::MacroButton, k}});
        whole.append({new QWidget(&a), {Rule::MacroEdit, k}});
    }
    EXPECT_EQ(ui::windowlayout::tableFault(whole), QString());
    const struct {
        const char *name;
        std::function<void(QList<ui::windowlayout::Placement> &)> spoil;
    } cases[] = {
        {"no widget",
         [](auto &table) {
             table.append({nullptr, {Rule::MoveRight}});
         }},
        {"one widget twice",
         [&](auto &table) {
             table.append({table[0].widget, {Rule::MoveRight}});
         }},
        {"a second command line",
         [&](auto &table) {
             table.append({&b, {Rule::CommandLine}});
         }},
        {"no tail line", [](auto &table) { table.removeAt(5); }},
        {"macro 48 twice",
         [&](auto &table) {
             table.append({&c, {Rule::MacroEdit, 48}});
         }},
        {"no macro button 1", [](auto &table) { table.removeAt(11); }},
    };
    for (const auto &spoilt : cases) {
        QList<ui::windowlayout::Placement> table = whole;
        spoilt.spoil(table);
        EXPECT_NE(ui::windowlayout::tableFault(table), QString()) << spoilt.name;
    }
}

class LayoutWindow : public TerminalFixture {
protected:
    QMap<QString, QRect> placed() {
        QMap<QString, QRect> geometry;
        for (const ui::windowlayout::Placement &entry : form().findChild<ui::WindowArrangement *>()->placed())
            geometry.insert(entry.widget->objectName(), entry.widget->geometry());
        return geometry;
    }
    bool resizedTo(int width, int height = 770) {
        form().resize(width, height);
        return waitUntil([&] { return form().size() == QSize(width, height); });
    }
};

TEST_F(LayoutWindow, ResizesFollowTheRuleAndEndInTheArrangementOfTheLastWidth) {
    start();
    const QMap<QString, QRect> designed = placed();
    ASSERT_TRUE(resizedTo(952, 870));
    for (auto [name, after] : placed().asKeyValueRange())
        EXPECT_EQ(QPair(after.x(), after.width()), QPair(designed[name].x(), designed[name].width()))
            << name.toStdString();
    EXPECT_EQ(find("MainPanel")->y(), 459 + 100);

    ASSERT_TRUE(resizedTo(952 + 70));
    EXPECT_EQ(find("AddStrCmd")->geometry(), QRect(738, 6, 261, 19));
    EXPECT_EQ(find("Button9")->geometry(), QRect(106, 72, 99, 25));
    const QMap<QString, QRect> direct = placed();
    QRandomGenerator random(7);
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(resizedTo(random.bounded(120, 1600)));
    ASSERT_TRUE(resizedTo(952 + 70));
    EXPECT_EQ(placed(), direct);

    ASSERT_TRUE(resizedTo(952));
    form().showMaximized();
    ASSERT_TRUE(waitUntil([&] { return form().isMaximized() && form().width() != 952; }));
    form().showNormal();
    ASSERT_TRUE(waitUntil([&] { return form().size() == QSize(952, 770); }));
    EXPECT_EQ(placed(), designed);
}

TEST_F(LayoutWindow, TheWindowsTableGivesEveryPlacedControlItsRuleOnce) {
    start();
    const QList<ui::windowlayout::Placement> &table = form().findChild<ui::WindowArrangement *>()->placed();
    EXPECT_EQ(ui::windowlayout::tableFault(table), QString());
    QSet<QString> names;
    for (const ui::windowlayout::Placement &entry : table)
        names.insert(entry.widget->objectName());
    EXPECT_EQ(names.size(), table.size()) << "each a control of its own name";
}
