#include "ui/window/WindowLayout.h"

#include "ui/window/MacroGrid.h"

#include <algorithm>
#include <array>

namespace ui {

namespace windowlayout {
namespace {

// Blocks that span the window: they all take the top bar's width.
const QStringList kBlocks{"Panel1", "LogPanel", "MainPanel", "MainWindow", "SecondWindow"};

// Controls that take up the whole change of width.
const QStringList kStretching{"STLog", "MainStrCmd", "STListName", "ListNameEDT", "CBLists"};

// Controls that move with the right edge, keeping their width.
QStringList movingControls() {
    QStringList names{"FiltrLog",       "Srift",      "BTPalitra", "BTLog",   "StartLog",   "StartStop",
                      "BtInfo",         "SendStart",  "LPlus",     "SaveF",   "Str1",       "Str2",
                      "AddStrCmd",      "ListInc",    "ListDec",   "DelList", "EditAllCmd", "OldCommandsBT",
                      "ButtonReadFile", "ButtonSend", "RBName",    "RbData"};
    for (int j = 1; j <= macrogrid::kDescriptionLines; ++j)
        names.append(QStringLiteral("STH%1").arg(j));
    return names;
}

// The macro grid shares the change in units of a seventh: columns 1 to 5 take
// one unit each, the wide column 6 two.
constexpr std::array<int, macrogrid::kColumns> kColumnUnits{1, 1, 1, 1, 1, 2};
constexpr int kGridUnits = 7;

// The statistics panel is aligned to the right edge of the log bar.
const QString kRightAligned = QStringLiteral("PStats");
const QString kRightAlignedParent = QStringLiteral("LogPanel");

QString buttonName(int k) { return QStringLiteral("Button%1").arg(k); }
QString editName(int k) { return QStringLiteral("Edit%1").arg(k); }

} // namespace

const QStringList &placedControls() {
    static const QStringList names = [] {
        QStringList all = kBlocks + kStretching + movingControls();
        all << "StaticText3"
            << "FastOldCmd"
            << "OldCmdList"
            << "LBTail"
            << "StaticText1" << kRightAligned;
        for (int k = 1; k <= macrogrid::kMacroCount; ++k)
            all << buttonName(k) << editName(k);
        return all;
    }();
    return names;
}

Arrangement arrange(const StartupLayout &startup, int outerWidth, bool fileSendMode) {
    const int dw = outerWidth - startup.StartupWidth;
    const int unit = dw / kGridUnits; // integer division truncates toward zero

    Arrangement placed = startup.spans;
    const auto from = [&](const QString &name) { return startup.spans.value(name); };
    const auto put = [&](const QString &name, int left, int width) { placed[name] = Span{left, std::max(0, width)}; };
    const auto now = [&](const QString &name) { return placed.value(name); };

    const int blockWidth = from("Panel1").width + dw;
    for (const QString &name : kBlocks)
        put(name, from(name).left, blockWidth);
    for (const QString &name : kStretching)
        put(name, from(name).left, from(name).width + dw);
    for (const QString &name : movingControls())
        put(name, from(name).left + dw, from(name).width);

    put("FastOldCmd", from("FastOldCmd").left, now("MainStrCmd").width);
    const Span tail = now("AddStrCmd");
    // The history list reaches from the log's left edge to the tail line's
    // right edge.
    put("OldCmdList", now("MainWindow").left, tail.left + tail.width);
    put("LBTail", tail.left, from("LBTail").width);
    if (fileSendMode)
        put("STListName", now("STListName").left, now("STListName").left + now("ButtonReadFile").left - 20);

    for (int k = 1; k <= macrogrid::kMacroCount; ++k) {
        const int col = macrogrid::column(k);
        int unitsBefore = 0;
        for (int c = 0; c < col; ++c)
            unitsBefore += kColumnUnits[c];
        const Span design = from(buttonName(k));
        put(buttonName(k), design.left + unit * unitsBefore, design.width + unit * kColumnUnits[col]);
        placed[editName(k)] = now(buttonName(k));
    }

    // The editor-mode banner reaches to the grid's right edge.
    const Span lastColumn = now(buttonName(macrogrid::kMacroCount - macrogrid::kRows + 1));
    put("StaticText1", now("MainStrCmd").left, lastColumn.left + lastColumn.width);
    put("StaticText3", tail.left, from("StaticText3").width);

    const Span statistics = from(kRightAligned);
    put(kRightAligned, now(kRightAlignedParent).width - statistics.width, statistics.width);
    return placed;
}

} // namespace windowlayout

} // namespace ui
