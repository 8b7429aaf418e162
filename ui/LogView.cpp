#include "ui/LogView.h"

#include "rx/LogDisplayText.h"
#include "ui/LogScrollBar.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

namespace {

const QByteArray kStopMarker(">>>>>>>>>> STOP <<<<<<<<<<");
// More rows than this and the log starts afresh.
constexpr int kMaxRows = 5000;

} // namespace

LogView::LogView(const Controls &controls, QObject *parent)
    : QObject(parent), m_controls(controls), m_appender(*controls.MainWindow) {
    m_controls.MainWindow->clear();
    // The log is read-only: keeping an undo history of every line would only
    // cost memory and time.
    m_controls.MainWindow->setUndoRedoEnabled(false);
    m_controls.MainWindow->setVerticalScrollBar(new LogScrollBar(Qt::Vertical));
    connect(m_controls.MainWindow->document(), &QTextDocument::blockCountChanged, this,
            [this] { m_rowsCheck.request(); });
    connect(m_controls.VisTime, &QCheckBox::toggled, this, &LogView::timeStampsChanged);
    connect(m_controls.FiltrLog, &QLineEdit::textChanged, this, &LogView::filterChanged);
    m_controls.MainWindow->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_controls.MainWindow, &QWidget::customContextMenuRequested, this, &LogView::showContextMenu);
    connect(m_controls.BTLog, &QPushButton::clicked, this, &LogView::BTLogClick);
    connect(m_controls.StartStop, &QPushButton::clicked, this, &LogView::StartStopClick);
}

void LogView::showSent(const QByteArray &line) { putLogLine(line); }

void LogView::showReceived(const QByteArray &line) { putLogLine(line); }

void LogView::putLogLine(const QByteArray &line) {
    m_appender.append(rx::LogDisplayText(line));
    emit lineShown(line);
}

// Rows as the log shows them at its width: a wrapped line counts once per
// row, also while the frozen log is hidden and never laid out.
void LogView::limitRows() {
    if (m_rows.rows(*m_controls.MainWindow) > kMaxRows)
        m_controls.MainWindow->clear();
}

// The text view's own items, then whatever the window offers on the log.
void LogView::showContextMenu(const QPoint &at) {
    QPlainTextEdit &log = *m_controls.MainWindow;
    const std::unique_ptr<QMenu> menu(log.createStandardContextMenu(at));
    if (!log.actions().isEmpty()) {
        menu->addSeparator();
        menu->addActions(log.actions());
    }
    menu->exec(log.viewport()->mapToGlobal(at));
}

void LogView::BTLogClick() { m_controls.MainWindow->clear(); }

void LogView::StartStopClick() {
    m_frozen = !m_frozen;
    m_controls.StartStop->setProperty("tag", m_frozen ? 1 : 0);
    m_controls.StartStop->setText(m_frozen ? QStringLiteral(">") : QStringLiteral("||"));
    m_controls.SecondWindow->clear();
    m_controls.MainWindow->setVisible(!m_frozen);
    m_controls.SecondWindow->setVisible(m_frozen);
    if (!m_frozen)
        return;
    // Built whole: appending an empty line to an empty text view adds no
    // row, and the empty line must show before the marker in any case.
    QString frozen = m_controls.MainWindow->toPlainText();
    if (!frozen.isEmpty())
        frozen += u'\n';
    frozen += u'\n' + QString::fromLatin1(kStopMarker);
    m_controls.SecondWindow->setPlainText(frozen);
    m_controls.SecondWindow->moveCursor(QTextCursor::End); // the marker in view
}
