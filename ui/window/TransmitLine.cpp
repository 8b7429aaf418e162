#include "ui/window/TransmitLine.h"

#include "core/Cp1251.h"
#include "session/TerminalSession.h"
#include "tx/CommandEncoding.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/dialogs/TOpenPortError.h"
#include "ui/widgets/Keys.h"
#include "ui/widgets/PlainText.h"
#include "ui/window/Appearance.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <limits>
#include <utility>

namespace ui {

TransmitLine::TransmitLine(const Controls &controls, session::TerminalSession &session, QWidget *window)
    : QObject(window), m_controls(controls), m_session(session) {
    // The session takes each text as it changes, before anything can send.
    connect(m_controls.MainStrCmd, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_session.setCommandLine(core::cp1251::fromUnicode(text)); });
    connect(m_controls.AddStrCmd, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_session.setTail(core::cp1251::fromUnicode(text)); });
    connect(m_controls.RBHEX, &QRadioButton::toggled, this,
            [this](bool hex) { m_session.setDataMode(hex ? core::DataMode::Hex : core::DataMode::Ascii); });
    m_controls.AddStrCmd->setText(tx::kAsciiTail);
    m_session.setCommandLine(core::cp1251::fromUnicode(m_controls.MainStrCmd->text()));
    // Pasted commands are taken whole: neither field has a length limit.
    for (QLineEdit *field : {m_controls.MainStrCmd, m_controls.AddStrCmd}) {
        field->setMaxLength(std::numeric_limits<int>::max());
        field->installEventFilter(this);
        plaintext::keepOnOneLine(field);
        appearance::paintInWindowColour(field);
    }
    connect(m_controls.ButtonSend, &QPushButton::clicked, this, &TransmitLine::ButtonSendClick);
    connect(m_controls.RBASCII, &QRadioButton::clicked, this, &TransmitLine::RBASCIIClick);
    connect(m_controls.RBHEX, &QRadioButton::clicked, this, &TransmitLine::RBHEXClick);
    // Run inside the send, which stays busy meanwhile: a send asked for while
    // the window is open is dropped.
    connect(&m_session, &session::TerminalSession::portNotOpen, this, &TransmitLine::showPortError);
}

void TransmitLine::paintFields(const QColor &background, const QColor &text) {
    for (QWidget *field : {m_controls.MainStrCmd, m_controls.AddStrCmd})
        appearance::paintField(field, background, text);
}

void TransmitLine::ButtonSendClick() { m_session.sendCommandLine(); }

void TransmitLine::showPortError() {
    if (m_portErrorWindow)
        modal::exec(*m_portErrorWindow, m_portErrorWindow->windowTitle());
}

void TransmitLine::showInCommandLine(const QByteArray &command) {
    m_controls.MainStrCmd->setText(core::cp1251::toUnicode(command));
    focusCommandLine();
}

void TransmitLine::focusCommandLine() { m_controls.MainStrCmd->setFocus(); }

void TransmitLine::focusSendButton() { m_controls.ButtonSend->setFocus(); }

void TransmitLine::setCommandText(const QString &text) { m_controls.MainStrCmd->setText(text); }

void TransmitLine::setTailText(const QString &text) { m_controls.AddStrCmd->setText(text); }

void TransmitLine::focusTail() { m_controls.AddStrCmd->setFocus(); }

int TransmitLine::commandLineWidth() const { return m_controls.MainStrCmd->width(); }

bool TransmitLine::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyRelease) {
        const auto *released = static_cast<QKeyEvent *>(event);
        if (released->key() == Qt::Key_Down && !released->isAutoRepeat())
            emit watched == m_controls.MainStrCmd ? commandLineDownReleased() : tailDownReleased();
        return false;
    }
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
        m_session.sendCommandLine();
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

void TransmitLine::RBASCIIClick() { takeTailMode(core::DataMode::Ascii); }

void TransmitLine::RBHEXClick() { takeTailMode(core::DataMode::Hex); }

void TransmitLine::takeTailMode(core::DataMode mode) {
    if (std::exchange(m_tailMode, mode) != mode)
        m_controls.AddStrCmd->setText(tx::defaultTail(mode));
}

} // namespace ui
