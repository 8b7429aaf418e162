#include "window/TerminalFixture.h"

#include "macros/MacroStore.h"
#include "ui/TForm1.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store file whose list N is named "Lst N" and whose macro 2 of list 1 is
// "Ver" / "AT+GMR".
void writeStore() {
    MacroStore store;
    store.LoadCmdConfig(MacroStore::kFileName);
    for (int n = 1; n <= MacroStore::kLists; ++n)
        store.setListName(n, QStringLiteral("Lst %1").arg(n));
    store.setName(1, 2, QStringLiteral("Ver"));
    store.setCommand(1, 2, QStringLiteral("AT+GMR"));
    store.setCommand(12, 3, QStringLiteral("gone after clearing"));
    store.save(MacroStore::kFileName);
}

} // namespace

class MacroLists : public TerminalFixture {
protected:
    void SetUp() override {
        writeStore();
        start();
    }
    void choose(int entry) { emit find<QComboBox>("CBLists")->activated(entry); }
    bool enabled(const char *name) { return find(name)->isEnabled(); }
};

TEST_F(MacroLists, ClickPutsTheCommandIntoTheCommandLine) {
    EXPECT_EQ(find<QPushButton>("Button2")->toolTip(), "AT+GMR");
    click("Button2");
    EXPECT_EQ(text("MainStrCmd"), "AT+GMR");
    EXPECT_TRUE(find("MainStrCmd")->hasFocus());
    EXPECT_EQ(device().receiveFor(100), QByteArray());
}

TEST_F(MacroLists, ClickInTheOnChoiceModeSendsAtOnce) {
    connectPort();
    click("RBSel");
    click("Button2");
    EXPECT_EQ(device().receive(7), QByteArray("AT+GMR\r"));
    EXPECT_TRUE(find("ButtonSend")->hasFocus());
    EXPECT_EQ(text("MainStrCmd"), "");
}

TEST_F(MacroLists, ClearingAndSavingList12WritesItsDefaultName) {
    click("EditAllCmd");
    for (int n = 1; n < 12; ++n)
        click("ListInc");
    EXPECT_EQ(text("ListNameEDT"), "Lst 12");
    click("DelList");
    EXPECT_EQ(text("ListNameEDT"), "[12]");
    click("SaveF");
    const QByteArray file = fileBytes(MacroStore::kFileName);
    EXPECT_EQ(file.mid(11 * 102580, 5), QByteArray("\x04[12]"));
    EXPECT_EQ(file[11 * 102580 + 152 + 252 * 2], '\0') << "command 3 is empty";
    EXPECT_TRUE(enabled("SaveF"));
}

TEST_F(MacroLists, ChooserAndSteppingAtTheEnds) {
    const struct {
        int entry;
        bool dec, inc;
    } choices[] = {{0, false, true}, {49, true, true}, {99, true, false}, {98, true, true}};
    for (const auto &c : choices) {
        SCOPED_TRACE(c.entry);
        choose(c.entry);
        EXPECT_EQ(text("CBLists"), QStringLiteral("Lst %1").arg(c.entry + 1));
        EXPECT_EQ(enabled("ListDec"), c.dec);
        EXPECT_EQ(enabled("ListInc"), c.inc);
    }
    click("EditAllCmd");
    click("ListInc");
    EXPECT_EQ(text("ListNameEDT"), "Lst 100");
    EXPECT_FALSE(enabled("ListInc"));
    click("ListDec");
    EXPECT_TRUE(enabled("ListInc"));
}

struct CloseCase {
    const char *answer; // nullptr: no change, no prompt
    bool closes;
    bool saved;
};

class MacroClose : public MacroLists, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(MacroClose, PromptOnlyWhenTheStoreChanged) {
    const CloseCase c = GetParam();
    if (c.answer) {
        click("EditAllCmd");
        typeInto("Edit1", "new");
        onModal = [&](QDialog &dialog, const QString &) {
            for (auto *button : dialog.findChildren<QPushButton *>())
                if (button->text() == QString::fromUtf8(c.answer))
                    button->click();
        };
    }
    form().close();
    EXPECT_EQ(notices, c.answer ? QStringList{"Сохранить изменения  макросов?"} : QStringList());
    EXPECT_EQ(form().isVisible(), !c.closes);
    EXPECT_EQ(fileBytes(MacroStore::kFileName).contains("\x03new"), c.saved);
}

INSTANTIATE_TEST_SUITE_P(MacroLists, MacroClose,
                         ::testing::Values(CloseCase{nullptr, true, false}, CloseCase{"Да", true, true},
                                           CloseCase{"Нет", true, false}, CloseCase{"Отмена", false, false}));
