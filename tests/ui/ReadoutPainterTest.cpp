// A readout painted from its kept frame and glyphs shows the very pixels the
// plain label shows, framed or not, for counters, the clock and texts whose
// letters the font kerns.
#include "ui/widgets/ReadoutPainter.h"

#include <QImage>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QImage shot(QLabel &label) { return label.grab().toImage().convertToFormat(QImage::Format_RGB32); }

TEST(ReadoutPainter, SamePixelsAsThePlainLabel) {
    QWidget window;
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }")); // as the main window
    for (const bool framed : {false, true}) {
        QLabel plain(&window);
        QLabel painted(&window);
        for (QLabel *label : {&plain, &painted}) {
            label->setGeometry(10, 10, framed ? 261 : 84, 17);
            if (framed)
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        plain.setAutoFillBackground(true);
        new ui::ReadoutPainter(&painted);
        window.show();
        for (const char *text : {"TX: 0, RX: 0", "TX: 1234567 RX: 8901234", "Send: 1110", "MIN_T_W:  12", "MAX_T_W: NA",
                                 "23:59:07", "TAVAWAY"}) {
            plain.setText(QString::fromLatin1(text));
            painted.setText(QString::fromLatin1(text));
            EXPECT_EQ(shot(plain), shot(painted)) << text << (framed ? " framed" : "");
        }
    }
}

} // namespace
