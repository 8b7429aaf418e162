#pragma once

#include "core/DataMode.h"

#include <QByteArray>
#include <QObject>

class QColor;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace session {
class TerminalSession;
}
class QWidget;

namespace ui {

class TOpenPortError;

// The command line, the tail string and the data mode: the session sends
// with what they hold.
class TransmitLine : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLineEdit *MainStrCmd, *AddStrCmd;
        QPushButton *ButtonSend;
        QRadioButton *RBASCII, *RBHEX;
    };
    TransmitLine(const Controls &controls, session::TerminalSession &session, QWidget *window);

    void attachPortErrorWindow(TOpenPortError *window) { m_portErrorWindow = window; }

    // A chosen command goes into the command line, which takes the focus.
    void showInCommandLine(const QByteArray &command);
    void focusCommandLine();
    void focusSendButton();
    // A line picked from a drop-down under a field; the field's focus back.
    void setCommandText(const QString &text);
    void setTailText(const QString &text);
    void focusTail();
    int commandLineWidth() const;
    // The colour cycle's colours for the command line and the tail string.
    void paintFields(const QColor &background, const QColor &text);

signals:
    // Down released in the command line or the tail string: their drop-downs.
    void commandLineDownReleased();
    void tailDownReleased();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ButtonSendClick();
    // A send found the port closed: the port-error window, modally.
    void showPortError();
    // Both return whether the key was handled (and is swallowed).
    bool MainStrCmdKeyPress(int key);
    bool AddStrCmdKeyPress(int key);
    void RBASCIIClick();
    void RBHEXClick();
    // A click on the mode not yet chosen puts that mode's starting tail in.
    void takeTailMode(core::DataMode mode);

    Controls m_controls;
    session::TerminalSession &m_session;
    TOpenPortError *m_portErrorWindow = nullptr;
    // The data mode the tail string was last set for: a click on the mode
    // already chosen leaves the tail alone.
    core::DataMode m_tailMode = core::DataMode::Ascii;
};

} // namespace ui
