#pragma once

#include "macros/MacroStore.h"

#include <QRect>

// The design place of macro button k (1..48) and of edit k, which lies
// exactly over it: six columns of eight, numbered down the columns.
namespace macrogrid {

constexpr int kMacroCount = MacroStore::kMacros;
constexpr int kRows = 8;
constexpr int kColumns = kMacroCount / kRows;

// 0-based column of button k.
constexpr int column(int k) { return (k - 1) / kRows; }

QRect designRect(int k);

} // namespace macrogrid
