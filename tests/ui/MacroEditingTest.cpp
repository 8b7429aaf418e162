#include "window/TerminalFixture.h"

#include "macros/MacroStore.h"
#include "ui/TForm1.h"

#include <QFile>
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

void typeAtEnd(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    edit->end(false);
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

const QColor kLime(0, 255, 0);

} // namespace

// List 1: macro k is named "Nk", its command is "Ck" (macro 5's is 251
// characters long), and its description line j reads "k.j" (macro 9's first
// is 60 characters long).
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
    void pointAt(QWidget *parent, QPoint at) { QTest::mouseMove(form().windowHandle(), parent->mapTo(&form(), at)); }
    void pointAt(const QString &control) { pointAt(find(control), find(control)->rect().center()); }
    QString panelLine(int j) { return text(QStringLiteral("STH%1").arg(j)); }
    QColor base(const QString &edit) { return find(edit)->palette().color(QPalette::Base); }
};

TEST_F(MacroEditing, EditorModeRewritesTheStoreAndStoresEachKeystroke) {
    const QByteArray before = fileBytes(MacroStore::kFileName);
    const ino_t inode = inodeOf(MacroStore::kFileName);
    click("EditAllCmd");
    EXPECT_TRUE(find("Edit1")->isVisible() && find("StaticText1")->isVisible());
    EXPECT_FALSE(find("Button1")->isVisible() || find("ButtonReadFile")->isVisible());
    click("EditAllCmd");
    EXPECT_TRUE(find("Button1")->isVisible() && !find("StaticText1")->isVisible());
    EXPECT_NE(inodeOf(MacroStore::kFileName), inode) << "the file was not rewritten";
    EXPECT_TRUE(fileBytes(MacroStore::kFileName) == before);

    click("EditAllCmd");
    find("Edit6")->setFocus();
    QTest::keyClick(find("Edit6"), Qt::Key_Tab);
    EXPECT_EQ(panelLine(2), "7.2") << "keyboard focus shows the description";
    typeInto("Edit5", "Пуск"); // stored with no Enter and no leaving
    EXPECT_EQ(store().name(1, 5), "Пуск");
    click("ListInc");
    click("ListDec");
    EXPECT_EQ(text("Edit5"), "Пуск");
    // The command view shows a stored 251-character command whole, and
    // switching back stores nothing cut.
    click("RbData");
    EXPECT_EQ(text("Edit5"), QString(251, 'x'));
    click("RBName");
    EXPECT_EQ(store().command(1, 5), QString(251, 'x'));
}

TEST_F(MacroEditing, DescriptionFollowsThePointer) {
    EXPECT_EQ(panelLine(11), "   редактирования. ");
    // Down from button 3 across the one-pixel overlap onto button 4: never an empty panel.
    auto *panel = find("MainPanel");
    const QPoint from = find("Button3")->geometry().center();
    for (int y = from.y(); y <= find("Button4")->geometry().center().y(); ++y) {
        pointAt(panel, QPoint(from.x(), y));
        ASSERT_NE(panelLine(1), "") << "cleared at y " << y;
    }
    EXPECT_EQ(panelLine(1), "4.1");
    // The strip of the panel between the grid and the description clears it.
    pointAt(panel, QPoint(658, from.y()));
    EXPECT_EQ(panelLine(1), "");
    pointAt("Button3");
    pointAt("RBName");
    EXPECT_EQ(panelLine(12), "3.12");
    pointAt("MainWindow");
    EXPECT_EQ(panelLine(1), "");
}

TEST_F(MacroEditing, EditorDialogWalksWithEnterAndBackspaceAndKeepsChangesHoweverItCloses) {
    click("EditAllCmd");
    QStringList enterWalk;
    QList<bool> limeWhileOpen;
    onModal = [&](QDialog &dialog, const QString &) {
        limeWhileOpen << (base("Edit9") == kLime);
        const auto field = [&](const char *name) { return dialog.findChild<QLineEdit *>(name); };
        if (enterWalk.isEmpty()) { // first opening: Enter from the name on until it closes
            EXPECT_EQ(dialog.focusWidget(), field("CmdName"));
            EXPECT_EQ(field("Edit2")->text(), "9.2");
            typeAtEnd(field("CmdName"), "Z");
            EXPECT_EQ(store().name(1, 9), "N9Z");
            while (dialog.isVisible() && enterWalk.size() < 20) {
                QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
                enterWalk << (dialog.isVisible() ? dialog.focusWidget()->objectName() : QStringLiteral("closed"));
            }
            return;
        }
        // A stored line over the limit shows whole: a character typed is
        // refused, one can be deleted.
        typeAtEnd(field("Edit1"), "v");
        QTest::keyClick(field("Edit1"), Qt::Key_Backspace);
        EXPECT_EQ(panelLine(1), QString(59, 'w'));
        typeAtEnd(field("Edit4"), "");
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(field("Edit4"), Qt::Key_Backspace);
        EXPECT_EQ(dialog.focusWidget(), field("Edit4"));
        QTest::keyClick(field("Edit4"), Qt::Key_Backspace); // now empty: back to line 3
        EXPECT_EQ(dialog.focusWidget(), field("Edit3"));
        dialog.resize(dialog.width() + 100, dialog.height() + 40);
        EXPECT_EQ(dialog.width() - field("CmdData")->width(), 8);
        dialog.close();
    };
    QTest::mouseDClick(find("Edit9"), Qt::LeftButton);
    EXPECT_EQ(enterWalk, (QStringList{"CmdData", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7",
                                      "Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "closed"}));
    EXPECT_EQ(text("Edit9"), "N9Z");
    QTest::mouseDClick(find("Edit9"), Qt::LeftButton);
    EXPECT_EQ(notices, QStringList(2, "Редактор макроса"));
    EXPECT_EQ(limeWhileOpen, QList<bool>(2, true));
    EXPECT_NE(base("Edit9"), kLime);
    EXPECT_EQ(store().description(1, 9, 1), QString(59, 'w'));
    EXPECT_EQ(store().description(1, 9, 3), "9.3");
    EXPECT_EQ(store().description(1, 9, 4), "");
}
