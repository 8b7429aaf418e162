// The log's scroll bar, drawn band by band, shows the very pixels of a plain
// bar, short and tall, its handle anywhere.
#include "ui/widgets/LogScrollBar.h"

#include <QImage>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QImage shot(QScrollBar &bar) { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }

TEST(LogScrollBar, SamePixelsAsAPlainBar) {
    const struct {
        int height, maximum, page, value;
    } cases[] = {
        {40, 10, 5, 0},                                      // shorter than a band
        {64, 100, 10, 50},                                   // one band exactly
        {65, 100, 10, 100},                                  // one scan line into the next band
        {600, 30, 30, 0},                                    // a handle nearly as tall as the bar
        {600, 100000, 30, 0},                                // the smallest handle at the top
        {600, 100000, 30, 51234}, {601, 100000, 30, 100000}, // and at the end, as a growing log has it
    };
    QWidget window;
    QScrollBar plain(Qt::Vertical, &window);
    ui::LogScrollBar banded(Qt::Vertical, &window);
    window.resize(100, 700);
    window.show();
    for (const auto &c : cases) {
        for (QScrollBar *bar : {&plain, static_cast<QScrollBar *>(&banded)}) {
            bar->setGeometry(0, 0, bar->sizeHint().width(), c.height);
            bar->setRange(0, c.maximum);
            bar->setPageStep(c.page);
            bar->setValue(c.value);
        }
        EXPECT_TRUE(shot(plain) == shot(banded)) << c.height << " " << c.maximum << " " << c.value;
    }
}

} // namespace
