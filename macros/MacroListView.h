#pragma once

#include "macros/MacroStore.h"

#include <QString>

#include <optional>

// How one list of the store shows on the 48 buttons and edits, and how the
// list stepping buttons behave: rules without widgets.
namespace macros {

// The radio pair: the buttons show command names or command strings.
enum class View { Names, Commands };

// What button k and edit k show.
struct Face {
    QString caption; // the button's caption and the edit's text
    QString hint;    // the other field
    bool bold;
};
Face faceOf(const MacroStore &store, View view, int list, int macro);

// The field an edit stores into, and the length it may be typed to.
MacroStore::Field editedField(View view);
int editLimit(View view);
// An edit takes one character less than the slot it stores into holds.
int editLimit(MacroStore::Field field);

// A text longer than an edit's limit is still shown whole: the limit grows to
// the text's length, so characters can be deleted but none added.
int limitKeepingText(int limit, int textLength);

// The name a list gets when it is shown with an empty name: "[N]".
QString defaultListName(int list);

// The outcome of a list-stepping click or a choice in the list chooser;
// an absent enabled state leaves that button as it is.
struct Step {
    int list;
    bool moved;
    std::optional<bool> decEnabled;
    std::optional<bool> incEnabled;
};
Step stepForward(int list);
Step stepBack(int list);
Step choose(int entryIndex);

} // namespace macros
