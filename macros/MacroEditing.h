#pragma once

#include "macros/MacroStore.h"

#include <QString>

#include <array>
#include <optional>

// Editor mode of the macro area, the description panel and the macro editor
// dialog: their fixed texts and rules, without widgets.
namespace macros {

// The caption of the editor-mode toggle.
QString toggleCaption(bool editorMode);

// The description panel's text from startup until the first description is
// shown, line by line.
extern const std::array<QString, MacroStore::kDescriptionLines> kDefaultHelp;

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

} // namespace macros
