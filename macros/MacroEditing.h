#pragma once

#include "macros/MacroStore.h"

#include <QString>

#include <array>
#include <optional>

// Editor mode of the macro area, the description panel and the macro editor
// dialog: their fixed texts and rules, without widgets.
namespace macroediting {

// What entering or leaving editor mode does to a control's visibility.
enum class Visibility { Show, Hide, Keep };

struct ModeControl {
    const char *control; // object name
    Visibility entering;
    Visibility leaving;
};

// Every control of the macro area that editor mode shows or hides, besides
// the 48 buttons and edits (buttons shown outside, edits inside).
extern const std::array<ModeControl, 11> kModeControls;

// What loading a command file (entering) and closing it (leaving) does to the
// controls of the macro area and of sending from a file: the file's lines
// take the place of the list chooser and the view switches.
extern const std::array<ModeControl, 8> kFileModeControls;

// The caption of the editor-mode toggle.
QString toggleCaption(bool editorMode);

// The description panel's text from startup until the first description is
// shown, line by line.
extern const std::array<QString, MacroStore::kDescriptionLines> kDefaultHelp;

// The controls over which moving the pointer empties the description panel.
extern const std::array<const char *, 15> kHelpClearingControls;

// The macro editor's fields in the order Enter walks them: the command name,
// the command string, then the twelve description lines.
enum Field { CmdName = 0, CmdData = 1, FirstLine = 2, LastLine = 13 };
constexpr int kFieldCount = 14;

// Where Enter in a field moves the focus; nothing means the dialog closes.
std::optional<int> enterTarget(int field);
// Where Backspace in an empty field moves the focus; nothing means it stays.
std::optional<int> backspaceTarget(int field);

// The width a field takes when the dialog takes the given width: its design
// distance to the dialog's right edge is kept.
int fieldWidth(int dialogWidth, int designFieldWidth, int designDialogWidth);

} // namespace macroediting
