#include "ui/MacroGrid.h"

namespace macrogrid {

QRect designRect(int k) {
    const int column = (k - 1) / kRows;
    const int row = (k - 1) % kRows;
    const int width = column == 5 ? 201 : 89;
    return QRect(8 + 88 * column, 72 + 24 * row, width, 25);
}

} // namespace macrogrid
