// Text cursors stop blinking once the application is left alone for a while
// and blink again at the next key, click or wheel turn.
#include "ui/widgets/CursorBlinkTimeout.h"

#include "kit/EventWait.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace {

int flashTime() { return QGuiApplication::styleHints()->cursorFlashTime(); }

TEST(CursorBlinkTimeout, CursorsStayLitWhenLeftAloneAndBlinkAgainOnInput) {
    const int desktop = flashTime();
    ASSERT_GT(desktop, 0);
    QLineEdit field;
    field.show();
    field.setFocus();
    const struct {
        const char *what;
        std::function<void()> input;
    } inputs[] = {
        {"key", [&] { QTest::keyClick(&field, Qt::Key_A); }},
        {"click", [&] { QTest::mouseClick(&field, Qt::LeftButton); }},
        {"wheel",
         [&] {
             QWheelEvent wheel(QPointF(5, 5), field.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 120), Qt::NoButton,
                               Qt::NoModifier, Qt::NoScrollPhase, false);
             QCoreApplication::sendEvent(&field, &wheel);
         }},
    };
    {
        ui::CursorBlinkTimeout timeout(std::chrono::milliseconds(50));
        EXPECT_EQ(flashTime(), desktop);
        ASSERT_TRUE(waitUntil([] { return flashTime() == 0; }));
        for (const auto &i : inputs) {
            SCOPED_TRACE(i.what);
            i.input();
            EXPECT_EQ(flashTime(), desktop);
            EXPECT_TRUE(waitUntil([] { return flashTime() == 0; }));
        }
    }
    // Gone, it leaves the desktop's blinking as it was.
    EXPECT_EQ(flashTime(), desktop);
}

} // namespace
