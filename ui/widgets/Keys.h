#pragma once

#include <Qt>

namespace ui {

// Either Enter key: the main keyboard's and the keypad's.
inline bool isEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

} // namespace ui
