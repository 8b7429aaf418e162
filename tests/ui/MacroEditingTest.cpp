#include "window/TerminalFixture.h"

#include "macros/MacroStore.h"
#include "ui/TForm1.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ino_t inodeOf(const QString &path) {
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

void typeChar(QWidget *widget, QChar c) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

const QColor kLime(0, 255, 0);

} // namespace

// List 1: macro k is named "Nk", its command is "Ck" (macro 5's is 251
// characters long), and its description line j reads "k.j".
class MacroEditing : public TerminalFixture {
protected:
    void SetUp() override {
        MacroStore store;
        store.LoadCmdConfig(MacroStore::kFileName);
        for (int k = 1; k <= MacroStore::kMacros; ++k) {
            store.setName(1, k, QStringLiteral("N%1").arg(k));
            store.setCommand(1, k, k == 5 ? QString(251, 'x') : QStringLiteral("C%1").arg(k));
            for (int j = 1; j <= MacroStore::kDescriptionLines; ++j)
                store.setDescription(1, k, j, QStringLiteral("%1.%2").arg(k).arg(j));
        }
        store.setDescription(1, 9, 1, QString(60, 'w'));
        store.save(MacroStore::kFileName);
        start();
    }
    const MacroStore &store() { return form().macroStore(); }
    void pointAt(const QString &control, QPoint at = QPoint(-1, -1)) {
        QWidget *widget = find(control);
        if (at == QPoint(-1, -1))
            at = widget->rect().center();
        QTest::mouseMove(form().windowHandle(), widget->mapTo(&form(), at));
    }
    QString panelLine(int j) { return text(QStringLiteral("STH%1").arg(j)); }
    QColor base(const QString &edit) { return find(edit)->palette().color(QPalette::Base); }
};

TEST_F(MacroEditing, EnteringAndLeavingRewritesTheStoreUnchanged) {
    const QByteArray before = fileBytes(MacroStore::kFileName);
    const ino_t inode = inodeOf(MacroStore::kFileName);
    click("EditAllCmd");
    EXPECT_EQ(text("EditAllCmd"), "Назад");
    const std::pair<const char *, bool> shown[] = {{"Edit1", true},    {"SaveF", true},   {"StaticText1", true},
                                                   {"Button1", false}, {"CBLists", false}, {"STLog", false},
                                                   {"ButtonReadFile", false}};
    for (const auto &[name, visible] : shown)
        EXPECT_EQ(find(name)->isVisible(), visible) << name;
    click("EditAllCmd");
    EXPECT_EQ(text("EditAllCmd"), "Редактор");
    EXPECT_TRUE(find("CBLists")->isVisible() && !find("StaticText1")->isVisible());
    EXPECT_NE(inodeOf(MacroStore::kFileName), inode) << "the file was not rewritten";
    EXPECT_TRUE(fileBytes(MacroStore::kFileName) == before);
}

TEST_F(MacroEditing, TypingStoresEachKeystrokeAndSurvivesSteppingAndViews) {
    click("EditAllCmd");
    auto *edit = find<QLineEdit>("Edit5");
    edit->setFocus();
    edit->end(false);
    QString typed = "N5";
    for (const QChar c : QStringLiteral("Пуск")) {
        typeChar(edit, c);
        typed += c;
        EXPECT_EQ(store().name(1, 5), typed);
    }
    click("ListInc");
    click("ListDec");
    EXPECT_EQ(text("Edit5"), typed);
    // The command view shows a stored 251-character command whole.
    click("RbData");
    EXPECT_EQ(text("Edit5"), QString(251, 'x'));
    EXPECT_EQ(find<QLineEdit>("Edit1")->maxLength(), 250);
    click("RBName");
    EXPECT_EQ(store().command(1, 5), QString(251, 'x'));
}

TEST_F(MacroEditing, DescriptionFollowsThePointer) {
    EXPECT_EQ(panelLine(11), "   редактирования. ");
    pointAt("Button3");
    EXPECT_EQ(panelLine(12), "3.12");
    // Down across the one-pixel overlap onto button 4: never an empty panel.
    auto *panel = find("MainPanel");
    const QPoint from = find("Button3")->geometry().center();
    for (int y = from.y(); y <= find("Button4")->geometry().center().y(); ++y) {
        QTest::mouseMove(form().windowHandle(), panel->mapTo(&form(), QPoint(from.x(), y)));
        ASSERT_NE(panelLine(1), "") << "cleared at y " << y;
    }
    EXPECT_EQ(panelLine(1), "4.1");
    // The strip of the panel between the grid and the description clears it.
    QTest::mouseMove(form().windowHandle(), panel->mapTo(&form(), QPoint(658, from.y())));
    EXPECT_EQ(panelLine(1), "");
    pointAt("Button3");
    pointAt("RBName");
    EXPECT_EQ(panelLine(1), "3.1");
    pointAt("MainWindow");
    EXPECT_EQ(panelLine(1), "");
}

TEST_F(MacroEditing, KeyboardFocusShowsTheDescription) {
    click("EditAllCmd");
    find("Edit6")->setFocus();
    QTest::keyClick(find("Edit6"), Qt::Key_Tab);
    EXPECT_TRUE(find("Edit7")->hasFocus());
    EXPECT_EQ(panelLine(2), "7.2");
}

TEST_F(MacroEditing, EditorDialogEnterChainStoresAndCloses) {
    click("EditAllCmd");
    QStringList focusWalk;
    bool limeWhileOpen = false;
    onModal = [&](QDialog &dialog, const QString &) {
        EXPECT_EQ(dialog.windowTitle(), "Редактор макроса");
        limeWhileOpen = base("Edit9") == kLime;
        auto *name = dialog.findChild<QLineEdit *>("CmdName");
        EXPECT_EQ(dialog.focusWidget(), name);
        EXPECT_EQ(name->text(), "N9");
        EXPECT_EQ(dialog.findChild<QLineEdit *>("Edit2")->text(), "9.2");
        name->end(false);
        typeChar(name, 'Z');
        EXPECT_EQ(store().name(1, 9), "N9Z");
        while (dialog.isVisible() && focusWalk.size() < 20) {
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
            focusWalk.append(dialog.isVisible() ? dialog.focusWidget()->objectName() : QStringLiteral("closed"));
        }
    };
    QTest::mouseDClick(find("Edit9"), Qt::LeftButton);
    EXPECT_EQ(notices, QStringList{"Редактор макроса"});
    EXPECT_EQ(focusWalk, (QStringList{"CmdData", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7",
                                      "Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "closed"}));
    EXPECT_TRUE(limeWhileOpen);
    EXPECT_NE(base("Edit9"), kLime);
    EXPECT_EQ(text("Edit9"), "N9Z");
}

TEST_F(MacroEditing, EditorDialogBackspaceWalksBackAndTheCloseBoxKeepsChanges) {
    click("EditAllCmd");
    onModal = [&](QDialog &dialog, const QString &) {
        auto *line1 = dialog.findChild<QLineEdit *>("Edit1");
        auto *line4 = dialog.findChild<QLineEdit *>("Edit4");
        // A stored line over the limit shows whole; nothing can be added.
        EXPECT_EQ(line1->text(), QString(60, 'w'));
        line1->setFocus();
        line1->end(false);
        typeChar(line1, 'v');
        EXPECT_EQ(line1->text(), QString(60, 'w'));
        QTest::keyClick(line1, Qt::Key_Backspace);
        EXPECT_EQ(panelLine(1), QString(59, 'w'));

        line4->setFocus();
        line4->end(false);
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(line4, Qt::Key_Backspace);
        EXPECT_EQ(dialog.focusWidget(), line4);
        EXPECT_EQ(panelLine(4), "");
        QTest::keyClick(line4, Qt::Key_Backspace);
        EXPECT_EQ(dialog.focusWidget()->objectName(), "Edit3");
        dialog.resize(dialog.width() + 100, dialog.height() + 40);
        EXPECT_EQ(dialog.width() - line4->width(), 8);
        EXPECT_EQ(dialog.width() - dialog.findChild<QLineEdit *>("CmdData")->width(), 8);
        dialog.close();
    };
    QTest::mouseDClick(find("Edit9"), Qt::LeftButton);
    EXPECT_EQ(store().description(1, 9, 4), "");
    EXPECT_EQ(store().description(1, 9, 1), QString(59, 'w'));
    EXPECT_EQ(store().description(1, 9, 3), "9.3");
    EXPECT_NE(base("Edit9"), kLime);
}
