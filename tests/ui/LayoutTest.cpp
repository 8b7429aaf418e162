#include "window/TerminalFixture.h"

#include "ui/MacroGrid.h"
#include "ui/TForm1.h"
#include "ui/WindowLayout.h"

#include <QRandomGenerator>

using windowlayout::Span;

namespace {

// The design arrangement of the controls the cases look at; the window is
// 960 wide outside.
windowlayout::StartupLayout design() {
    windowlayout::StartupLayout startup{960, {}};
    const std::pair<const char *, Span> spans[] = {
        {"Panel1", {4, 937}},       {"MainWindow", {4, 937}},       {"PStats", {669, 268}},
        {"MainStrCmd", {8, 641}},   {"STListName", {8, 289}},       {"CBLists", {8, 289}},
        {"AddStrCmd", {668, 261}},  {"ButtonReadFile", {564, 85}},  {"ButtonSend", {800, 129}},
        {"STH12", {668, 261}},      {"BtInfo", {884, 53}},          {"StaticText3", {668, 261}},
        {"FastOldCmd", {8, 641}},   {"OldCmdList", {8, 877}},       {"LBTail", {668, 261}},
        {"StaticText1", {8, 641}},
    };
    for (const auto &[name, span] : spans)
        startup.spans.insert(name, span);
    for (int k = 1; k <= macrogrid::kMacroCount; ++k) {
        const QRect place = macrogrid::designRect(k);
        startup.spans.insert(QStringLiteral("Button%1").arg(k), {place.x(), place.width()});
    }
    return startup;
}

struct RuleCase {
    int dw;
    bool fileSendMode;
    const char *control;
    Span expected;
};

} // namespace

TEST(LayoutRule, PlacesEachControlFromTheStartupArrangement) {
    const RuleCase cases[] = {
        // At the startup width the history list and the banner take their
        // rule places (the tail line's and the grid's right edges).
        {0, false, "OldCmdList", {4, 929}},
        {0, false, "StaticText1", {8, 649}},
        // 70 wider: seven units of 10.
        {70, false, "Button1", {8, 99}},
        {70, false, "Button9", {106, 99}},
        {70, false, "Button17", {204, 99}},
        {70, false, "Button25", {302, 99}},
        {70, false, "Button40", {400, 99}},
        {70, false, "Button41", {498, 221}},
        {70, false, "Edit41", {498, 221}},
        {70, false, "AddStrCmd", {738, 261}},
        {70, false, "STH12", {738, 261}},
        {70, false, "ButtonSend", {870, 129}},
        {70, false, "BtInfo", {954, 53}},
        {70, false, "MainStrCmd", {8, 711}},
        {70, false, "FastOldCmd", {8, 711}},
        {70, false, "MainWindow", {4, 1007}},
        {70, false, "PStats", {739, 268}},
        {70, false, "OldCmdList", {4, 999}},
        {70, false, "LBTail", {738, 261}},
        {70, false, "StaticText1", {8, 719}},
        {70, false, "StaticText3", {738, 261}},
        {70, false, "STListName", {8, 359}},
        // 6 wider: not a whole unit, the grid stays.
        {6, false, "Button9", {96, 89}},
        {6, false, "Button48", {448, 201}},
        {6, false, "AddStrCmd", {674, 261}},
        {6, false, "CBLists", {8, 295}},
        // 10 narrower: -10 / 7 is -1, truncated toward zero.
        {-10, false, "Button1", {8, 88}},
        {-10, false, "Button9", {95, 88}},
        {-10, false, "Button33", {356, 88}},
        {-10, false, "Button48", {443, 199}},
        {-10, false, "AddStrCmd", {658, 261}},
        // Very narrow: widths stop at zero, lefts may leave the window.
        {-860, false, "MainStrCmd", {8, 0}},
        {-860, false, "Button1", {8, 0}},
        {-860, false, "Button41", {-162, 0}},
        {-860, false, "StaticText1", {8, 0}},
        {-860, false, "Panel1", {4, 77}},
        {-860, false, "OldCmdList", {4, 69}},
        {-860, false, "PStats", {-191, 268}},
        // A command file shown: the caption reaches to the file button.
        {0, true, "STListName", {8, 552}},
        {70, true, "STListName", {8, 622}},
        {-100, true, "STListName", {8, 452}},
        {-600, true, "STListName", {8, 0}},
    };
    const windowlayout::StartupLayout startup = design();
    for (const RuleCase &c : cases) {
        const Span placed = windowlayout::arrange(startup, 960 + c.dw, c.fileSendMode).value(c.control);
        EXPECT_EQ(placed.left, c.expected.left) << c.control << " at " << c.dw;
        EXPECT_EQ(placed.width, c.expected.width) << c.control << " at " << c.dw;
    }
}

TEST(LayoutRule, GridKeepsItsGapToTheTailLineAndNoWidthIsNegative) {
    const windowlayout::StartupLayout startup = design();
    for (int dw = -960; dw <= 1000; dw += 13) {
        const windowlayout::Arrangement placed = windowlayout::arrange(startup, 960 + dw, false);
        for (auto entry = placed.cbegin(); entry != placed.cend(); ++entry)
            EXPECT_GE(entry.value().width, 0) << entry.key().toStdString() << " at " << dw;
        if (dw < -300)
            continue;
        const Span grid = placed.value("Button41");
        const int gap = placed.value("AddStrCmd").left - (grid.left + grid.width);
        EXPECT_TRUE(gap >= 13 && gap <= 25) << "gap " << gap << " at " << dw;
    }
}

namespace {

// Left and width of every placed control, as the window shows them.
QMap<QString, QRect> placedGeometry(TForm1 &form) {
    QMap<QString, QRect> geometry;
    for (const QString &name : windowlayout::placedControls())
        geometry.insert(name, form.findChild<QWidget *>(name)->geometry());
    return geometry;
}

bool resizedTo(TForm1 &form, QSize size) {
    form.resize(size);
    return waitUntil([&] { return form.size() == size; });
}

} // namespace

using LayoutWindow = TerminalFixture;

TEST_F(LayoutWindow, WiderWindowMovesTheTailLineAndTheGrid) {
    start();
    ASSERT_TRUE(resizedTo(form(), QSize(952 + 70, 770)));
    EXPECT_EQ(find("AddStrCmd")->geometry(), QRect(738, 6, 261, 19));
    EXPECT_EQ(find("Button9")->geometry(), QRect(106, 72, 99, 25));
    EXPECT_EQ(find("Edit48")->geometry(), QRect(498, 240, 221, 25));
    // The hidden file list is placed too.
    EXPECT_EQ(find("OldCmdList")->geometry().width(), 999);
}

TEST_F(LayoutWindow, HeightAloneMovesNoLeftOrWidth) {
    start();
    const QMap<QString, QRect> before = placedGeometry(form());
    const int panelTop = find("MainPanel")->y();
    ASSERT_TRUE(resizedTo(form(), QSize(952, 870)));
    const QMap<QString, QRect> after = placedGeometry(form());
    for (const QString &name : windowlayout::placedControls()) {
        EXPECT_EQ(after[name].x(), before[name].x()) << name.toStdString();
        EXPECT_EQ(after[name].width(), before[name].width()) << name.toStdString();
    }
    EXPECT_EQ(find("MainPanel")->y(), panelTop + 100);
    EXPECT_EQ(find("LogPanel")->geometry().bottom() + 1, panelTop + 100);
}

TEST_F(LayoutWindow, AnyResizesEndInTheArrangementOfTheLastWidth) {
    start();
    const QMap<QString, QRect> designed = placedGeometry(form());
    ASSERT_TRUE(resizedTo(form(), QSize(1001, 770)));
    const QMap<QString, QRect> direct = placedGeometry(form());

    QRandomGenerator random(7);
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(resizedTo(form(), QSize(random.bounded(120, 1600), 770)));
    ASSERT_TRUE(resizedTo(form(), QSize(1001, 770)));
    EXPECT_EQ(placedGeometry(form()), direct);

    ASSERT_TRUE(resizedTo(form(), QSize(952, 770)));
    form().showMaximized();
    ASSERT_TRUE(waitUntil([&] { return form().isMaximized() && form().width() != 952; }));
    form().showNormal();
    ASSERT_TRUE(waitUntil([&] { return form().size() == QSize(952, 770); }));
    EXPECT_EQ(placedGeometry(form()), designed);
}
