#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

#include <array>

namespace ui {

// The user's appearance controls: the colour cycle of the log and command
// fields and the font size of the log.
namespace appearance {

// The colours that carry state: lime for connected and for the macro being
// edited, red for a lost connection, yellow for a failing reconnection and
// for a packet gap other than 0.
inline const QColor kLime(0, 255, 0);
inline const QColor kRed(255, 0, 0);
inline const QColor kYellow(255, 255, 0);
// Text on those colours where a control is disabled.
inline const QColor kTextOnStateColour(32, 32, 32);

// A disabled control whose value the user still reads (the line settings
// while connected): its text a little lighter than when enabled, not the
// platform's faint grey.
void keepReadableWhenDisabled(QWidget &control);

// The platform's named colours that the windows use.
enum class SystemColour { ButtonFace, InactiveBorder, MenuBar, Window, WindowText };

// Where each named colour is found in a Qt palette. Qt's own Windows theme
// fills these roles from the same system colours (button face -> Button,
// window -> Base, window text -> WindowText). The two the theme has no role
// for take the nearest: the inactive window border is a frame colour, the
// light bevel Midlight; the menu bar is painted in the Window colour.
struct SystemColourRole {
    SystemColour colour;
    QPalette::ColorRole role;
};
constexpr std::array<SystemColourRole, 5> kSystemColourRoles{{
    {SystemColour::ButtonFace, QPalette::Button},
    {SystemColour::InactiveBorder, QPalette::Midlight},
    {SystemColour::MenuBar, QPalette::Window},
    {SystemColour::Window, QPalette::Base},
    {SystemColour::WindowText, QPalette::WindowText},
}};

// A colour of the cycle: a named system colour, or a fixed one.
struct Colour {
    bool named;
    SystemColour system;
    QRgb fixed;
};
constexpr Colour named(SystemColour system) { return {true, system, 0}; }
constexpr Colour fixed(int red, int green, int blue) { return {false, SystemColour::Window, qRgb(red, green, blue)}; }

struct Scheme {
    Colour background;
    Colour text;
    int next; // the colour step after applying this row
};

// The cycle, by colour step: each click applies the row of the current step
// and goes on to the row's next step.
constexpr std::array<Scheme, 6> kColourCycle{{
    {named(SystemColour::InactiveBorder), named(SystemColour::WindowText), 1},
    {named(SystemColour::MenuBar), named(SystemColour::WindowText), 2},
    {fixed(0, 255, 255), named(SystemColour::WindowText), 3},
    {fixed(0, 0, 0), fixed(0, 255, 0), 4},
    {fixed(255, 0, 0), fixed(0, 0, 255), 5},
    {named(SystemColour::Window), named(SystemColour::WindowText), 0},
}};

// The row for a colour step; a step outside the cycle counts as the first.
const Scheme &colourScheme(int step);

// The colour in the running style's palette.
QColor resolve(const Colour &colour, const QPalette &style);

// A field in the cycle's colours: its background and text. A list's or
// memo's field is its viewport, which, once the window is styled, no longer
// takes palette changes from its frame, so that is painted too.
void paintField(QWidget *field, const QColor &background, const QColor &text);
// A field drawn in its window's face colour, as the fields are at start.
void paintInWindowColour(QWidget *field);

// The log's font size in points, and one step of it in a direction (+1 up,
// -1 down), kept within its bounds.
constexpr int kMinFontSize = 2;
constexpr int kMaxFontSize = 100;
int nextFontSize(int size, int direction);

} // namespace appearance

} // namespace ui
