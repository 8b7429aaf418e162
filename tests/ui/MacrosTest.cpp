#include "window/TerminalFixture.h"

#include "macros/MacroStore.h"
#include "support/FileBytes.h"
#include "ui/window/TForm1.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

#include <csignal>

namespace {

void typeAtEnd(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    edit->end(false);
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

const QColor kLime(0, 255, 0);

} // namespace

// List N is named "Lst N". In list 1 macro k is named "Nk", its command is
// "Ck" (macro 5's is 251 characters long) and its description line j reads
// "k.j" (macro 9's first is 60 characters long); macro 10's texts look like
// markup and a shortcut; list 12 has a command 3.
class MacroWindow : public TerminalFixture {
protected:
    void SetUp() override {
        macros::MacroStore store;
        store.LoadCmdConfig(macros::MacroStore::kFileName);
        for (int n = 1; n <= macros::MacroStore::kLists; ++n)
            store.setListName(n, QStringLiteral("Lst %1").arg(n));
        for (int k = 1; k <= macros::MacroStore::kMacros; ++k) {
            store.setName(1, k, QStringLiteral("N%1").arg(k));
            store.setCommand(1, k, k == 5 ? QString(251, 'x') : QStringLiteral("C%1").arg(k));
            for (int j = 1; j <= macros::MacroStore::kDescriptionLines; ++j)
                store.setDescription(1, k, j, QStringLiteral("%1.%2").arg(k).arg(j));
        }
        store.setDescription(1, 9, 1, QString(60, 'w'));
        store.setName(1, 10, QStringLiteral("AT&F"));
        store.setCommand(1, 10, QStringLiteral("<b>c</b>  <br>x"));
        store.setDescription(1, 10, 2, QStringLiteral("<b>x</b><hr>"));
        store.setCommand(12, 3, QStringLiteral("gone after clearing"));
        store.save(macros::MacroStore::kFileName);
        start();
    }
    const macros::MacroStore &store() { return form().macroStore(); }
    bool enabled(const char *name) { return find(name)->isEnabled(); }
    void pointAt(QWidget *parent, QPoint at) { QTest::mouseMove(form().windowHandle(), parent->mapTo(&form(), at)); }
    void pointAt(const QString &control) { pointAt(find(control), find(control)->rect().center()); }
    QString panelLine(int j) { return text(QStringLiteral("STH%1").arg(j)); }
    QColor base(const QString &edit) { return find(edit)->palette().color(QPalette::Base); }
};

TEST_F(MacroWindow, ClickFillsTheCommandLineOrSendsOnChoice) {
    connectPort();
    EXPECT_EQ(find("Button2")->toolTip(), "C2");
    click("Button2");
    EXPECT_EQ(text("MainStrCmd"), "C2");
    find<QLineEdit>("MainStrCmd")->clear();
    click("RBSel");
    click("Button2");
    EXPECT_EQ(device().receive(3), QByteArray("C2\r")) << "sent once, by the second click";
    EXPECT_EQ(text("MainStrCmd"), "");
}

TEST_F(MacroWindow, ChooserAndSteppingAtTheEndsAndClearingList12) {
    const struct {
        int entry;
        bool dec, inc;
    } choices[] = {{0, false, true}, {49, true, true}, {99, true, false}, {98, true, true}};
    for (const auto &c : choices) {
        emit find<QComboBox>("CBLists")->activated(c.entry);
        EXPECT_EQ(text("CBLists"), QStringLiteral("Lst %1").arg(c.entry + 1));
        EXPECT_EQ(QPair(enabled("ListDec"), enabled("ListInc")), QPair(c.dec, c.inc)) << "list " << c.entry + 1;
    }
    click("EditAllCmd");
    click("ListInc");
    EXPECT_EQ(text("ListNameEDT"), "Lst 100");
    EXPECT_FALSE(enabled("ListInc"));
    click("ListDec");
    EXPECT_TRUE(enabled("ListInc"));

    click("EditAllCmd");
    emit find<QComboBox>("CBLists")->activated(11);
    click("EditAllCmd");
    click("DelList");
    EXPECT_EQ(text("ListNameEDT"), "[12]");
    click("SaveF");
    const QByteArray file = fileBytes(macros::MacroStore::kFileName);
    EXPECT_EQ(file.mid(11 * 102580, 5), QByteArray("\x04[12]"));
    EXPECT_EQ(file[11 * 102580 + 152 + 252 * 2], '\0') << "command 3 is empty";
}

TEST_F(MacroWindow, ClosingAsksToSaveOnlyWhenTheStoreChanged) {
    QString answer;
    onModal = [&](QDialog &dialog, const QString &) {
        if (answer == "Escape")
            QTest::keyClick(&dialog, Qt::Key_Escape);
        if (answer == "close box")
            dialog.close();
        for (auto *button : dialog.findChildren<QPushButton *>())
            if (button->text() == answer)
                button->click();
    };
    click("EditAllCmd");
    typeInto("Edit1", "new");
    // Only "Да" and "Нет" answer: the rest keep the window and the edits.
    const struct {
        const char *answer;
        bool shown, saved; // afterwards
    } closes[] = {{"Отмена", true, false}, {"Escape", true, false}, {"close box", true, false},
                  {"Нет", false, false},   {"Да", false, true},     {"Да", false, true}};
    for (const auto &c : closes) {
        answer = QString::fromUtf8(c.answer);
        form().show();
        form().close();
        EXPECT_EQ(form().isVisible(), c.shown) << c.answer;
        EXPECT_EQ(fileBytes(macros::MacroStore::kFileName).contains("\x03new"), c.saved) << c.answer;
    }
    EXPECT_EQ(notices, QStringList(5, "Сохранить изменения  макросов?")) << "none once saved";
}

TEST_F(MacroWindow, StoredTextsShowAsTypedNeverAsMarkupOrAShortcut) {
    // A hint as the tool tip shows it.
    const auto hint = [this](const char *control) {
        const QString tip = find(control)->toolTip();
        QTextDocument shown;
        shown.setHtml(tip);
        return Qt::mightBeRichText(tip) ? shown.toPlainText() : tip;
    };
    EXPECT_EQ(text("Button10"), "AT&F");
    EXPECT_TRUE(find<QPushButton>("Button10")->shortcut().isEmpty()) << "Alt+F would click it";
    EXPECT_EQ(hint("Button10"), "<b>c</b>  <br>x");
    pointAt("Button10");
    EXPECT_EQ(panelLine(2), "<b>x</b><hr>");
}

TEST_F(MacroWindow, EditorModeRewritesTheStoreAndStoresEachKeystroke) {
    const QByteArray before = fileBytes(macros::MacroStore::kFileName);
    click("EditAllCmd");
    EXPECT_TRUE(find("Edit1")->isVisible() && find("StaticText1")->isVisible());
    EXPECT_FALSE(find("Button1")->isVisible() || find("ButtonReadFile")->isVisible());
    QFile::remove(macros::MacroStore::kFileName); // leaving writes it anew
    click("EditAllCmd");
    EXPECT_TRUE(find("Button1")->isVisible() && !find("StaticText1")->isVisible());
    EXPECT_TRUE(fileBytes(macros::MacroStore::kFileName) == before);

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

TEST_F(MacroWindow, DescriptionFollowsThePointer) {
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

TEST_F(MacroWindow, EditorDialogWalksWithEnterAndBackspaceAndKeepsChangesHoweverItCloses) {
    click("EditAllCmd");
    int enters = 0;
    QList<bool> limeWhileOpen;
    onModal = [&](QDialog &dialog, const QString &) {
        limeWhileOpen << (base("Edit9") == kLime);
        const auto field = [&](const char *name) { return dialog.findChild<QLineEdit *>(name); };
        if (limeWhileOpen.size() == 1) { // first opening: Enter from the name on closes it at the last line
            EXPECT_EQ(dialog.focusWidget(), field("CmdName"));
            EXPECT_EQ(field("Edit2")->text(), "9.2");
            typeAtEnd(field("CmdName"), "Z");
            EXPECT_EQ(store().name(1, 9), "N9Z");
            for (; dialog.isVisible() && enters < 20; ++enters)
                QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
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
    EXPECT_EQ(enters, 14);
    EXPECT_EQ(text("Edit9"), "N9Z");
    QTest::mouseDClick(find("Edit9"), Qt::LeftButton);
    EXPECT_EQ(notices, QStringList(2, "Редактор макроса"));
    EXPECT_EQ(limeWhileOpen, QList<bool>(2, true));
    EXPECT_NE(base("Edit9"), kLime);
    EXPECT_EQ(store().description(1, 9, 1), QString(59, 'w'));
    EXPECT_EQ(store().description(1, 9, 3), "9.3");
    EXPECT_EQ(store().description(1, 9, 4), "");
}

TEST_F(MacroWindow, ASignalClosesAsTheWindowDoesAndTheNextStartOffersTheEdits) {
    const QByteArray stored = fileBytes(macros::MacroStore::kFileName);
    connectPort();
    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    click("EditAllCmd");
    typeInto("Edit1", "new");
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(waitUntil([&] { return !form().isVisible(); }));
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
    EXPECT_EQ(fileBytes(macros::MacroStore::kFileName), stored) << "written only at the user's word";
    EXPECT_TRUE(fileBytes("OldCmd").startsWith("\x02"
                                               "AT"));

    // Escape leaves the edits for another time; "Да" takes them.
    for (const Qt::Key answer : {Qt::Key_Escape, Qt::Key_Return}) {
        onModal = [answer](QDialog &dialog, const QString &) { QTest::keyClick(&dialog, answer); };
        start();
    }
    EXPECT_EQ(notices,
              QStringList(2, macros::MacroStore::recoveryQuestion(QDir::current().absoluteFilePath("CmdConfig"))));
    EXPECT_EQ(text("Button1"), "new");
    click("EditAllCmd");
    click("EditAllCmd"); // saves them
    EXPECT_TRUE(fileBytes(macros::MacroStore::kFileName).contains("\x03new"));
    EXPECT_FALSE(QFile::exists("CmdConfig.recovery"));
}

TEST_F(MacroWindow, ASaveTakesInWhatAnotherWindowSavedMeanwhile) {
    click("EditAllCmd");
    macros::MacroStore other;
    other.LoadCmdConfig(macros::MacroStore::kFileName);
    other.setName(1, 1, u"theirs");
    ASSERT_TRUE(other.save(macros::MacroStore::kFileName));
    click("SaveF");
    EXPECT_EQ(text("Edit1"), "theirs");
    click("EditAllCmd"); // saves again
    EXPECT_EQ(text("Button1"), "theirs");
    EXPECT_TRUE(fileBytes(macros::MacroStore::kFileName).contains("\x06theirs"));
}

TEST_F(MacroWindow, ASignalWhileTheEditorIsOpenKeepsWhatTheDialogAndTheEditsHold) {
    click("EditAllCmd");
    typeInto("Edit5", "main");
    onModal = [&](QDialog &dialog, const QString &) {
        const auto field = [&](const char *name) { return dialog.findChild<QLineEdit *>(name); };
        typeAtEnd(field("CmdName"), "Z");
        QTest::keyClick(field("CmdName"), Qt::Key_Return);
        typeAtEnd(field("CmdData"), "Q");
        QTest::keyClick(field("CmdData"), Qt::Key_Return);
        QTest::keyClick(field("Edit1"), Qt::Key_Return);
        typeAtEnd(field("Edit2"), "d");
        ASSERT_EQ(std::raise(SIGTERM), 0);
        ASSERT_TRUE(waitUntil([&] { return !form().isVisible(); }));
    };
    QTest::mouseDClick(find("Edit9"), Qt::LeftButton);
    // The program ends here; the next start would take the edits so.
    macros::MacroStore next;
    ASSERT_TRUE(next.LoadCmdConfig(macros::MacroStore::kFileName) && next.takeRecovery(macros::MacroStore::kFileName));
    EXPECT_EQ(QStringList({next.name(1, 9), next.command(1, 9), next.description(1, 9, 2), next.name(1, 5)}),
              QStringList({"N9Z", "C9Q", "9.2d", "main"}));
}

TEST_F(MacroWindow, KeptEditsTakenLaterLeaveWhatWasSavedMeanwhile) {
    click("EditAllCmd");
    typeInto("Edit1", "kept");
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(waitUntil([&] { return !form().isVisible(); }));
    onModal = [](QDialog &dialog, const QString &) { QTest::keyClick(&dialog, Qt::Key_Escape); };
    start(); // kept for later
    click("EditAllCmd");
    typeInto("Edit2", "saved");
    typeInto("Edit1", "saved too");
    click("EditAllCmd");
    // "Да" to taking the edits, then Enter: the saved text stays.
    onModal = [](QDialog &dialog, const QString &) { QTest::keyClick(&dialog, Qt::Key_Return); };
    notices.clear();
    start();
    EXPECT_EQ(QStringList({text("Button1"), text("Button2")}), QStringList({"saved too", "saved"}));
    ASSERT_EQ(notices.size(), 2);
    EXPECT_TRUE(notices[1].contains(QStringLiteral("список 1 «Lst 1», макрос 1 «saved too»")))
        << notices[1].toStdString();
}

TEST_F(MacroWindow, EscapeOnTheConflictQuestionKeepsTheEditsForAnotherStart) {
    click("EditAllCmd");
    typeInto("Edit1", "kept");
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(waitUntil([&] { return !form().isVisible(); }));
    macros::MacroStore other; // saves the same macro again meanwhile
    ASSERT_TRUE(other.LoadCmdConfig(macros::MacroStore::kFileName));
    other.setName(1, 1, u"saved");
    ASSERT_TRUE(other.save(macros::MacroStore::kFileName));
    // "Да" to taking the edits, then Escape on the conflict.
    int asked = 0;
    onModal = [&asked](QDialog &dialog, const QString &) {
        QTest::keyClick(&dialog, asked++ == 0 ? Qt::Key_Return : Qt::Key_Escape);
    };
    notices.clear();
    start();
    EXPECT_EQ(text("Button1"), "saved");
    ASSERT_EQ(notices.size(), 2);
    EXPECT_TRUE(notices[1].contains(QStringLiteral("сохранено «saved», не сохранено «kept»")))
        << notices[1].toStdString();
    click("EditAllCmd");
    click("EditAllCmd"); // a save
    EXPECT_TRUE(QFile::exists("CmdConfig.recovery")) << "offered again at the next start";
}
