#include "window/TerminalFixture.h"

#include "ui/Appearance.h"
#include "ui/TForm1.h"
#include "ui/UpDown.h"

#include <QLineEdit>
#include <QScreen>
#include <QAbstractScrollArea>
#include <QTest>
#include <QToolButton>

TEST(AppearanceRules, ColourCycleVisitsSixSchemesAndComesBack) {
    QPalette style;
    for (const QPalette::ColorRole role : {QPalette::Button, QPalette::Midlight, QPalette::Window, QPalette::Base,
                                           QPalette::WindowText})
        style.setColor(role, QColor(role * 10, 1, 2));
    QList<QPair<QColor, QColor>> seen;
    int step = 0;
    for (int click = 0; click < 6; ++click) {
        const appearance::Scheme &row = appearance::colourScheme(step);
        const QPair<QColor, QColor> colours{resolve(row.background, style), resolve(row.text, style)};
        EXPECT_FALSE(seen.contains(colours)) << "step " << step;
        seen.append(colours);
        step = row.next;
    }
    EXPECT_EQ(step, 0);
    EXPECT_EQ(seen[3], qMakePair(QColor(Qt::black), QColor(0, 255, 0)));
}

TEST(AppearanceRules, FontSizeStepsWithinTwoToHundred) {
    const struct {
        int size, direction, expected;
    } cases[] = {{8, +1, 9}, {99, +1, 100}, {100, +1, 100}, {3, -1, 2}, {2, -1, 2}, {100, -1, 99}};
    for (const auto &c : cases)
        EXPECT_EQ(appearance::nextFontSize(c.size, c.direction), c.expected) << c.size << " " << c.direction;
}

namespace {

const char *const kColourTargets[] = {"MainStrCmd", "FastOldCmd", "AddStrCmd", "OldCmdList", "LBTail", "MainWindow"};

} // namespace

class AppearanceWindow : public TerminalFixture {
protected:
    // Background and text colour of each colour target, in turn.
    QList<QColor> colours() {
        QList<QColor> colours;
        for (const char *name : kColourTargets) {
            // A scroll area's field is its viewport.
            QWidget *field = find(name);
            if (auto *area = qobject_cast<QAbstractScrollArea *>(field))
                field = area->viewport();
            colours << field->palette().color(QPalette::Base) << field->palette().color(QPalette::Text);
        }
        return colours;
    }
    void spin(const char *arrow, int clicks) {
        auto *button = find<UpDown>("Srift")->findChild<QToolButton *>(arrow);
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(button, Qt::LeftButton);
    }
    // Both memos' font size; -1 when they differ.
    int memoFontSize() {
        const int size = find("MainWindow")->font().pointSize();
        return find("SecondWindow")->font().pointSize() == size ? size : -1;
    }
};

TEST_F(AppearanceWindow, SevenColourClicksEqualOne) {
    start();
    click("BTPalitra");
    const QList<QColor> first = colours();
    for (int i = 0; i < 6; ++i)
        click("BTPalitra");
    EXPECT_EQ(colours(), first);
    const QImage log = find<QAbstractScrollArea>("MainWindow")->viewport()->grab().toImage();
    EXPECT_EQ(log.pixelColor(40, 40).rgb(), first[10].rgb()); // the log is painted in it
    EXPECT_EQ(find("BTPalitra")->property("tag").toInt(), 1);
    // All six targets change together, background and text.
    for (int i = 2; i < first.size(); i += 2)
        EXPECT_EQ(qMakePair(first[i], first[i + 1]), qMakePair(first[0], first[1])) << kColourTargets[i / 2];
}

TEST_F(AppearanceWindow, FontSpinnerStopsAtItsEnds) {
    start();
    spin("down", 1);
    EXPECT_EQ(memoFontSize(), 8);
    spin("up", 92);
    EXPECT_EQ(memoFontSize(), 100);
    spin("up", 9);
    EXPECT_EQ(memoFontSize(), 100);
    EXPECT_EQ(find<UpDown>("Srift")->position(), 100);
    spin("down", 1);
    EXPECT_EQ(memoFontSize(), 99);
    EXPECT_EQ(form().terminalState().FontSize, 99);
}

TEST_F(AppearanceWindow, AboutWindowShowsNoCaretOnTheSecondOpening) {
    start();
    QList<bool> caretOrSelection;
    onModal = [&](QDialog &about, const QString &) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
        const QPoint offCentre = about.geometry().center() - about.screen()->availableGeometry().center();
        EXPECT_LE(offCentre.manhattanLength(), 2);
        const QList<QLineEdit *> fields{about.findChild<QLineEdit *>("ContactFirst"),
                                        about.findChild<QLineEdit *>("ContactSecond")};
        for (QLineEdit *field : fields)
            caretOrSelection << (field->hasFocus() || field->hasSelectedText());
        // The user clicks into a field and selects its text before closing.
        fields[0]->setFocus();
        fields[0]->selectAll();
    };
    click("BtInfo");
    click("BtInfo");
    EXPECT_EQ(notices, QStringList({"Info", "Info"}));
    EXPECT_EQ(caretOrSelection, QList<bool>({false, false, false, false}));
}
