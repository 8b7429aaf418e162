#include "macros/MacroListView.h"

#include <algorithm>

namespace macros {

Face faceOf(const MacroStore &store, View view, int list, int macro) {
    const QString name = store.name(list, macro);
    const QString command = store.command(list, macro);
    if (view == View::Names)
        return {name, command, true};
    return {command, name, false};
}

MacroStore::Field editedField(View view) {
    return view == View::Names ? MacroStore::Field::Name : MacroStore::Field::Command;
}

int editLimit(MacroStore::Field field) { return MacroStore::capacity(field) - 1; }

int editLimit(View view) { return editLimit(editedField(view)); }

int limitKeepingText(int limit, int textLength) { return std::max(limit, textLength); }

QString defaultListName(int list) { return QStringLiteral("[%1]").arg(list); }

Step stepForward(int list) {
    if (list >= MacroStore::kLists)
        return {list, false, true, std::nullopt};
    const int next = list + 1;
    return {next, true, true, next == MacroStore::kLists ? std::optional<bool>(false) : std::nullopt};
}

Step stepBack(int list) {
    if (list <= 1)
        return {list, false, std::nullopt, true};
    const int previous = list - 1;
    return {previous, true, previous == 1 ? std::optional<bool>(false) : std::nullopt, true};
}

Step choose(int entryIndex) {
    const int list = std::clamp(entryIndex + 1, 1, MacroStore::kLists);
    return {list, true, list > 1, list < MacroStore::kLists};
}

} // namespace macros
