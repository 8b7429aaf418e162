#include "ui/ConnectionControl.h"

#include "core/LineSettings.h"
#include "ui/Appearance.h"
#include "ui/ModalSeam.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QThread>

namespace {

// An invalid colour means the platform's normal background.
QColor colourOf(PortColour colour) {
    switch (colour) {
    case PortColour::Normal:
        return {};
    case PortColour::Connected:
        return appearance::kLime;
    case PortColour::Lost:
        return appearance::kRed;
    case PortColour::Reconnecting:
        return appearance::kYellow;
    }
    return {};
}

// The device gets this long to start up after a reconnection; what it says
// meanwhile is logged before the next send.
constexpr unsigned long kReconnectSettleMs = 2000;
// Every open of the port pauses this long first.
constexpr unsigned long kOpenPauseMs = 5;

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

// Where the platform's font is wider than the design's, a smaller size keeps
// the values whole.
void fitFont(QComboBox *list, const QProxyStyle &style) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    const int room =
        style.subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width() - 2;
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
}

} // namespace

ConnectionControl::ConnectionControl(const Controls &controls, PortDirectory directory, QWidget *window)
    : QObject(window), m_controls(controls), m_window(window), m_directory(std::move(directory)) {
    m_controls.BTConnect->setFocus();
    setUpLineSettingLists();
    ScanComPorts(true);

    connect(m_controls.BTConnect, &QPushButton::clicked, this, &ConnectionControl::BTConnectClick);
    connect(m_controls.BTRescan, &QPushButton::clicked, this, &ConnectionControl::BTRescanClick);
    connect(&m_checkConnect, &QTimer::timeout, this, &ConnectionControl::CheckConnectTimer);
    m_checkConnect.setInterval(1000);
    m_checkConnect.start();
}

void ConnectionControl::setUpLineSettingLists() {
    // Lives as long as the lists, which the window deletes after this.
    auto *style = new CompactComboStyle;
    style->setParent(m_window);
    for (QComboBox *list : {m_controls.ComPort, m_controls.BaudRate, m_controls.ComBits, m_controls.ComStopBits}) {
        list->setStyle(style);
        fitFont(list, *style);
        fitPopup(list);
    }
    // The full device path behind the short name.
    connect(m_controls.ComPort, &QComboBox::currentIndexChanged, this, [this] {
        const QString location = m_controls.ComPort->currentData().toString();
        m_controls.ComPort->setToolTip(location.isEmpty() ? QStringLiteral("Port")
                                                          : QStringLiteral("Port: ") + location);
    });
}

void ConnectionControl::ScanComPorts(bool silent) {
    QComboBox *list = m_controls.ComPort;
    list->clear();
    QList<PortEntry> ports = m_directory.scan();
    const bool found = !ports.isEmpty();
    if (!found) {
        if (!silent) {
            modal::inform(m_window, QStringLiteral(":-("));
            modal::inform(m_window,
                          QStringLiteral("Запустите программу от имени администратора или выберите порт вручную"));
        }
        ports = PortDirectory::fallbackPorts();
    }
    for (const PortEntry &port : ports)
        list->addItem(port.name, port.location);
    // The fallback names are offered, none is chosen.
    list->setCurrentIndex(found ? 0 : -1);
    fitPopup(list);
}

void ConnectionControl::BTRescanClick() { ScanComPorts(false); }

ConnectionControl::OpenResult ConnectionControl::OpenComPort() {
    const QString location = m_controls.ComPort->currentData().toString();
    const std::optional<LineSettings> settings = parseLineSettings(
        m_controls.BaudRate->currentText(), m_controls.ComBits->currentText(), m_controls.ComStopBits->currentIndex());
    if (m_controls.ComPort->currentText().isEmpty())
        modal::inform(m_window, QStringLiteral("Выбери порт!"));
    if (!settings) {
        modal::inform(m_window, QStringLiteral("Скорость и число бит данных должны быть числами."));
        return OpenResult::SettingsUnreadable;
    }
    // Never leave a port open on an old handle.
    if (m_port.probe())
        m_port.close();
    QThread::msleep(kOpenPauseMs);
    if (location.isEmpty() || !m_port.open(location, *settings))
        return OpenResult::Failed;
    m_open = true;
    emit opened();
    return OpenResult::Opened;
}

void ConnectionControl::CloseComPort() {
    if (!m_open)
        return;
    m_port.discard();
    m_port.close();
    m_open = false;
}

void ConnectionControl::setComPortColour(PortColour state) {
    const QColor colour = colourOf(state);
    QPalette colours = QApplication::palette(m_controls.ComPort);
    if (colour.isValid()) {
        colours.setColor(QPalette::Button, colour);
        colours.setColor(QPalette::Base, colour);
        // The list is disabled while connected or lost; the platform's light
        // grey for disabled text cannot be read on these colours.
        for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
            colours.setColor(QPalette::Disabled, role, appearance::kTextOnStateColour);
    }
    m_controls.ComPort->setPalette(colours);
}

void ConnectionControl::setLineSettingsEnabled(bool enabled) {
    for (QWidget *control : std::initializer_list<QWidget *>{m_controls.ComPort, m_controls.BaudRate,
                                                             m_controls.BTRescan, m_controls.ComBits,
                                                             m_controls.ComStopBits})
        control->setEnabled(enabled);
}

void ConnectionControl::setWanted(bool wanted) {
    m_wanted = wanted;
    m_controls.BTConnect->setText(wanted ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    m_controls.BTConnect->setProperty("tag", wanted ? 1 : 0);
    setLineSettingsEnabled(!wanted);
    setComPortColour(wanted ? PortColour::Connected : PortColour::Normal);
}

void ConnectionControl::BTConnectClick() {
    m_controls.BTConnect->setEnabled(false);
    if (m_wanted) {
        CloseComPort();
        setWanted(false);
    } else {
        switch (OpenComPort()) {
        case OpenResult::Opened:
            setWanted(true);
            if (m_controls.SendAsReconn->isChecked())
                emit sendOnConnect();
            break;
        case OpenResult::Failed:
            // The system's reason goes under the message: on this platform the
            // port's name is rarely the cause.
            if (!m_controls.ComPort->currentText().isEmpty())
                modal::inform(m_window,
                              QStringLiteral("Что-то не открывается порт. Программа может работать только с "
                                             "COM1..COM9.") +
                                  (m_port.errorString().isEmpty() ? QString()
                                                                  : QStringLiteral("\n\n") + m_port.errorString()));
            break;
        case OpenResult::SettingsUnreadable:
            break;
        }
    }
    m_controls.BTConnect->setEnabled(true);
    emit settled();
}

void ConnectionControl::CheckConnectTimer() {
    const bool alive = m_port.probe();
    const WatchAction action = watchStep({alive, m_controls.AutoConnect->isChecked(), m_wanted, m_open});
    if (action.colour)
        setComPortColour(*action.colour);
    if (action.close)
        CloseComPort();
    if (action.reopen) {
        const bool reopened = OpenComPort() == OpenResult::Opened;
        setComPortColour(reopenColour(reopened));
        if (reopened) {
            m_controls.ComPort->repaint();
            QThread::msleep(kReconnectSettleMs);
            if (m_controls.SendAsReconn->isChecked())
                emit sendOnConnect();
        }
    }
    emit settled();
}
