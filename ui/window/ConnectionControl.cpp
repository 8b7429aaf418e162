#include "ui/window/ConnectionControl.h"

#include "core/LineSettings.h"
#include "core/port/PortListing.h"
#include "session/TerminalSession.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/window/Appearance.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include <limits>

namespace ui {

namespace {

// An invalid colour means the platform's normal background.
QColor colourOf(core::PortColour colour) {
    switch (colour) {
    case core::PortColour::Normal:
        return {};
    case core::PortColour::Connected:
        return appearance::kLime;
    case core::PortColour::Lost:
        return appearance::kRed;
    case core::PortColour::Reconnecting:
        return appearance::kYellow;
    }
    return {};
}

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
                               : QRect(box.left() + kMargin, box.top() + kMargin, box.width() - kArrowWidth - kMargin,
                                       box.height() - 2 * kMargin);
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
    const int room = style.subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width() - 2;
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

ConnectionControl::ConnectionControl(const Controls &controls, core::PortDirectory directory,
                                     session::TerminalSession &session, QWidget *window)
    : QObject(window), m_controls(controls), m_window(window), m_session(session), m_directory(std::move(directory)) {
    m_controls.BTConnect->setFocus();
    setUpLineSettingLists();
    ScanComPorts(true);

    // The port list's own menu offers to add a network port.
    auto *addNetPort = new QAction(QStringLiteral("Добавить сетевой порт..."), m_controls.ComPort);
    addNetPort->setObjectName(QStringLiteral("AddNetPort"));
    m_controls.ComPort->addAction(addNetPort);
    m_controls.ComPort->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(addNetPort, &QAction::triggered, this, &ConnectionControl::AddNetPortClick);

    m_session.setAutoConnect(m_controls.AutoConnect->isChecked());
    m_session.setSendOnConnect(m_controls.SendAsReconn->isChecked());
    connect(m_controls.AutoConnect, &QCheckBox::toggled, &m_session, &session::TerminalSession::setAutoConnect);
    connect(m_controls.SendAsReconn, &QCheckBox::toggled, &m_session, &session::TerminalSession::setSendOnConnect);
    connect(&m_session, &session::TerminalSession::connectFinished, this, &ConnectionControl::connectDone);
    connect(&m_session, &session::TerminalSession::portColourChanged, this, &ConnectionControl::showPortColour);
    connect(&m_session, &session::TerminalSession::portRelocated, this, &ConnectionControl::relocatePort);
    connect(m_controls.BTConnect, &QPushButton::clicked, this, &ConnectionControl::BTConnectClick);
    connect(m_controls.BTRescan, &QPushButton::clicked, this, &ConnectionControl::BTRescanClick);
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
    m_rateIndex = m_controls.BaudRate->currentIndex();
    connect(m_controls.BaudRate, &QComboBox::activated, this, &ConnectionControl::rateChosen);
}

void ConnectionControl::rateChosen(int index) {
    QComboBox *list = m_controls.BaudRate;
    const int other = list->count() - 1;
    if (index != other) {
        m_rateIndex = index;
        return;
    }
    QInputDialog ask(m_window);
    ask.setWindowTitle(QStringLiteral("Другая скорость"));
    ask.setLabelText(QStringLiteral("Скорость, бод (например 31250, 74880, 250000):"));
    ask.setInputMode(QInputDialog::IntInput);
    ask.setIntRange(1, std::numeric_limits<qint32>::max());
    ask.setIntValue(list->itemText(m_rateIndex).toInt());
    // Taken when accepted, as the window's other questions do.
    std::optional<int> rate;
    connect(&ask, &QDialog::accepted, &ask, [&rate, &ask] { rate = ask.intValue(); });
    modal::exec(ask, ask.windowTitle());
    if (!rate) {
        list->setCurrentIndex(m_rateIndex);
        return;
    }
    const QString text = QString::number(*rate);
    int found = list->findText(text);
    if (found < 0 || found == other) {
        list->insertItem(other, text);
        found = other;
    }
    list->setCurrentIndex(found);
    m_rateIndex = found;
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
    const core::PortListing listing = core::listPorts(m_directory.scan(), m_netPorts.entries());
    if (listing.nothingFound && !silent) {
        modal::inform(m_window, QStringLiteral(":-("));
        modal::inform(m_window,
                      QStringLiteral("Запустите программу от имени администратора или выберите порт вручную"));
    }
    for (const core::PortEntry &port : listing.entries) {
        list->addItem(port.name, port.location);
        list->setItemData(list->count() - 1, port.stableLocation, kStableRole);
        list->setItemData(list->count() - 1, core::portHint(port), Qt::ToolTipRole);
    }
    list->setCurrentIndex(listing.selected);
    showPortHint();
    fitPopup(list);
    reportNetPortProblems();
}

void ConnectionControl::reportNetPortProblems() {
    const QStringList fresh = core::newProblems(m_netPortProblems, m_netPorts.problems());
    m_netPortProblems = m_netPorts.problems();
    // The scan at startup runs before the window is up.
    if (!fresh.isEmpty())
        modal::informWhenShown(m_window, fresh.join(QLatin1Char('\n')));
}

void ConnectionControl::BTRescanClick() { ScanComPorts(false); }

void ConnectionControl::AddNetPortClick() {
    QDialog ask(m_window);
    ask.setWindowTitle(QStringLiteral("Сетевой порт"));
    auto *label = new QLabel(QStringLiteral("Адрес порта на другой машине:\nrfc2217://УЗЕЛ:ПОРТ (сервер RFC 2217, "
                                            "например ser2net) или tcp://УЗЕЛ:ПОРТ"),
                             &ask);
    auto *field = new QLineEdit(&ask);
    // The form to follow stays in sight while typing.
    field->setPlaceholderText(QStringLiteral("rfc2217://УЗЕЛ:ПОРТ"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    auto *layout = new QVBoxLayout(&ask);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(buttons);
    QString address;
    connect(&ask, &QDialog::accepted, &ask, [&address, field] { address = field->text(); });
    modal::exec(ask, ask.windowTitle());
    if (address.isEmpty())
        return;
    if (!m_netPorts.append(address))
        return modal::inform(m_window, m_netPorts.errorString());
    ScanComPorts(false);
    m_controls.ComPort->setCurrentIndex(m_controls.ComPort->findData(address.trimmed()));
}

bool ConnectionControl::OpenComPort() {
    const std::optional<core::LineSettings> settings = core::parseLineSettings(
        m_controls.BaudRate->currentText(), m_controls.ComBits->currentText(), m_controls.ComStopBits->currentIndex());
    if (m_controls.ComPort->currentText().isEmpty())
        modal::inform(m_window, QStringLiteral("Выбери порт!"));
    if (!settings) {
        modal::inform(m_window, QStringLiteral("Скорость и число бит данных должны быть числами."));
        return false;
    }
    // Parity and flow control are chosen beside the lists and kept by the
    // session.
    core::LineSettings line = *settings;
    line.parity = m_session.lineSettings().parity;
    line.flow = m_session.lineSettings().flow;
    // connectDone() ends the click, before this returns for a local port.
    m_session.connectPort(m_controls.ComPort->currentData().toString(), line,
                          m_controls.ComPort->currentData(kStableRole).toString());
    return true;
}

void ConnectionControl::relocatePort(const QString &name, const QString &location) {
    QComboBox *list = m_controls.ComPort;
    list->setItemText(list->currentIndex(), name);
    list->setItemData(list->currentIndex(), location);
}

void ConnectionControl::showPortColour(core::PortColour colour) {
    setComPortColour(colour);
    m_controls.ComPort->repaint();
}

void ConnectionControl::setComPortColour(core::PortColour state) {
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
    for (QWidget *control : std::initializer_list<QWidget *>{
             m_controls.ComPort, m_controls.BaudRate, m_controls.BTRescan, m_controls.ComBits, m_controls.ComStopBits})
        control->setEnabled(enabled);
}

void ConnectionControl::setWanted(bool wanted) {
    m_controls.BTConnect->setText(wanted ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    m_controls.BTConnect->setProperty("tag", wanted ? 1 : 0);
    setLineSettingsEnabled(!wanted);
    setComPortColour(wanted ? core::PortColour::Connected : core::PortColour::Normal);
}

void ConnectionControl::BTConnectClick() {
    m_controls.BTConnect->setEnabled(false);
    if (m_session.connectWanted()) {
        m_session.disconnectPort();
        setWanted(false);
        return finishClick();
    }
    // Nothing changes under an open that takes time.
    setLineSettingsEnabled(false);
    if (!OpenComPort()) {
        setLineSettingsEnabled(true);
        finishClick();
    }
}

void ConnectionControl::connectDone(bool ok) {
    if (ok) {
        setWanted(true);
    } else {
        setLineSettingsEnabled(true);
        // The system's reason goes under the message: on this platform the
        // port's name is rarely the cause.
        if (!m_controls.ComPort->currentText().isEmpty())
            modal::inform(
                m_window,
                QStringLiteral("Что-то не открывается порт. Программа может работать только с COM1..COM9.") +
                    (m_session.errorString().isEmpty() ? QString() : QStringLiteral("\n\n") + m_session.errorString()));
    }
    finishClick();
}

void ConnectionControl::finishClick() { m_controls.BTConnect->setEnabled(true); }

} // namespace ui
