#include "ui/window/HistoryInput.h"

#include "core/Cp1251.h"
#include "core/platform/FileLock.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/widgets/Keys.h"
#include "ui/window/Appearance.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace ui {

namespace {

const QString kHistoryFileName = QStringLiteral("OldCmd");

// The selected line of a drop-down; none while nothing is selected.
const QListWidgetItem *selectedLine(const QListWidget &list) {
    const QListWidgetItem *item = list.currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void openDropDown(QListWidget &list) {
    list.show();
    list.raise();
    list.setFocus();
}

// Enter with a line selected puts that line into the field (picked) and
// closes the drop-down (closed); Escape closes it. Returns whether the key
// was taken.
template <typename Picked, typename Closed>
bool pickIntoField(QListWidget &list, int key, Picked picked, Closed closed) {
    if (isEnterKey(key)) {
        if (const QListWidgetItem *line = selectedLine(list)) {
            picked(line->text());
            list.hide();
            closed();
        }
        return true;
    }
    if (key == Qt::Key_Escape) {
        list.hide();
        closed();
        return true;
    }
    return false;
}

} // namespace

HistoryInput::HistoryInput(const Controls &controls, QWidget *window)
    : QObject(window), m_controls(controls), m_window(window) {
    // The openers show a down arrow.
    for (QLabel *opener : {m_controls.Str1, m_controls.Str2}) {
        opener->setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        opener->setText(QStringLiteral("\u2193"));
    }
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_controls.FastOldCmd, m_controls.LBTail, m_controls.Str1, m_controls.Str2})
        control->installEventFilter(this);
    for (QWidget *list : {m_controls.FastOldCmd, m_controls.LBTail})
        appearance::paintInWindowColour(list);
}

QList<QByteArray> HistoryInput::load() {
    if (!m_history.loadOrCreate(kHistoryFileName))
        modal::reportFileError(m_window, kHistoryFileName, m_history.errorString());
    const QList<QByteArray> commands = m_history.texts();
    for (const QByteArray &command : commands)
        m_controls.FastOldCmd->addItem(core::cp1251::toUnicode(command));
    return commands;
}

void HistoryInput::save() {
    // Nobody waits on a window that closes: another window saving to slow
    // storage is waited for, and the wait is shown with its reason.
    modal::Notice notice(m_window);
    const auto waiting = [&notice](const QString &holder) {
        notice.show(QStringLiteral("%1.\nИстория команд будет записана в %2, как только файл освободится.")
                        .arg(holder, kHistoryFileName));
    };
    if (!m_history.saveIfPresent(kHistoryFileName, core::FileLock::kClosingWaitMs, waiting))
        modal::reportFileError(m_window, kHistoryFileName, m_history.errorString());
}

void HistoryInput::fitDropDown(int commandLineWidth) {
    m_controls.FastOldCmd->resize(commandLineWidth, m_controls.FastOldCmd->height());
}

void HistoryInput::paintFields(const QColor &background, const QColor &text) {
    for (QWidget *list : {m_controls.FastOldCmd, m_controls.LBTail})
        appearance::paintField(list, background, text);
    // The openers' arrows are drawn inside the command and tail lines; they
    // take the text colour so that they stay visible on a dark field.
    for (QLabel *opener : {m_controls.Str1, m_controls.Str2}) {
        QPalette colours = opener->palette();
        colours.setColor(QPalette::WindowText, text);
        opener->setPalette(colours);
    }
}

void HistoryInput::setEditorModeActive(bool active) {
    if (active)
        m_controls.OldCommandsBT->hide();
}

bool HistoryInput::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == m_controls.FastOldCmd)
            return FastOldCmdKeyPress(key);
        if (watched == m_controls.LBTail)
            return LBTailKeyPress(key);
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (watched == m_controls.Str1)
            Str1Click();
        else if (watched == m_controls.Str2)
            Str2Click();
        return false;
    case QEvent::FocusOut:
        focusLeft(watched, static_cast<QFocusEvent *>(event)->reason());
        return false;
    default:
        return false;
    }
}

void HistoryInput::focusLeft(QObject *watched, Qt::FocusReason reason) {
    // Switching to another window is no move within this one.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (watched == m_controls.FastOldCmd)
        FastOldCmdExit();
    else if (watched == m_controls.LBTail)
        LBTailExit();
}

void HistoryInput::ReadOldCmd() {
    // A loaded command file keeps its lines: only the drop-down is refilled.
    m_controls.FastOldCmd->clear();
    for (const QByteArray &command : m_history.texts())
        m_controls.FastOldCmd->addItem(core::cp1251::toUnicode(command));
    // No line current either, so that the first Down selects the newest.
    m_controls.FastOldCmd->QAbstractItemView::setCurrentIndex(QModelIndex());
}

void HistoryInput::MainStrCmdKeyUp() {
    ReadOldCmd();
    openDropDown(*m_controls.FastOldCmd);
}

// Only fills the command line; nothing is sent.
bool HistoryInput::FastOldCmdKeyPress(int key) {
    return pickIntoField(
        *m_controls.FastOldCmd, key, [this](const QString &text) { emit commandPicked(text); },
        [this] { emit commandDropDownClosed(); });
}

void HistoryInput::FastOldCmdExit() { m_controls.FastOldCmd->hide(); }

void HistoryInput::AddStrCmdKeyUp() { openDropDown(*m_controls.LBTail); }

// The chosen token replaces the whole tail.
bool HistoryInput::LBTailKeyPress(int key) {
    return pickIntoField(
        *m_controls.LBTail, key, [this](const QString &text) { emit tailPicked(text); },
        [this] { emit tailDropDownClosed(); });
}

void HistoryInput::LBTailExit() { m_controls.LBTail->hide(); }

} // namespace ui
