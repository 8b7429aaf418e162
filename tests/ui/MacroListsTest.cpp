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

} // namespace

// List N is named "Lst N"; macro 2 of list 1 is "Ver" / "AT+GMR".
class MacroLists : public TerminalFixture {
protected:
    void SetUp() override {
        MacroStore store;
        store.LoadCmdConfig(MacroStore::kFileName);
        for (int n = 1; n <= MacroStore::kLists; ++n)
            store.setListName(n, QStringLiteral("Lst %1").arg(n));
        store.setName(1, 2, QStringLiteral("Ver"));
        store.setCommand(1, 2, QStringLiteral("AT+GMR"));
        store.setCommand(12, 3, QStringLiteral("gone after clearing"));
        store.save(MacroStore::kFileName);
        start();
    }
    bool enabled(const char *name) { return find(name)->isEnabled(); }
};

TEST_F(MacroLists, ClickFillsTheCommandLineOrSendsOnChoice) {
    connectPort();
    EXPECT_EQ(find("Button2")->toolTip(), "AT+GMR");
    click("Button2");
    EXPECT_EQ(text("MainStrCmd"), "AT+GMR");
    find<QLineEdit>("MainStrCmd")->clear();
    click("RBSel");
    click("Button2");
    EXPECT_EQ(device().receive(7), QByteArray("AT+GMR\r")) << "sent once, by the second click";
    EXPECT_EQ(text("MainStrCmd"), "");
}

TEST_F(MacroLists, ChooserAndSteppingAtTheEndsAndClearingList12) {
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
    const QByteArray file = fileBytes(MacroStore::kFileName);
    EXPECT_EQ(file.mid(11 * 102580, 5), QByteArray("\x04[12]"));
    EXPECT_EQ(file[11 * 102580 + 152 + 252 * 2], '\0') << "command 3 is empty";
}

TEST_F(MacroLists, ClosingAsksToSaveOnlyWhenTheStoreChanged) {
    const QString prompt = QStringLiteral("Сохранить изменения  макросов?");
    QString answer;
    onModal = [&](QDialog &dialog, const QString &) {
        for (auto *button : dialog.findChildren<QPushButton *>())
            if (button->text() == answer)
                button->click();
    };
    const auto closeAnswering = [&](const char *choice) {
        answer = QString::fromUtf8(choice);
        form().show();
        form().close();
    };
    click("EditAllCmd");
    typeInto("Edit1", "new");
    closeAnswering("Отмена");
    EXPECT_TRUE(form().isVisible());
    closeAnswering("Нет");
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(fileBytes(MacroStore::kFileName).contains("\x03new"));
    closeAnswering("Да");
    EXPECT_FALSE(form().isVisible());
    EXPECT_TRUE(fileBytes(MacroStore::kFileName).contains("\x03new"));
    closeAnswering("Да"); // no change since the save
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(notices, QStringList(3, prompt));
}
