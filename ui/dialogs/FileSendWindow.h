#pragma once

#include "session/FileTransfer.h"
#include "tx/FileSender.h"

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;

namespace session {
class TerminalSession;
}

namespace ui {

// Sending a file to the device from the window: its action ("Отправить
// файл…", Ctrl+Shift+F) asks for the file and the protocol (the choice is
// kept for the run), then this window of its own ("FileSendWindow") shows the
// transfer: bytes, percent, rate, time left, and a cancel button. It is not
// modal: the main window goes on showing and answering meanwhile, while the
// transfer holds the port (its sends stand aside and say so).
class FileSendWindow : public QDialog {
    Q_OBJECT
public:
    static inline const QString kActionText = QStringLiteral("Отправить файл…");
    static inline const QString kProtocolQuestion = QStringLiteral("Протокол передачи");

    FileSendWindow(session::TerminalSession &session, QWidget *owner);
    ~FileSendWindow() override;

    QAction *openAction() const { return m_openAction; }
    bool transferRunning() const { return m_transfer.running(); }

private:
    void chooseAndSend();
    bool askProtocol();
    void showProgress(qint64 done, qint64 total);
    void transferEnded(bool ok, const QString &reason);
    void cancelOrClose();

    QWidget *m_owner;
    session::FileTransfer m_transfer;
    QAction *m_openAction;
    tx::TransferProtocol m_protocol = tx::TransferProtocol::Ymodem;
    QString m_folder;
    QLabel *m_file;
    QLabel *m_bytes;
    QLabel *m_rate;
    QLabel *m_left;
    QLabel *m_result;
    QProgressBar *m_bar;
    QPushButton *m_button;
};

} // namespace ui
