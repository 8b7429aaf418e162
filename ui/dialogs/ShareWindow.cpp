#include "ui/dialogs/ShareWindow.h"

#include "session/PortShare.h"
#include "session/TerminalSession.h"
#include "ui/dialogs/OwnedWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ui {

namespace {

template <typename Widget>
Widget *named(Widget *widget, const char *name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

ShareWindow::ShareWindow(session::TerminalSession &session, QWidget *owner)
    : m_owner(owner), m_share(std::make_unique<session::PortShare>(session)), m_openAction(new QAction(this)) {
    setObjectName(QStringLiteral("ShareWindow"));
    setWindowTitle(QStringLiteral("Порт для скриптов"));
    setAttribute(Qt::WA_QuitOnClose, false);
    m_openAction->setObjectName(QStringLiteral("OpenShare"));
    m_openAction->setText(QStringLiteral("Открыть порт для скриптов"));
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_openAction->setEnabled(session.isOpen());
    connect(m_openAction, &QAction::triggered, this, &ShareWindow::openOverOwner);
    connect(&session, &session::TerminalSession::portStateChanged, this, &ShareWindow::portStateChanged);

    m_unix = named(new QRadioButton(QStringLiteral("Unix-сокет (только для вас)")), "ShareUnix");
    m_tcp = named(new QRadioButton(QStringLiteral("TCP, RFC 2217")), "ShareTcp");
    m_unix->setChecked(true);
    m_host = named(new QLineEdit(QStringLiteral("127.0.0.1")), "ShareHost");
    m_port = named(new QSpinBox, "SharePort");
    m_port->setRange(0, 65535);
    m_port->setSpecialValueText(QStringLiteral("любой свободный"));
    m_warning = named(new QLabel, "ShareWarning");
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: #b00000"));
    m_lineAllowed = named(new QCheckBox(QStringLiteral("Скрипты могут менять настройки линии")), "ShareLineAllowed");
    auto *apply = named(new QPushButton(QStringLiteral("Слушать")), "ShareListen");
    m_address = named(new QLineEdit, "ShareAddress");
    m_address->setReadOnly(true);
    m_copy = named(new QPushButton(QStringLiteral("Копировать")), "ShareCopy");
    m_hint = named(new QLabel, "ShareHint");
    m_hint->setWordWrap(true);
    m_hint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_clients = named(new QLabel, "ShareClients");
    m_notice = named(new QLabel, "ShareNotice");
    m_notice->setWordWrap(true);
    m_claim = named(new QLabel, "ShareClaim");
    m_claim->setStyleSheet(QStringLiteral("font-weight: bold"));
    auto *stop = named(new QPushButton(QStringLiteral("Закрыть доступ")), "ShareStop");

    auto *tcpRow = new QHBoxLayout;
    tcpRow->addWidget(m_tcp);
    tcpRow->addWidget(new QLabel(QStringLiteral("адрес")));
    tcpRow->addWidget(m_host);
    tcpRow->addWidget(new QLabel(QStringLiteral("порт")));
    tcpRow->addWidget(m_port);
    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(m_address, 1);
    addressRow->addWidget(m_copy);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(apply);
    buttons->addStretch(1);
    buttons->addWidget(stop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_unix);
    layout->addLayout(tcpRow);
    layout->addWidget(m_warning);
    layout->addWidget(m_lineAllowed);
    layout->addWidget(new QLabel(QStringLiteral("Адрес для клиентов:")));
    layout->addLayout(addressRow);
    layout->addWidget(m_hint);
    layout->addWidget(m_clients);
    layout->addWidget(m_claim);
    layout->addWidget(m_notice);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(apply, &QPushButton::clicked, this, &ShareWindow::listen);
    connect(m_lineAllowed, &QCheckBox::toggled, m_share.get(), &session::PortShare::setLineRequestsAllowed);
    connect(stop, &QPushButton::clicked, this, &QWidget::close);
    connect(m_copy, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(m_address->text()); });
    connect(m_share.get(), &session::PortShare::clientsChanged, this,
            [this](int count) { m_clients->setText(QStringLiteral("Клиентов: %1").arg(count)); });
    connect(m_share.get(), &session::PortShare::notice, m_notice, &QLabel::setText);
    connect(m_share.get(), &session::PortShare::claimChanged, this, [this](int client) {
        m_claim->setText(client == 0 ? QString()
                                     : QStringLiteral("Порт занят клиентом %1: отправка из окна ждёт.").arg(client));
    });
    resize(560, 300);
}

ShareWindow::~ShareWindow() = default;

// Opening it starts serving.
void ShareWindow::openOverOwner() {
    if (!isVisible())
        listen();
    showOverOwner(*this, *m_owner);
}

void ShareWindow::listen() {
    m_notice->clear();
    m_warning->clear();
    bool listening = false;
    if (m_unix->isChecked()) {
        listening = m_share->listenUnix();
    } else {
        const QHostAddress host(m_host->text().trimmed());
        if (host.isNull()) {
            m_share->close();
            m_notice->setText(QStringLiteral("Не адрес: %1").arg(m_host->text()));
            showAddress();
            return;
        }
        // Only the loopback keeps the device to this machine.
        if (!host.isLoopback())
            m_warning->setText(QStringLiteral("Внимание: на адресе %1 порт доступен с других машин, без пароля; "
                                              "кто подключится, управляет устройством.")
                                   .arg(host.toString()));
        listening = m_share->listenTcp(host, quint16(m_port->value()));
    }
    if (!listening)
        m_notice->setText(QStringLiteral("Не удалось открыть доступ: %1").arg(m_share->errorString()));
    showAddress();
}

void ShareWindow::showAddress() {
    const QString address = m_share->address();
    m_address->setText(address);
    m_copy->setEnabled(!address.isEmpty());
    m_clients->setText(QStringLiteral("Клиентов: %1").arg(m_share->clientCount()));
    if (address.isEmpty())
        m_hint->clear();
    else if (m_share->tcpPort() != 0)
        m_hint->setText(QStringLiteral("pyserial: serial.serial_for_url(\"%1\"); terminalkvr-run %1").arg(address));
    else
        m_hint->setText(QStringLiteral("Как TCP-порт для pyserial и terminalkvr-run: socat "
                                       "TCP-LISTEN:7000,bind=127.0.0.1,reuseaddr,fork UNIX-CONNECT:%1, затем "
                                       "rfc2217://127.0.0.1:7000")
                            .arg(address));
}

void ShareWindow::portStateChanged(bool open) {
    m_openAction->setEnabled(open);
    // The share has ended its clients already; the window goes with it.
    if (!open)
        close();
}

void ShareWindow::closeEvent(QCloseEvent *event) {
    m_share->close();
    showAddress();
    QWidget::closeEvent(event);
}

} // namespace ui
