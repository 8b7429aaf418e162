#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace ui {

// Where the main window's controls go when the window's width changes. The
// rule works only from the arrangement recorded at startup and the new width,
// never from the previous arrangement, so any sequence of resizes ends in the
// same arrangement for the same width. Heights and tops are not its business:
// the window anchors those.
namespace windowlayout {

// The frame the window system draws around a window's client area, as the
// windows were designed (main window: outer 960 x 797 around a client area of
// 952 x 770). Qt sizes a top-level window by its client area, and window
// managers differ in the frames they add (the offscreen platform adds none),
// so the outer width is always taken as client width plus this allowance.
// The rule only uses differences from the startup width, so the allowance
// cancels out there; it keeps the widths in the design's own terms.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 27;

constexpr int outerWidth(int clientWidth) { return clientWidth + kFrameWidth; }

// A control's left edge and width, relative to its parent.
struct Span {
    int left = 0;
    int width = 0;
    friend bool operator==(const Span &, const Span &) = default;
};

// What the rule does with a control when the window's width changes. The
// controls others line up with have a rule of their own, each given to one
// control.
enum class Rule {
    TopBar,          // the top bar: spans the window; the other blocks take its width
    Block,           // spans the window as the top bar does
    LogMemo,         // the log memo: a block; the history list starts at its left edge
    LogBar,          // the log's bar: a block; the statistics keep to its right edge
    Stretch,         // takes up the whole change of width
    CommandLine,     // stretches; the history drop-down and the editor banner follow it
    ListCaption,     // stretches; with a command file it reaches to the file button
    MoveRight,       // moves with the right edge, keeping its width
    TailLine,        // moves; the tail list and its caption line up under it
    FileButton,      // the command file's button: moves
    HistoryDropDown, // as wide as the command line
    HistoryList,     // from the log memo's left edge to the tail line's right edge
    UnderTailLine,   // at the tail line's left edge, keeping its width
    EditorBanner,    // from the command line's left edge to the macro grid's right edge
    Statistics,      // at the log bar's right edge
    MacroButton,     // macro button `index` (1..48): its column's share of the change
    MacroEdit,       // macro edit `index`, lying over its button
};

// A control's place in the rule: its rule and, in the macro grid, its number.
struct Slot {
    Rule rule = Rule::MoveRight;
    int index = 0;
    friend bool operator==(const Slot &, const Slot &) = default;
};

struct Placed {
    Slot slot;
    Span span;
};

// The one table of the placed controls: each widget with its slot. The
// window builds it once from its controls, so a control renamed in the
// design fails to compile and a new one is placed where it is listed.
struct Placement {
    QWidget *widget = nullptr;
    Slot slot;
};

struct StartupLayout {
    int StartupWidth = 0;   // outer width of the window at startup
    QList<Placed> controls; // every placed control with its startup span
};

// The lefts and widths of the startup's controls, in its order, at the given
// outer width. Widths that would fall below zero are zero. fileSendMode: a
// command file is shown in the list-name caption, which then reaches to the
// file button.
QList<Span> arrange(const StartupLayout &startup, int outerWidth, bool fileSendMode);

// What is wrong with a table of placed controls: a widget missing or given
// twice, a rule others line up with given to none or to more than one, a
// macro number missing or twice. Empty when nothing is.
QString tableFault(const QList<Placement> &table);

} // namespace windowlayout

} // namespace ui
