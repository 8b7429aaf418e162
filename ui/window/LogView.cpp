#include "ui/window/LogView.h"

#include "rx/LogDisplayText.h"
#include "ui/widgets/LogPane.h"
#include "ui/widgets/PlainText.h"
#include "ui/widgets/UpDown.h"
#include "ui/window/Appearance.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace ui {

namespace {

const QByteArray kStopMarker(">>>>>>>>>> STOP <<<<<<<<<<");
// More rows than this and the log starts afresh with what came after them.
constexpr int kMaxRows = 5000;

} // namespace

LogView::LogView(const Controls &controls, QObject *parent) : QObject(parent), m_controls(controls) {
    m_controls.MainWindow->clear();
    m_controls.MainWindow->setMaxRows(kMaxRows);
    connect(m_controls.VisTime, &QCheckBox::toggled, this, &LogView::timeStampsChanged);
    plaintext::keepOnOneLine(m_controls.FiltrLog);
    connect(m_controls.FiltrLog, &QLineEdit::textChanged, this, &LogView::filterChanged);
    connect(m_controls.BTLog, &QPushButton::clicked, this, &LogView::BTLogClick);
    connect(m_controls.StartStop, &QPushButton::clicked, this, &LogView::StartStopClick);
    connect(m_controls.Srift, &UpDown::clicked, this, &LogView::SriftClick);
    appearance::paintInWindowColour(m_controls.MainWindow);
}

void LogView::offerInMenu(QAction *action) { m_controls.MainWindow->addAction(action); }

void LogView::paintFields(const QColor &background, const QColor &text) {
    appearance::paintField(m_controls.MainWindow, background, text);
}

int LogView::fontSize() const { return m_controls.MainWindow->font().pointSize(); }

void LogView::SriftClick(int direction) {
    const int size = appearance::nextFontSize(fontSize(), direction);
    for (QWidget *memo :
         {static_cast<QWidget *>(m_controls.MainWindow), static_cast<QWidget *>(m_controls.SecondWindow)}) {
        QFont font = memo->font();
        font.setPointSize(size);
        memo->setFont(font);
    }
}

void LogView::showLine(const QByteArray &line) { m_controls.MainWindow->append(rx::logDisplayText(line)); }

// Rows as the log shows them at its width, also while the frozen log is
// hidden.
void LogView::limitRows() { m_controls.MainWindow->limitRows(); }

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

} // namespace ui
