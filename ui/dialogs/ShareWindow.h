#pragma once

#include <QWidget>

#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace session {
class PortShare;
class TerminalSession;
} // namespace session

namespace ui {

// "Порт для скриптов": the open port served to other programs while the
// window keeps logging (session::PortShare). A window of the main window's
// own (named "ShareWindow"), opened by its action ("Открыть порт для
// скриптов", Ctrl+Shift+S) while a port is open; it listens at once on a
// Unix-domain socket for this user alone, or on TCP when asked (127.0.0.1
// unless the user types another address, which it warns about), and shows
// the address to copy. Closing it, or the port closing, ends every client.
class ShareWindow : public QWidget {
    Q_OBJECT
public:
    ShareWindow(session::TerminalSession &session, QWidget *owner);
    ~ShareWindow() override;

    QAction *openAction() const { return m_openAction; }
    const session::PortShare &share() const { return *m_share; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void openOverOwner();
    void listen();
    void showAddress();
    void portStateChanged(bool open);

    QWidget *m_owner;
    std::unique_ptr<session::PortShare> m_share;
    QAction *m_openAction;
    QRadioButton *m_unix;
    QRadioButton *m_tcp;
    QLineEdit *m_host;
    QSpinBox *m_port;
    QLabel *m_warning;
    QCheckBox *m_lineAllowed;
    QLineEdit *m_address;
    QPushButton *m_copy;
    QLabel *m_hint;
    QLabel *m_clients;
    QLabel *m_notice;
    QLabel *m_claim;
};

} // namespace ui
