#include "ui/window/MacroGrid.h"

#include <QLabel>

namespace ui {

namespace macrogrid {
namespace {

// The grid and the description panel start on the same line.
constexpr int kTop = 72;

// The description panel's background (the platform's cream).
constexpr QColor kCream(255, 251, 240);

} // namespace

QRect designRect(int k) {
    const int col = column(k);
    const int row = (k - 1) % kRows;
    const int width = col == kColumns - 1 ? 201 : 89;
    return QRect(8 + 88 * col, kTop + 24 * row, width, 25);
}

// Adjacent lines overlap by one pixel, as the buttons do.
QRect descriptionRect(int j) { return QRect(668, kTop + 16 * (j - 1), 261, 17); }

std::array<QLabel *, kDescriptionLines> makeDescriptionLines(QWidget *panel, QWidget *above) {
    // Only the background is the lines' own; the rest follows the panel.
    QPalette cream;
    cream.setBrush(QPalette::Window, kCream);
    // Under the window's style sheet a panel no longer hands its font down to
    // controls added to it later, so the lines take it explicitly, as the
    // macro controls do.
    const QFont plain = panel->font();
    QFont bold = plain;
    bold.setBold(true);

    std::array<QLabel *, kDescriptionLines> lines{};
    for (int j = 1; j <= kDescriptionLines; ++j) {
        auto *line = new QLabel(panel);
        line->setObjectName(QStringLiteral("STH%1").arg(j));
        line->setProperty("tag", j);
        // The user's descriptions, never read as markup.
        line->setTextFormat(Qt::PlainText);
        line->setGeometry(descriptionRect(j));
        line->setAutoFillBackground(true);
        line->setPalette(cream);
        // The first line is the title.
        line->setFont(j == 1 ? bold : plain);
        line->setAlignment(j == 1 ? Qt::AlignCenter : Qt::AlignLeading | Qt::AlignLeft | Qt::AlignVCenter);
        line->stackUnder(above);
        lines[j - 1] = line;
    }
    return lines;
}

} // namespace macrogrid

} // namespace ui
