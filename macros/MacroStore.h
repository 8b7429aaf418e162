#pragma once

#include <QtGlobal>

// The 100 macro lists as the exact image of the file that keeps them: 100
// fixed-size records, each a list name, 48 command strings, 48 command names,
// 48 descriptions of 12 lines, and a record signature.
class MacroStore {
public:
    static constexpr int kLists = 100;
    static constexpr int kMacros = 48;
    static constexpr int kDescriptionLines = 12;
    static constexpr qsizetype kRecordSize = 102580;
};
