#include "ui/TransmitLine.h"

#include "core/Cp1251.h"
#include "tx/CommandEncoding.h"
#include "ui/ConnectionControl.h"
#include "ui/Keys.h"
#include "ui/ModalSeam.h"
#include "ui/TOpenPortError.h"
#include "ui/TrafficReadouts.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>

#include <limits>
#include <utility>

TransmitLine::TransmitLine(const Controls &controls, ConnectionControl &connection, TrafficReadouts &readouts,
                           QWidget *window)
    : QObject(window), m_controls(controls), m_connection(connection), m_readouts(readouts), m_window(window) {
    m_controls.AddStrCmd->setText(tx::kAsciiTail);
    // Pasted commands are taken whole: neither field has a length limit.
    for (QLineEdit *field : {m_controls.MainStrCmd, m_controls.AddStrCmd}) {
        field->setMaxLength(std::numeric_limits<int>::max());
        field->installEventFilter(this);
    }
    connect(m_controls.MainStrCmd, &QLineEdit::textChanged, this, &TransmitLine::commandLineChanged);
    connect(m_controls.ButtonSend, &QPushButton::clicked, this, &TransmitLine::ButtonSendClick);
    connect(m_controls.RBASCII, &QRadioButton::clicked, this, &TransmitLine::RBASCIIClick);
    connect(m_controls.RBHEX, &QRadioButton::clicked, this, &TransmitLine::RBHEXClick);
}

QByteArray TransmitLine::commandLine() const { return cp1251::fromUnicode(m_controls.MainStrCmd->text()); }

bool TransmitLine::commandLineEmpty() const { return m_controls.MainStrCmd->text().isEmpty(); }

DataMode TransmitLine::dataMode() const { return m_controls.RBHEX->isChecked() ? DataMode::Hex : DataMode::Ascii; }

void TransmitLine::SendPortData(const QByteArray &command) {
    // A send that arrives while another is inside (a timer firing in a modal
    // loop) is dropped, not queued.
    if (m_sendBusy)
        return;
    m_sendBusy = true;
    const auto release = qScopeGuard([this] { m_sendBusy = false; });

    if (m_connection.isOpen() && !command.isEmpty()) {
        emit commandSent(command);
        const DataMode mode = dataMode();
        const QByteArray tail = tx::ConvAddStr(command, cp1251::fromUnicode(m_controls.AddStrCmd->text()), mode);
        const tx::Packet packet = tx::BuildPacket(command, tail, mode);
        // What has arrived so far is shown before the echo, in the order of
        // events, and the answer to this command starts a packet of its own.
        // Output still queued is not waited for: it goes out first, in order.
        emit aboutToSend();
        emit echoed(packet.echo);
        m_readouts.countSent(static_cast<quint32>(packet.bytes.size()));
        m_connection.port().write(packet.bytes);
    } else if (!m_connection.isOpen() && m_portErrorWindow) {
        modal::exec(*m_portErrorWindow, m_portErrorWindow->windowTitle());
    }
}

void TransmitLine::showInCommandLine(const QByteArray &command) {
    m_controls.MainStrCmd->setText(cp1251::toUnicode(command));
    focusCommandLine();
}

void TransmitLine::focusCommandLine() { m_controls.MainStrCmd->setFocus(); }

void TransmitLine::focusSendButton() { m_controls.ButtonSend->setFocus(); }

bool TransmitLine::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == m_controls.MainStrCmd)
        return MainStrCmdKeyPress(key);
    if (watched == m_controls.AddStrCmd)
        return AddStrCmdKeyPress(key);
    return false;
}

bool TransmitLine::MainStrCmdKeyPress(int key) {
    if (isEnterKey(key)) {
        sendCommandLine();
        return true;
    }
    if (key == Qt::Key_Escape) {
        m_controls.MainStrCmd->clear();
        return true;
    }
    return false;
}

bool TransmitLine::AddStrCmdKeyPress(int key) {
    // The tail field never sends.
    if (isEnterKey(key))
        return true;
    if (key == Qt::Key_Escape) {
        m_controls.AddStrCmd->clear();
        return true;
    }
    return false;
}

void TransmitLine::RBASCIIClick() {
    if (std::exchange(m_tailMode, DataMode::Ascii) != DataMode::Ascii)
        m_controls.AddStrCmd->setText(tx::kAsciiTail);
}

void TransmitLine::RBHEXClick() {
    if (std::exchange(m_tailMode, DataMode::Hex) != DataMode::Hex)
        m_controls.AddStrCmd->clear();
}
