// Port list, opening and closing the port, and the connection watch.
#include "ui/TForm1.h"

#include "ui/ModalSeam.h"

#include <QThread>

namespace {

const QColor kConnected(0, 255, 0);
const QColor kLost(255, 0, 0);
const QColor kReconnecting(255, 255, 0);

} // namespace

void TForm1::ScanComPorts() {
    ui.ComPort->clear();
    const QList<PortEntry> ports = portDirectory_.scan();
    if (!ports.isEmpty()) {
        for (const PortEntry &port : ports)
            ui.ComPort->addItem(port.name, port.location);
        ui.ComPort->setCurrentIndex(0);
        return;
    }
    if (!state.ScanSilent) {
        modal::inform(this, QStringLiteral(":-("));
        modal::inform(this, QStringLiteral("Запустите программу от имени администратора или выберите порт вручную"));
    }
    for (const PortEntry &port : PortDirectory::fallbackPorts())
        ui.ComPort->addItem(port.name, port.location);
    ui.ComPort->setCurrentIndex(-1);
}

void TForm1::BTRescanClick() { ScanComPorts(); }

TForm1::OpenResult TForm1::OpenComPort() {
    const QString location = ui.ComPort->currentData().toString();
    const std::optional<LineSettings> settings =
        parseLineSettings(ui.BaudRate->currentText(), ui.ComBits->currentText(), ui.ComStopBits->currentIndex());
    if (ui.ComPort->currentText().isEmpty())
        modal::inform(this, QStringLiteral("Выбери порт!"));
    if (!settings) {
        modal::inform(this, QStringLiteral("Скорость и число бит данных должны быть числами."));
        return OpenResult::SettingsUnreadable;
    }
    // Never leave a port open on an old handle.
    if (port_.probe())
        port_.close();
    QThread::msleep(5);
    if (location.isEmpty() || !port_.open(location, *settings))
        return OpenResult::Failed;
    state.PortOpen = true;
    // Bytes gathered before the port was closed are framed with what comes now.
    if (state.RxLen > 0)
        RxTimer.start(0);
    return OpenResult::Opened;
}

void TForm1::CloseComPort() {
    if (!state.PortOpen)
        return;
    port_.discard();
    port_.close();
    state.PortOpen = false;
}

void TForm1::setComPortColour(const QColor &colour) {
    // An invalid colour means the platform's normal background.
    QPalette colours = QApplication::palette(ui.ComPort);
    if (colour.isValid()) {
        colours.setColor(QPalette::Button, colour);
        colours.setColor(QPalette::Base, colour);
    }
    ui.ComPort->setPalette(colours);
}

void TForm1::setLineSettingsEnabled(bool enabled) {
    for (QWidget *control : std::initializer_list<QWidget *>{ui.ComPort, ui.BaudRate, ui.BTRescan, ui.ComBits,
                                                             ui.ComStopBits})
        control->setEnabled(enabled);
}

void TForm1::BTConnectClick() {
    ui.BTConnect->setEnabled(false);
    if (ui.BTConnect->property("tag").toInt() != 0) {
        CloseComPort();
        setLineSettingsEnabled(true);
        ui.BTConnect->setText(QStringLiteral("Connect"));
        ui.BTConnect->setProperty("tag", 0);
        setComPortColour(QColor());
    } else {
        switch (OpenComPort()) {
        case OpenResult::Opened:
            setLineSettingsEnabled(false);
            ui.BTConnect->setText(QStringLiteral("Disconnect"));
            ui.BTConnect->setProperty("tag", 1);
            setComPortColour(kConnected);
            if (ui.SendAsReconn->isChecked())
                CheckSendDataAftConnect();
            break;
        case OpenResult::Failed:
            // The system's reason goes under the message: on this platform the
            // port's name is rarely the cause.
            if (!ui.ComPort->currentText().isEmpty())
                modal::inform(this, QStringLiteral("Что-то не открывается порт. Программа может работать только с "
                                                   "COM1..COM9.") +
                                        (port_.errorString().isEmpty() ? QString()
                                                                       : QStringLiteral("\n\n") + port_.errorString()));
            break;
        case OpenResult::SettingsUnreadable:
            break;
        }
    }
    ui.BTConnect->setEnabled(true);
}

void TForm1::CheckConnectTimer() {
    const bool alive = port_.probe();
    const bool autoConnect = ui.AutoConnect->isChecked();
    const bool wanted = ui.BTConnect->property("tag").toInt() == 1;
    if (!autoConnect && !alive && state.PortOpen)
        setComPortColour(kLost);
    if (wanted && !state.PortOpen && !autoConnect)
        setComPortColour(kLost);
    if (!alive)
        CloseComPort();
    if (!autoConnect)
        return;
    if (!wanted) {
        setComPortColour(QColor());
        return;
    }
    if (alive)
        return;
    if (OpenComPort() == OpenResult::Opened) {
        setComPortColour(kConnected);
        // The device gets time to start up; the purge before the next send
        // drops whatever it says meanwhile.
        ui.ComPort->repaint();
        QThread::msleep(2000);
        if (ui.SendAsReconn->isChecked())
            CheckSendDataAftConnect();
    } else {
        setComPortColour(kReconnecting);
    }
}

void TForm1::CheckSendDataAftConnect() { SendPortData(commandLine()); }
