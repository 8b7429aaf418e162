#include "ui/ConnectionControl.h"

#include "core/LineSettings.h"
#include "core/PortListing.h"
#include "ui/Appearance.h"
#include "ui/ModalSeam.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
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

// Besides the location (the item's data): the lasting name of an adapter.
constexpr int kStableRole = Qt::UserRole + 1;

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

    // The port list's own menu offers to add a network port.
    auto *addNetPort = new QAction(QStringLiteral("Добавить сетевой порт..."), m_controls.ComPort);
    addNetPort->setObjectName(QStringLiteral("AddNetPort"));
    m_controls.ComPort->addAction(addNetPort);
    m_controls.ComPort->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(addNetPort, &QAction::triggered, this, &ConnectionControl::AddNetPortClick);

    connect(&m_port, &PortAccess::opened, this, &ConnectionControl::portOpened);
    connect(m_controls.BTConnect, &QPushButton::clicked, this, &ConnectionControl::BTConnectClick);
    connect(m_controls.BTRescan, &QPushButton::clicked, this, &ConnectionControl::BTRescanClick);
    connect(&m_checkConnect, &QTimer::timeout, this, &ConnectionControl::CheckConnectTimer);
    m_checkConnect.setInterval(1000);
    m_checkConnect.start();
    m_reconnectSettle.setSingleShot(true);
    m_reconnectSettle.setInterval(int(kReconnectSettleMs));
    connect(&m_reconnectSettle, &QTimer::timeout, this, &ConnectionControl::sendAfterReconnect);
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
    // Still read while connected; the port list shows the state colours.
    for (QComboBox *list : {m_controls.BaudRate, m_controls.ComBits, m_controls.ComStopBits})
        appearance::keepReadableWhenDisabled(*list);
    connect(m_controls.ComPort, &QComboBox::currentIndexChanged, this, &ConnectionControl::showPortHint);
}

// The full device path, or the adapter's lasting name, behind the short name.
void ConnectionControl::showPortHint() {
    const QString hint = m_controls.ComPort->currentData(Qt::ToolTipRole).toString();
    m_controls.ComPort->setToolTip(hint.isEmpty() ? QStringLiteral("Port") : QStringLiteral("Port: ") + hint);
}

void ConnectionControl::ScanComPorts(bool silent) {
    QComboBox *list = m_controls.ComPort;
    list->clear();
    m_netPorts.load();
    const PortListing listing = listPorts(m_directory.scan(), m_netPorts.entries());
    if (listing.nothingFound && !silent) {
        modal::inform(m_window, QStringLiteral(":-("));
        modal::inform(m_window, QStringLiteral("Запустите программу от имени администратора или выберите порт вручную"));
    }
    for (const PortEntry &port : listing.entries) {
        list->addItem(port.name, port.location);
        list->setItemData(list->count() - 1, port.stableLocation, kStableRole);
        list->setItemData(list->count() - 1, portHint(port), Qt::ToolTipRole);
    }
    list->setCurrentIndex(listing.selected);
    showPortHint();
    fitPopup(list);
    reportNetPortProblems();
}

void ConnectionControl::reportNetPortProblems() {
    const QStringList fresh = newProblems(m_netPortProblems, m_netPorts.problems());
    m_netPortProblems = m_netPorts.problems();
    // The scan at startup runs before the window is up.
    if (!fresh.isEmpty())
        modal::informWhenShown(m_window, fresh.join(QLatin1Char('\n')));
}

void ConnectionControl::BTRescanClick() { ScanComPorts(false); }

void ConnectionControl::AddNetPortClick() {
    QInputDialog ask(m_window);
    ask.setWindowTitle(QStringLiteral("Сетевой порт"));
    ask.setLabelText(QStringLiteral("Адрес порта на другой машине:\nrfc2217://УЗЕЛ:ПОРТ (сервер RFC 2217, например "
                                    "ser2net) или tcp://УЗЕЛ:ПОРТ"));
    ask.setTextValue(QString());
    // The form to follow stays in sight while typing.
    if (auto *field = ask.findChild<QLineEdit *>())
        field->setPlaceholderText(QStringLiteral("rfc2217://УЗЕЛ:ПОРТ"));
    QString address;
    connect(&ask, &QInputDialog::textValueSelected, &ask, [&address](const QString &text) { address = text; });
    modal::exec(ask, ask.windowTitle());
    if (address.isEmpty())
        return;
    if (!m_netPorts.append(address))
        return modal::inform(m_window, m_netPorts.errorString());
    ScanComPorts(false);
    m_controls.ComPort->setCurrentIndex(m_controls.ComPort->findData(address.trimmed()));
}

ConnectionControl::OpenResult ConnectionControl::OpenComPort(Opening purpose) {
    const std::optional<LineSettings> settings = parseLineSettings(
        m_controls.BaudRate->currentText(), m_controls.ComBits->currentText(), m_controls.ComStopBits->currentIndex());
    if (m_controls.ComPort->currentText().isEmpty())
        modal::inform(m_window, QStringLiteral("Выбери порт!"));
    if (!settings) {
        modal::inform(m_window, QStringLiteral("Скорость и число бит данных должны быть числами."));
        return OpenResult::SettingsUnreadable;
    }
    const QString location =
        purpose == Opening::Reconnect ? reconnectLocation() : m_controls.ComPort->currentData().toString();
    // Never leave a port open on an old handle.
    if (m_port.probe())
        m_port.close();
    QThread::msleep(kOpenPauseMs);
    if (location.isEmpty())
        return OpenResult::Failed;
    m_opening = purpose;
    // A local port reports before this returns, a network port later.
    m_port.openAsync(location, *settings);
    return OpenResult::Started;
}

// An adapter the user connected is looked for by its lasting name: it may
// be back under another device name, which the list then shows.
QString ConnectionControl::reconnectLocation() {
    QComboBox *list = m_controls.ComPort;
    std::optional<QString> stableNow;
    if (const std::optional<PortEntry> now = m_directory.findStable(m_stableLocation)) {
        stableNow = now->location;
        list->setItemText(list->currentIndex(), now->name);
        list->setItemData(list->currentIndex(), now->location);
    }
    return reopenLocation(list->currentData().toString(), m_stableLocation, stableNow);
}

void ConnectionControl::portOpened(bool ok) {
    const Opening purpose = std::exchange(m_opening, Opening::None);
    if (ok) {
        m_open = true;
        if (purpose == Opening::ByUser)
            m_stableLocation = m_controls.ComPort->currentData(kStableRole).toString();
        emit opened();
    }
    if (purpose == Opening::ByUser) {
        connectDone(ok);
    } else if (purpose == Opening::Reconnect) {
        reconnectDone(ok);
        emit settled();
    }
}

void ConnectionControl::CloseComPort() {
    m_reconnectSettle.stop();
    // An open under way is dropped without a report.
    if (std::exchange(m_opening, Opening::None) != Opening::None)
        m_port.close();
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
        return finishClick();
    }
    // Nothing changes under an open that takes time.
    setLineSettingsEnabled(false);
    switch (OpenComPort(Opening::ByUser)) {
    case OpenResult::Started:
        return; // connectDone() ends the click
    case OpenResult::Failed:
        return connectDone(false);
    case OpenResult::SettingsUnreadable:
        setLineSettingsEnabled(true);
        return finishClick();
    }
}

void ConnectionControl::connectDone(bool ok) {
    if (ok) {
        setWanted(true);
        if (m_controls.SendAsReconn->isChecked())
            emit sendOnConnect();
    } else {
        setLineSettingsEnabled(true);
        // The system's reason goes under the message: on this platform the
        // port's name is rarely the cause.
        if (!m_controls.ComPort->currentText().isEmpty())
            modal::inform(m_window,
                          QStringLiteral("Что-то не открывается порт. Программа может работать только с COM1..COM9.") +
                              (m_port.errorString().isEmpty() ? QString()
                                                              : QStringLiteral("\n\n") + m_port.errorString()));
    }
    finishClick();
}

void ConnectionControl::finishClick() {
    m_controls.BTConnect->setEnabled(true);
    emit settled();
}

void ConnectionControl::CheckConnectTimer() {
    const bool alive = m_port.probe();
    const WatchAction action = watchStep(
        {alive, m_controls.AutoConnect->isChecked(), m_wanted, m_open, m_opening != Opening::None});
    if (action.colour)
        setComPortColour(*action.colour);
    if (action.close)
        CloseComPort();
    if (action.reopen && OpenComPort(Opening::Reconnect) != OpenResult::Started)
        reconnectDone(false);
    emit settled();
}

void ConnectionControl::reconnectDone(bool ok) {
    setComPortColour(reopenColour(ok));
    if (!ok)
        return;
    if (m_port.isNetwork())
        return m_reconnectSettle.start();
    // A local device is given its time with the window held, as it always was.
    m_controls.ComPort->repaint();
    QThread::msleep(kReconnectSettleMs);
    sendAfterReconnect();
}

void ConnectionControl::sendAfterReconnect() {
    if (m_controls.SendAsReconn->isChecked())
        emit sendOnConnect();
}
