#include "window/TerminalFixture.h"

#include "ui/widgets/UpDown.h"
#include "ui/window/TForm1.h"

#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QToolButton>

class AppearanceWindow : public TerminalFixture {
protected:
    // Background and text colour of each colour target as painted (a list's
    // or memo's field is its viewport).
    QList<QColor> colours() {
        QList<QColor> colours;
        for (const char *name : {"MainStrCmd", "FastOldCmd", "AddStrCmd", "OldCmdList", "LBTail", "MainWindow"}) {
            QWidget *field = find(name);
            if (auto *area = qobject_cast<QAbstractScrollArea *>(field))
                field = area->viewport();
            colours << field->palette().color(QPalette::Base) << field->palette().color(QPalette::Text);
        }
        return colours;
    }
};

TEST_F(AppearanceWindow, ColourCycleFontSpinnerAndAboutWindow) {
    start();
    const QList<QColor> design = colours();
    click("BTPalitra");
    const QList<QColor> first = colours();
    EXPECT_NE(first, design);
    for (int i = 0; i < 6; ++i)
        click("BTPalitra");
    EXPECT_EQ(colours(), first) << "seven clicks equal one";
    // All six targets change together, and the log is painted so.
    for (int i = 2; i < first.size(); i += 2)
        EXPECT_TRUE(first[i] == first[0] && first[i + 1] == first[1]) << "target " << i / 2;
    const QImage log = find<QAbstractScrollArea>("MainWindow")->viewport()->grab().toImage();
    EXPECT_EQ(log.pixelColor(40, 40).rgb(), first[0].rgb());

    const QList<std::pair<const char *, int>> spins = {{"down", 1}, {"up", 92}, {"up", 9}, {"down", 1}};
    QList<int> sizes;
    for (const auto &[arrow, clicks] : spins) {
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(find("Srift")->findChild<QToolButton *>(arrow), Qt::LeftButton);
        sizes << find("MainWindow")->font().pointSize();
    }
    EXPECT_EQ(sizes, QList<int>({8, 100, 100, 99}));
    EXPECT_EQ(find("SecondWindow")->font().pointSize(), 99);

    QList<bool> caretOrSelection;
    onModal = [&](QDialog &about, const QString &) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
        EXPECT_LE((about.geometry().center() - about.screen()->availableGeometry().center()).manhattanLength(), 2);
        const QList<QLineEdit *> fields = about.findChildren<QLineEdit *>();
        for (QLineEdit *field : fields)
            caretOrSelection << (field->hasFocus() || field->hasSelectedText());
        // The user clicks into a field and selects its text before closing.
        fields.first()->setFocus();
        fields.first()->selectAll();
    };
    click("BtInfo");
    click("BtInfo");
    EXPECT_EQ(notices, QStringList({"Info", "Info"}));
    EXPECT_EQ(caretOrSelection, QList<bool>({false, false, false, false}));
}
