// Port list, opening and closing the port, and the connection watch.
#include "ui/TForm1.h"

#include "ui/ModalSeam.h"

#include <QAbstractItemView>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QThread>

namespace {

const QColor kConnected(0, 255, 0);
const QColor kLost(255, 0, 0);
const QColor kReconnecting(255, 255, 0);
// Text of the disabled port list on the state colours: dark enough to read.
const QColor kTextOnStateColour(32, 32, 32);

// The widest values the four 61-pixel line-setting lists must show whole.
const QStringList kWidestValues = {QStringLiteral("ttyUSB0"), QStringLiteral("115200")};

// A narrow drop-down arrow and thin margins, so that the short lists show
// their value rather than an arrow.
class CompactComboStyle : public QProxyStyle {
public:
    static constexpr int kArrowWidth = 10;
    static constexpr int kMargin = 2;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget) const override {
        if (control != CC_ComboBox || (sub != SC_ComboBoxArrow && sub != SC_ComboBoxEditField))
            return QProxyStyle::subControlRect(control, option, sub, widget);
        const QRect box = option->rect;
        const QRect area = sub == SC_ComboBoxArrow
                               ? QRect(box.right() - kArrowWidth + 1, box.top(), kArrowWidth, box.height())
                               : QRect(box.left() + kMargin, box.top() + kMargin,
                                       box.width() - kArrowWidth - kMargin, box.height() - 2 * kMargin);
        return visualRect(option->direction, box, area);
    }
};

// The opened list may be wider than the box.
void fitPopup(QComboBox *list) {
    QAbstractItemView *view = list->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() + 16);
}

} // namespace

void TForm1::setUpLineSettingLists() {
    auto *style = new CompactComboStyle;
    style->setParent(this);
    const QList<QComboBox *> lists = {ui.ComPort, ui.BaudRate, ui.ComBits, ui.ComStopBits};
    for (QComboBox *list : lists) {
        list->setStyle(style);
        // Where the platform's font is wider than the design's, a smaller
        // size keeps the values whole.
        QStyleOptionComboBox option;
        option.initFrom(list);
        const int room = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
                             .width() - 2;
        QFont font = list->font();
        auto widest = [&] {
            const QFontMetrics metrics(font);
            int width = 0;
            for (const QString &value : kWidestValues)
                width = std::max(width, metrics.horizontalAdvance(value));
            return width;
        };
        while (widest() > room && font.pointSizeF() > 6)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        list->setFont(font);
        fitPopup(list);
    }
    // The full device path behind the short name.
    connect(ui.ComPort, &QComboBox::currentIndexChanged, this, [this] {
        const QString location = ui.ComPort->currentData().toString();
        ui.ComPort->setToolTip(location.isEmpty() ? QStringLiteral("Port")
                                                  : QStringLiteral("Port: ") + location);
    });
}

void TForm1::ScanComPorts() {
    ui.ComPort->clear();
    const QList<PortEntry> ports = portDirectory_.scan();
    if (!ports.isEmpty()) {
        for (const PortEntry &port : ports)
            ui.ComPort->addItem(port.name, port.location);
        ui.ComPort->setCurrentIndex(0);
        fitPopup(ui.ComPort);
        return;
    }
    if (!state.ScanSilent) {
        modal::inform(this, QStringLiteral(":-("));
        modal::inform(this, QStringLiteral("Запустите программу от имени администратора или выберите порт вручную"));
    }
    for (const PortEntry &port : PortDirectory::fallbackPorts())
        ui.ComPort->addItem(port.name, port.location);
    ui.ComPort->setCurrentIndex(-1);
    fitPopup(ui.ComPort);
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
        // The list is disabled while connected or lost; the platform's light
        // grey for disabled text cannot be read on these colours.
        for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
            colours.setColor(QPalette::Disabled, role, kTextOnStateColour);
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
