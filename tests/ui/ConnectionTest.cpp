#include "window/TerminalFixture.h"

#include "core/port/SerialPortAccess.h"
#include "ui/window/TForm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {

const QColor kLime(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);

} // namespace

class Connection : public TerminalFixture {
protected:
    QComboBox *combo(const char *name) { return find<QComboBox>(name); }

    void expectSettingsEnabled(bool enabled) {
        for (const char *name : {"ComPort", "BaudRate", "BTRescan", "ComBits", "ComStopBits"})
            EXPECT_EQ(find(name)->isEnabled(), enabled) << name;
    }
};

TEST_F(Connection, PortListShowsVirtualPortsAndFallsBackToCom1ToCom9) {
    start();
    ASSERT_EQ(combo("ComPort")->count(), 1);
    EXPECT_EQ(text("ComPort"), "ttyV0");
    EXPECT_TRUE(notices.isEmpty());

    ASSERT_TRUE(QFile::remove(QDir(devDir()).filePath("ttyV0")));
    click("BTRescan");
    EXPECT_EQ(notices, (QStringList{":-(", "Запустите программу от имени администратора или выберите порт вручную"}));
    ASSERT_EQ(combo("ComPort")->count(), 9);
    EXPECT_EQ(combo("ComPort")->itemText(0), "COM1");
    EXPECT_EQ(combo("ComPort")->itemText(8), "COM9");
    EXPECT_EQ(combo("ComPort")->currentIndex(), -1);

    // Without a selection the connect asks for a port and nothing else.
    notices.clear();
    click("BTConnect");
    EXPECT_EQ(notices, QStringList{"Выбери порт!"});
    EXPECT_EQ(text("BTConnect"), "Connect");
    EXPECT_TRUE(find("BTConnect")->isEnabled());
}

TEST_F(Connection, EmptyPortListAtStartupComesWithoutMessages) {
    ASSERT_TRUE(QFile::remove(QDir(devDir()).filePath("ttyV0")));
    start();
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_EQ(combo("ComPort")->count(), 9);
    EXPECT_EQ(combo("ComPort")->currentIndex(), -1);
}

TEST_F(Connection, ConnectAndDisconnect) {
    start();
    const QColor normal = comPortColour();
    connectPort();
    EXPECT_TRUE(form().terminalState().PortOpen);
    EXPECT_EQ(comPortColour(), kLime);
    expectSettingsEnabled(false);
    EXPECT_TRUE(find("BTConnect")->isEnabled());

    // The port is really open: a second program cannot have it.
    core::SerialPortAccess other;
    EXPECT_FALSE(other.open(device().slavePath(), {9600, 8, core::StopBits::One}));

    click("BTConnect");
    EXPECT_EQ(text("BTConnect"), "Connect");
    EXPECT_FALSE(form().terminalState().PortOpen);
    EXPECT_EQ(comPortColour(), normal);
    expectSettingsEnabled(true);
    EXPECT_TRUE(other.open(device().slavePath(), {9600, 8, core::StopBits::One}));
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(Connection, PortInUseIsReportedAndStaysDisconnected) {
    start();
    core::SerialPortAccess other;
    ASSERT_TRUE(other.open(device().slavePath(), {9600, 8, core::StopBits::One}));
    click("BTConnect");
    ASSERT_EQ(notices.size(), 1);
    // The fixed message first, the system's reason under it.
    EXPECT_TRUE(notices[0].startsWith("Что-то не открывается порт. Программа может работать только с COM1..COM9.\n\n"))
        << notices[0].toStdString();
    EXPECT_EQ(text("BTConnect"), "Connect");
    EXPECT_FALSE(form().terminalState().PortOpen);
    expectSettingsEnabled(true);
}

TEST_F(Connection, RefusedSettingsFailAndLeaveThePortFreeForTheNextTry) {
    start();
    combo("ComStopBits")->setCurrentIndex(1); // "1,5" with 8 data bits
    click("BTConnect");
    EXPECT_EQ(notices.size(), 1);
    EXPECT_EQ(text("BTConnect"), "Connect");
    combo("ComStopBits")->setCurrentIndex(0);
    connectPort();
}

TEST_F(Connection, UnreadableLineSettingsAreReportedAndConnectStaysUsable) {
    start();
    combo("BaudRate")->setCurrentIndex(-1);
    click("BTConnect");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(text("BTConnect"), "Connect");
    EXPECT_TRUE(find("BTConnect")->isEnabled());
    combo("BaudRate")->setCurrentIndex(3);
    connectPort();
}

TEST_F(Connection, LostDeviceTurnsRedAndDisconnectResetsWithoutMessages) {
    start();
    connectPort();
    device().hangUp();
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kRed; }, 2500));
    EXPECT_FALSE(form().terminalState().PortOpen);
    EXPECT_EQ(text("BTConnect"), "Disconnect");
    expectSettingsEnabled(false);
    // It stays red on later ticks.
    processEventsFor(1100);
    EXPECT_EQ(comPortColour(), kRed);

    click("BTConnect");
    EXPECT_EQ(text("BTConnect"), "Connect");
    expectSettingsEnabled(true);
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(Connection, AutoConnectRetriesYellowAndReconnectsWhenTheDeviceReturns) {
    start();
    find<QCheckBox>("AutoConnect")->setChecked(true);
    find<QCheckBox>("SendAsReconn")->setChecked(true);
    connectPort();
    typeInto("MainStrCmd", "HELLO");

    device().hangUp();
    ASSERT_TRUE(QFile::remove(QDir(devDir()).filePath("ttyV0")));
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kYellow; }, 2500));
    processEventsFor(1100);
    EXPECT_EQ(comPortColour(), kYellow);

    PtyDevice returned;
    linkDevice("ttyV0", returned);
    QElapsedTimer clock;
    clock.start();
    // The reconnecting tick waits 2000 ms before it sends the command line.
    const QByteArray received = returned.receive(6, 5000);
    EXPECT_EQ(received, QByteArray("HELLO\r"));
    EXPECT_GE(clock.elapsed(), 2000);
    // Reopened on the first tick after the return (a loaded machine may be
    // late with it), then the wait.
    EXPECT_LT(clock.elapsed(), 1000 + 2000 + 3000);
    EXPECT_EQ(comPortColour(), kLime);
    EXPECT_TRUE(form().terminalState().PortOpen);
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
}

TEST_F(Connection, UncheckingAutoConnectWhileReconnectingTurnsRed) {
    start();
    find<QCheckBox>("AutoConnect")->setChecked(true);
    connectPort();
    device().hangUp();
    // Gone for good: another pseudo-terminal may get the freed number.
    ASSERT_TRUE(QFile::remove(QDir(devDir()).filePath("ttyV0")));
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kYellow; }, 2500));
    find<QCheckBox>("AutoConnect")->setChecked(false);
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kRed; }, 2500));
}

TEST_F(Connection, ConnectWithSendOnConnectSendsTheCommandLine) {
    start();
    find<QCheckBox>("SendAsReconn")->setChecked(true);
    typeInto("MainStrCmd", "ATZ");
    connectPort();
    EXPECT_EQ(device().receive(4), QByteArray("ATZ\r"));
    EXPECT_EQ(text("LSend"), "Send: 1");
}

TEST_F(Connection, PortListColourIsWhatTheUserSees) {
    start();
    // The style shades the face a little; the hue is what counts.
    const auto shownColour = [&] {
        const QImage shown = find("ComPort")->grab().toImage();
        const QColor c = shown.pixelColor(shown.width() / 2, shown.height() - 4);
        return QColor(c.red() > 200   ? 255
                      : c.red() < 120 ? 0
                                      : c.red(),
                      c.green() > 200   ? 255
                      : c.green() < 120 ? 0
                                        : c.green(),
                      c.blue() > 200   ? 255
                      : c.blue() < 120 ? 0
                                       : c.blue());
    };
    connectPort();
    EXPECT_EQ(shownColour(), kLime);
    device().hangUp();
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kRed; }, 2500));
    EXPECT_EQ(shownColour(), kRed);
}
