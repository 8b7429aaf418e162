#include "window/TerminalFixture.h"

#include "ui/window/TForm1.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

// The program's icon, drawn from its SVG: the terminal's dark screen fills
// the top of the picture.
bool hasProgramIcon(const QWidget &window) {
    const QImage picture = window.windowIcon().pixmap(64, 64).toImage();
    return !picture.isNull() && picture.pixelColor(48, 12) == QColor(0x26, 0x32, 0x38);
}

struct Opened {
    QString text;
    QRect geometry;
    bool icon = false;
    QPointer<QWindow> owner;
    bool plainDialog = false;
};

} // namespace

class DesktopWindow : public TerminalFixture {};

// The first start's message, the about window (twice) and the port-error
// window: each with the program's icon, in the middle of the screen, the last
// two dialogs of the main window without minimise and maximise.
TEST_F(DesktopWindow, IconPlaceAndOwnerOfTheModalWindows) {
    QList<Opened> opened;
    QString title;
    onModal = [&](QDialog &window, const QString &text) {
        const Qt::WindowFlags flags = window.windowFlags();
        opened.append({text, window.geometry(), hasProgramIcon(window), window.windowHandle()->transientParent(),
                       window.windowType() == Qt::Dialog &&
                           !(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))});
        if (auto *label = window.findChild<QLabel *>("LabelTitle"))
            title = label->text();
    };
    firstStart = true;
    start();
    EXPECT_TRUE(hasProgramIcon(form()));
    click("BtInfo");
    click("BtInfo");
    click("ButtonSend");

    ASSERT_EQ(opened.size(), 4);
    const QPoint middle = form().screen()->availableGeometry().center();
    for (const Opened &window : opened) {
        SCOPED_TRACE(window.text.toStdString());
        EXPECT_TRUE(window.icon);
        EXPECT_LE((window.geometry.center() - middle).manhattanLength(), 1);
    }
    EXPECT_EQ(opened[1].geometry, opened[2].geometry) << "the about window opens in the same place again";
    for (const Opened &window : opened.mid(1)) {
        SCOPED_TRACE(window.text.toStdString());
        EXPECT_EQ(window.owner, form().windowHandle());
        EXPECT_TRUE(window.plainDialog);
    }
    EXPECT_EQ(title, QStringLiteral("TerminalKVR v" TERMINALKVR_VERSION));
}

// Qt's file dialog speaks Russian; the program's own captions, English ones
// included, stay as they are.
TEST_F(DesktopWindow, QtDialogsInRussianOwnTextsUnchanged) {
    QStringList buttons;
    onModal = [&](QDialog &dialog, const QString &) {
        for (QAbstractButton *button : dialog.findChild<QDialogButtonBox *>()->buttons())
            buttons << button->text();
    };
    start();
    click("ButtonReadFile");
    EXPECT_EQ(buttons, QStringList({"&Открыть", "Отмена"}));
    const QList<std::pair<const char *, const char *>> captions = {
        {"BTConnect", "Connect"}, {"BTRescan", "ReScan"}, {"BTLog", "Clear"}, {"ButtonSend", "Отправить"}};
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(text(name), caption);
}
