#include "ui/window/LineControls.h"

#include "session/TerminalSession.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/window/Appearance.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace ui {

namespace {

constexpr int kLeft = 4;
constexpr int kFontPixels = 10;
constexpr int kLongestMs = 60000;

struct Lamp {
    const char *name;
    const char *text;
    const char *hint;
};
constexpr std::array<Lamp, 4> kLamps{{
    {"LampCts", "CTS", "CTS: устройство готово принимать (Clear To Send)"},
    {"LampDsr", "DSR", "DSR: устройство включено и готово (Data Set Ready)"},
    {"LampDcd", "DCD", "DCD: есть несущая (Data Carrier Detect)"},
    {"LampRi", "RI", "RI: входящий вызов (Ring Indicator)"},
}};

QPushButton *stripButton(QWidget *strip, const char *name, const QString &text, const QString &hint, int width) {
    auto *button = new QPushButton(text, strip);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setFixedSize(width, LineControls::kStripHeight);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

LineControls::LineControls(session::TerminalSession &session, QWidget *window)
    : QObject(window), m_session(session), m_window(window), m_pulseMs(session::TerminalSession::kDefaultPulseMs),
      m_breakMs(session::TerminalSession::kDefaultBreakMs) {
    buildStrip();
    connect(m_dtr, &QPushButton::toggled, this, &LineControls::outputsSwitched);
    connect(m_rts, &QPushButton::toggled, this, &LineControls::outputsSwitched);
    connect(m_pulse, &QPushButton::clicked, this, &LineControls::pulseClicked);
    connect(m_break, &QPushButton::clicked, this, &LineControls::breakClicked);
    connect(m_setup, &QPushButton::clicked, this, &LineControls::setupClicked);
    connect(&m_session, &session::TerminalSession::portStateChanged, this, &LineControls::refresh);
    connect(&m_session, &session::TerminalSession::inputLinesChanged, this, &LineControls::showInputLines);
    // The lamps are always in sight: the lines are watched for them.
    m_session.watchInputLines(true);
    m_window->installEventFilter(this);
    place();
    refresh();
}

void LineControls::buildStrip() {
    m_strip = new QFrame(m_window);
    m_strip->setObjectName(QStringLiteral("LineStrip"));
    QFont font = m_strip->font();
    font.setPixelSize(kFontPixels);
    m_strip->setFont(font);
    auto *row = new QHBoxLayout(m_strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    m_dtr = stripButton(m_strip, "DtrSwitch", QStringLiteral("DTR"),
                        QStringLiteral("DTR: включить или выключить (держится и после переподключения)"), 40);
    m_rts = stripButton(m_strip, "RtsSwitch", QStringLiteral("RTS"),
                        QStringLiteral("RTS: включить или выключить (держится и после переподключения)"), 40);
    for (QPushButton *output : {m_dtr, m_rts})
        output->setCheckable(true);
    m_pulse = stripButton(m_strip, "PulseButton", QString(), QString(), 92);
    m_break = stripButton(m_strip, "BreakButton", QStringLiteral("Break"), QString(), 50);
    for (QWidget *control : {static_cast<QWidget *>(m_dtr), static_cast<QWidget *>(m_rts),
                             static_cast<QWidget *>(m_pulse), static_cast<QWidget *>(m_break)})
        row->addWidget(control);
    row->addSpacing(8);
    for (std::size_t i = 0; i < kLamps.size(); ++i) {
        auto *lamp = new QLabel(QLatin1String(kLamps[i].text), m_strip);
        lamp->setObjectName(QLatin1String(kLamps[i].name));
        lamp->setToolTip(QString::fromUtf8(kLamps[i].hint));
        lamp->setAlignment(Qt::AlignCenter);
        lamp->setFixedSize(32, kStripHeight);
        lamp->setFrameShape(QFrame::Box);
        lamp->setAutoFillBackground(true);
        m_lamps[i] = lamp;
        row->addWidget(lamp);
    }
    row->addSpacing(8);
    m_setup = stripButton(m_strip, "LineSetup", QStringLiteral("Линия..."),
                          QStringLiteral("Чётность, управление потоком, длительность импульса и break"), 60);
    row->addWidget(m_setup);
    m_note = new QLabel(m_strip);
    m_note->setObjectName(QStringLiteral("LineNote"));
    row->addWidget(m_note);
    row->addStretch();
}

bool LineControls::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window && event->type() == QEvent::Resize)
        place();
    return QObject::eventFilter(watched, event);
}

// Along the bottom edge, under the lower panel, whatever the window's size.
void LineControls::place() {
    m_strip->setGeometry(kLeft, m_window->height() - kStripHeight, std::max(0, m_window->width() - 2 * kLeft),
                         kStripHeight);
}

void LineControls::refresh() {
    const bool open = m_session.isOpen();
    const bool controlled = m_session.hasLineControl();
    const bool driverRts = m_session.lineSettings().flow == core::FlowControl::RtsCts;
    // The switches say what is wanted; they may be set before connecting.
    m_dtr->setEnabled(!open || controlled);
    m_rts->setEnabled((!open || controlled) && !driverRts);
    m_rts->setToolTip(driverRts ? QStringLiteral("RTS управляет драйвер (поток RTS/CTS)")
                                : QStringLiteral("RTS: включить или выключить (держится и после переподключения)"));
    const QString pulsed = core::modemLineName(m_pulseLine);
    m_pulse->setText(QStringLiteral("Импульс %1").arg(pulsed));
    m_pulse->setToolTip(QStringLiteral("Переключить %1 на %2 мс и вернуть (сброс платы)").arg(pulsed).arg(m_pulseMs));
    m_pulse->setEnabled(controlled && !(m_pulseLine == core::ModemLine::Rts && driverRts));
    m_break->setToolTip(QStringLiteral("Послать break на %1 мс").arg(m_breakMs));
    m_break->setEnabled(controlled);
    m_note->setText(open && !controlled ? QStringLiteral("Порт tcp:// не управляет линией") : QString());
    if (!m_session.inputLines())
        showInputLines(std::nullopt);
}

void LineControls::showInputLines(const std::optional<core::InputLines> &lines) {
    const std::array<bool, 4> on =
        lines ? std::array<bool, 4>{lines->cts, lines->dsr, lines->dcd, lines->ri} : std::array<bool, 4>{};
    for (std::size_t i = 0; i < m_lamps.size(); ++i) {
        QPalette colours = m_window->palette();
        if (on[i])
            colours.setColor(QPalette::Window, appearance::kLime);
        m_lamps[i]->setPalette(colours);
        // Unknown (no lines, not connected): the lamp is greyed.
        m_lamps[i]->setEnabled(lines.has_value());
        m_lamps[i]->setProperty("lit", on[i]);
    }
}

void LineControls::outputsSwitched() { m_session.setModemOutputs({m_dtr->isChecked(), m_rts->isChecked()}); }

void LineControls::pulseClicked() { m_session.pulseLine(m_pulseLine, m_pulseMs); }

void LineControls::breakClicked() { m_session.sendBreak(m_breakMs); }

void LineControls::setupClicked() {
    QDialog ask(m_window);
    ask.setWindowTitle(QStringLiteral("Линия"));
    auto *parity = new QComboBox(&ask);
    parity->setObjectName(QStringLiteral("ParityChoice"));
    for (const core::Parity each :
         {core::Parity::None, core::Parity::Even, core::Parity::Odd, core::Parity::Mark, core::Parity::Space})
        parity->addItem(core::parityName(each));
    auto *flow = new QComboBox(&ask);
    flow->setObjectName(QStringLiteral("FlowChoice"));
    for (const core::FlowControl each :
         {core::FlowControl::None, core::FlowControl::RtsCts, core::FlowControl::XonXoff})
        flow->addItem(core::flowName(each));
    const core::LineSettings now = m_session.lineSettings();
    parity->setCurrentIndex(static_cast<int>(now.parity));
    flow->setCurrentIndex(static_cast<int>(now.flow));
    auto *pulseLine = new QComboBox(&ask);
    pulseLine->setObjectName(QStringLiteral("PulseLineChoice"));
    pulseLine->addItems({QStringLiteral("DTR"), QStringLiteral("RTS")});
    pulseLine->setCurrentIndex(m_pulseLine == core::ModemLine::Dtr ? 0 : 1);
    const auto msField = [&ask](const char *name, int value) {
        auto *field = new QSpinBox(&ask);
        field->setObjectName(QLatin1String(name));
        field->setRange(1, kLongestMs);
        field->setSuffix(QStringLiteral(" мс"));
        field->setValue(value);
        return field;
    };
    QSpinBox *pulseMs = msField("PulseLength", m_pulseMs);
    QSpinBox *breakMs = msField("BreakLength", m_breakMs);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    auto *form = new QFormLayout(&ask);
    form->addRow(QStringLiteral("Чётность:"), parity);
    form->addRow(QStringLiteral("Управление потоком:"), flow);
    form->addRow(QStringLiteral("Импульс линии:"), pulseLine);
    form->addRow(QStringLiteral("Длительность импульса:"), pulseMs);
    form->addRow(QStringLiteral("Длительность break:"), breakMs);
    form->addRow(buttons);
    bool accepted = false;
    connect(&ask, &QDialog::accepted, &ask, [&accepted] { accepted = true; });
    modal::exec(ask, ask.windowTitle());
    if (!accepted)
        return;
    m_pulseLine = pulseLine->currentIndex() == 0 ? core::ModemLine::Dtr : core::ModemLine::Rts;
    m_pulseMs = pulseMs->value();
    m_breakMs = breakMs->value();
    core::LineSettings wanted = now;
    wanted.parity = static_cast<core::Parity>(parity->currentIndex());
    wanted.flow = static_cast<core::FlowControl>(flow->currentIndex());
    if (!m_session.changeLineSettings(wanted))
        modal::inform(m_window, m_session.errorString());
    refresh();
}

} // namespace ui
