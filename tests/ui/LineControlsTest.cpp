#include "window/TerminalFixture.h"

#include "support/FakeLineCalls.h"
#include "ui/window/TForm1.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

using Kind = FakeLineCalls::Call::Kind;

class LineControlsWindow : public TerminalFixture {
protected:
    // The port lets go of the recorder before it goes.
    void TearDown() override {
        if (text("BTConnect") == "Disconnect")
            click("BTConnect");
    }
    FakeLineCalls calls;
};

TEST_F(LineControlsWindow, ChoicesReachThePortAndEachActionIsLogged) {
    start();
    form().setLineCalls(calls);
    // Another rate, asked for by the list's last entry.
    onModal = [](QDialog &dialog, const QString &) {
        if (auto *ask = qobject_cast<QInputDialog *>(&dialog)) {
            ask->setIntValue(250000);
            ask->accept();
            return;
        }
        dialog.findChild<QComboBox *>("ParityChoice")->setCurrentIndex(1);
        dialog.findChild<QComboBox *>("FlowChoice")->setCurrentIndex(1);
        dialog.findChild<QSpinBox *>("PulseLength")->setValue(60);
        dialog.accept();
    };
    auto *rates = find<QComboBox>("BaudRate");
    emit rates->activated(rates->count() - 1);
    EXPECT_EQ(rates->currentText(), "250000");
    click("LineSetup");
    click("DtrSwitch");
    connectPort();

    const QList<FakeLineCalls::Call> applied = calls.of(Kind::Apply);
    ASSERT_FALSE(applied.isEmpty());
    EXPECT_EQ(applied.last().settings,
              (core::LineSettings{250000, 8, core::StopBits::One, core::Parity::Even, core::FlowControl::RtsCts}));
    EXPECT_TRUE(calls.of(Kind::Dtr).last().on);
    // RTS is the driver's under RTS/CTS.
    EXPECT_TRUE(calls.of(Kind::Rts).isEmpty());
    EXPECT_FALSE(find("RtsSwitch")->isEnabled());
    EXPECT_TRUE(find("RtsSwitch")->toolTip().contains("драйвер"));

    click("PulseButton");
    click("BreakButton");
    click("DtrSwitch");
    ASSERT_TRUE(waitUntil([&] { return logText().contains("DTR выкл."); })) << logText().toStdString();
    EXPECT_EQ(logText(), "*** Линия: импульс DTR 60 мс\n*** Линия: break 250 мс\n*** Линия: DTR выкл.");
}

TEST_F(LineControlsWindow, AChangedInputLineShowsOnItsLamp) {
    start();
    form().setLineCalls(calls);
    calls.setLines(core::InputLines{});
    connectPort();
    ASSERT_TRUE(waitUntil([&] { return find("LampCts")->isEnabled(); }));
    EXPECT_FALSE(find("LampCts")->property("lit").toBool());
    calls.setLines(core::InputLines{true, false, false, true});
    ASSERT_TRUE(waitUntil([&] { return find("LampCts")->property("lit").toBool(); }));
    EXPECT_TRUE(find("LampRi")->property("lit").toBool());
    EXPECT_FALSE(find("LampDsr")->property("lit").toBool());
    // The strip keeps to the bottom margin under the lower panel.
    EXPECT_GT(find("LineStrip")->y(), find("MainPanel")->geometry().bottom());
}
