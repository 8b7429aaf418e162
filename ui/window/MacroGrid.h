#pragma once

#include "macros/MacroStore.h"

#include <QRect>

#include <array>

class QLabel;
class QWidget;

namespace ui {

// The design places of the macro area: macro button k (1..48) and edit k,
// which lies exactly over it, in six columns of eight numbered down the
// columns; beside them the description panel, one line per description line.
namespace macrogrid {

constexpr int kMacroCount = macros::MacroStore::kMacros;
constexpr int kRows = 8;
constexpr int kColumns = kMacroCount / kRows;
constexpr int kDescriptionLines = macros::MacroStore::kDescriptionLines;

// 0-based column of button k.
constexpr int column(int k) { return (k - 1) / kRows; }

QRect designRect(int k);

// The design place of description line j (1..12).
QRect descriptionRect(int j);

// Makes the description lines STH1..STH12 on the macro area's panel, in
// order, each tagged with its number, and stacks them under `above`, the
// control that comes next in the panel's drawing order.
std::array<QLabel *, kDescriptionLines> makeDescriptionLines(QWidget *panel, QWidget *above);

} // namespace macrogrid

} // namespace ui
