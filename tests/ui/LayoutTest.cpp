#include "window/TerminalFixture.h"

#include "ui/window/MacroGrid.h"
#include "ui/window/TForm1.h"
#include "ui/window/WindowLayout.h"

#include <QRandomGenerator>

using ui::windowlayout::Span;

TEST(LayoutRule, PlacesEachControlFromTheStartupArrangement) {
    // The design spans the cases look at, in a window 960 wide outside.
    ui::windowlayout::StartupLayout startup{960,
                                            {{"Panel1", {4, 937}},
                                             {"PStats", {669, 268}},
                                             {"MainStrCmd", {8, 641}},
                                             {"STListName", {8, 289}},
                                             {"AddStrCmd", {668, 261}},
                                             {"ButtonReadFile", {564, 85}},
                                             {"ButtonSend", {800, 129}},
                                             {"StaticText3", {668, 261}},
                                             {"MainWindow", {4, 937}},
                                             {"FastOldCmd", {8, 641}}}};
    for (int k = 1; k <= ui::macrogrid::kMacroCount; ++k) {
        const QRect place = ui::macrogrid::designRect(k);
        startup.spans.insert(QStringLiteral("Button%1").arg(k), {place.x(), place.width()});
    }
    const struct {
        int dw;
        bool fileSendMode;
        const char *control;
        Span expected;
    } cases[] = {
        {0, false, "OldCmdList", {4, 929}},     {0, false, "StaticText1", {8, 649}},
        {70, false, "Button9", {106, 99}},      {70, false, "Button40", {400, 99}},
        {70, false, "Edit41", {498, 221}},      {70, false, "ButtonSend", {870, 129}},
        {70, false, "StaticText3", {738, 261}}, {70, false, "FastOldCmd", {8, 711}},
        {70, false, "PStats", {739, 268}},      {6, false, "Button48", {448, 201}},
        {6, false, "AddStrCmd", {674, 261}},    {-10, false, "Button9", {95, 88}},
        {-10, false, "Button48", {443, 199}},   {-10, false, "STListName", {8, 279}},
        {-860, false, "Button41", {-162, 0}},   {-860, false, "MainStrCmd", {8, 0}},
        {-860, false, "OldCmdList", {4, 69}},   {0, true, "STListName", {8, 552}},
        {70, true, "STListName", {8, 622}},     {-600, true, "STListName", {8, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ui::windowlayout::arrange(startup, 960 + c.dw, c.fileSendMode).value(c.control), c.expected)
            << c.control << " at " << c.dw;
}

class LayoutWindow : public TerminalFixture {
protected:
    QMap<QString, QRect> placed() {
        QMap<QString, QRect> geometry;
        for (const QString &name : ui::windowlayout::placedControls())
            geometry.insert(name, find(name)->geometry());
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
