#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

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

// Spans by control name.
using Arrangement = QMap<QString, Span>;

// The names of every control the rule places; the window records their spans
// at startup and writes them back on each resize.
const QStringList &placedControls();

struct StartupLayout {
    int StartupWidth = 0; // outer width of the window at startup
    Arrangement spans;    // of every control in placedControls()
};

// The lefts and widths of all placed controls at the given outer width.
// Widths that would fall below zero are zero. fileSendMode: a command file is
// shown in the list-name caption, which then reaches to the file button.
Arrangement arrange(const StartupLayout &startup, int outerWidth, bool fileSendMode);

} // namespace windowlayout

} // namespace ui
