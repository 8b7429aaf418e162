#include "ui/dialogs/FileSendWindow.h"

#include "session/TerminalSession.h"
#include "ui/dialogs/ModalSeam.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

const QString kCancelText = QStringLiteral("Отменить");
const QString kCloseText = QStringLiteral("Закрыть");

QLabel *addRow(QFormLayout *form, const QString &caption, const QString &name) {
    auto *label = new QLabel;
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    return label;
}

QString clockText(qint64 seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

FileSendWindow::FileSendWindow(session::TerminalSession &session, QWidget *owner)
    : m_owner(owner), m_transfer(session), m_openAction(new QAction(this)) {
    setObjectName(QStringLiteral("FileSendWindow"));
    setWindowTitle(QStringLiteral("Отправка файла"));
    // The main window closes it; it never keeps the program running alone.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_openAction->setObjectName(QStringLiteral("SendFile"));
    m_openAction->setText(kActionText);
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    connect(m_openAction, &QAction::triggered, this, &FileSendWindow::chooseAndSend);

    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    m_file = addRow(form, QStringLiteral("Файл:"), QStringLiteral("SendFileName"));
    m_bytes = addRow(form, QStringLiteral("Передано:"), QStringLiteral("SendFileBytes"));
    m_rate = addRow(form, QStringLiteral("Скорость:"), QStringLiteral("SendFileRate"));
    m_left = addRow(form, QStringLiteral("Осталось:"), QStringLiteral("SendFileLeft"));
    m_bar = new QProgressBar;
    m_bar->setObjectName(QStringLiteral("SendFileProgress"));
    m_bar->setRange(0, 100);
    layout->addWidget(m_bar);
    m_result = new QLabel;
    m_result->setObjectName(QStringLiteral("SendFileResult"));
    m_result->setWordWrap(true);
    layout->addWidget(m_result);
    m_button = new QPushButton(kCancelText);
    m_button->setObjectName(QStringLiteral("SendFileCancel"));
    layout->addWidget(m_button, 0, Qt::AlignRight);
    connect(m_button, &QPushButton::clicked, this, &FileSendWindow::cancelOrClose);
    resize(460, sizeHint().height());

    connect(&m_transfer, &session::FileTransfer::progress, this, &FileSendWindow::showProgress);
    connect(&m_transfer, &session::FileTransfer::finished, this, &FileSendWindow::transferEnded);
}

FileSendWindow::~FileSendWindow() = default;

void FileSendWindow::chooseAndSend() {
    if (m_transfer.running()) {
        show();
        raise();
        return;
    }
    const QString path = modal::askFileName(m_owner, {.name = QStringLiteral("SendFileDialog")}, m_folder);
    if (path.isEmpty() || !askProtocol())
        return;
    if (!m_transfer.prepare({path}, m_protocol) || !m_transfer.start())
        return modal::inform(m_owner, m_transfer.errorString());
    m_file->setText(QStringLiteral("%1 (%2)").arg(m_transfer.fileName(), tx::protocolCaption(m_protocol)));
    m_result->setText(m_protocol == tx::TransferProtocol::Raw ? QString() : QStringLiteral("Ожидание приёмника…"));
    m_button->setText(kCancelText);
    showProgress(0, m_transfer.bytesTotal());
    // Over the main window, never hiding it from the user's clicks.
    move(m_owner->geometry().center() - rect().center());
    show();
    raise();
}

// The protocol, the last one chosen offered first.
bool FileSendWindow::askProtocol() {
    QDialog question(m_owner);
    question.setObjectName(QStringLiteral("SendFileProtocol"));
    question.setWindowTitle(kProtocolQuestion);
    auto *layout = new QVBoxLayout(&question);
    auto *choice = new QComboBox;
    choice->setObjectName(QStringLiteral("SendFileProtocolChoice"));
    for (const tx::TransferProtocol protocol : tx::kTransferProtocols)
        choice->addItem(tx::protocolCaption(protocol), int(protocol));
    choice->setCurrentIndex(choice->findData(int(m_protocol)));
    layout->addWidget(choice);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Отправить"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, &question, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &question, &QDialog::reject);
    layout->addWidget(buttons);
    // Taken when accepted, as the window's other questions do.
    bool accepted = false;
    connect(&question, &QDialog::accepted, &question, [&accepted] { accepted = true; });
    modal::exec(question, kProtocolQuestion);
    if (!accepted)
        return false;
    m_protocol = tx::TransferProtocol(choice->currentData().toInt());
    return true;
}

void FileSendWindow::showProgress(qint64 done, qint64 total) {
    const QLocale locale;
    const qint64 percent = total > 0 ? done * 100 / total : 100;
    m_bytes->setText(
        QStringLiteral("%1 из %2 байт (%3 %)").arg(locale.toString(done), locale.toString(total)).arg(percent));
    m_bar->setValue(int(percent));
    const qint64 ms = m_transfer.elapsedMs();
    if (done > 0 && ms > 0) {
        if (!m_result->text().isEmpty() && m_transfer.running())
            m_result->clear();
        const double rate = double(done) * 1000.0 / double(ms);
        m_rate->setText(QStringLiteral("%1 байт/с").arg(locale.toString(qint64(rate))));
        m_left->setText(clockText(qint64(double(total - done) / rate)));
    } else {
        m_rate->setText(QStringLiteral("—"));
        m_left->setText(QStringLiteral("—"));
    }
}

void FileSendWindow::transferEnded(bool ok, const QString &reason) {
    const QString sent = QStringLiteral("Файл отправлен за %1 с").arg(m_transfer.elapsedMs() / 1000);
    m_result->setText(!ok                ? QStringLiteral("Файл не отправлен: %1").arg(reason)
                      : reason.isEmpty() ? sent
                                         : QStringLiteral("%1 (%2)").arg(sent, reason));
    m_left->setText(clockText(0));
    m_button->setText(kCloseText);
}

void FileSendWindow::cancelOrClose() {
    if (m_transfer.running())
        return m_transfer.cancel();
    hide();
}

} // namespace ui
