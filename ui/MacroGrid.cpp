#include "ui/MacroGrid.h"

namespace macrogrid {

QRect designRect(int k) {
    const int col = column(k);
    const int row = (k - 1) % kRows;
    const int width = col == kColumns - 1 ? 201 : 89;
    return QRect(8 + 88 * col, 72 + 24 * row, width, 25);
}

} // namespace macrogrid
