// The log's view on its own: lines far past the row limit between two
// frames, as a flood brings them when frames are slow to come.
#include "ui/widgets/LogPane.h"
#include "kit/EventWait.h"

#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

TEST(LogPane, AViewAtTheEndStaysThereWhateverAFloodDropsBetweenFrames) {
    ui::LogPane pane;
    pane.setMaxRows(5000);
    pane.resize(400, 300);
    pane.show();
    QScrollBar *bar = pane.verticalScrollBar();
    for (int n = 0; n < 100; ++n)
        pane.append(QString::number(n));
    ASSERT_TRUE(waitUntil([&] { return bar->maximum() > 0 && bar->value() == bar->maximum(); }));
    for (const int lines : {12000, 20000, 30000}) {
        // All of them before the next frame: the limit lets rows go at once.
        for (int n = 0; n < lines; ++n)
            pane.append(QStringLiteral("flood %1 line %2").arg(lines).arg(n));
        ASSERT_TRUE(waitUntil([&] { return pane.rowCount() <= 10000; }));
        EXPECT_TRUE(waitUntil([&] { return bar->value() == bar->maximum(); }))
            << lines << ": " << bar->value() << " of " << bar->maximum();
        EXPECT_TRUE(pane.toPlainText().endsWith(QStringLiteral("flood %1 line %2").arg(lines).arg(lines - 1)));
    }
    pane.append(QStringLiteral("after"));
    EXPECT_TRUE(waitUntil([&] { return bar->value() == bar->maximum() && pane.toPlainText().endsWith("after"); }));
}

} // namespace
