// The history drop-down under the command line and the tail picker.
#include "ui/TForm1.h"

#include "core/Cp1251.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace {

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

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

void closeDropDown(QListWidget &list, QLineEdit &field) {
    list.hide();
    field.setFocus();
}

// Enter with a line selected puts that line into the field and closes the
// drop-down; Escape closes it. Returns whether the key was taken.
bool pickIntoField(QListWidget &list, QLineEdit &field, int key) {
    if (isEnter(key)) {
        if (const QListWidgetItem *line = selectedLine(list)) {
            field.setText(line->text());
            closeDropDown(list, field);
        }
        return true;
    }
    if (key == Qt::Key_Escape) {
        closeDropDown(list, field);
        return true;
    }
    return false;
}

} // namespace

void TForm1::connectHistoryHandlers() {
    for (QWidget *control : std::initializer_list<QWidget *>{ui.FastOldCmd, ui.LBTail, ui.Str1, ui.Str2})
        control->installEventFilter(this);
}

bool TForm1::historyEventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Down || key->isAutoRepeat())
            return false;
        if (watched == ui.MainStrCmd)
            MainStrCmdKeyUp();
        else if (watched == ui.AddStrCmd)
            AddStrCmdKeyUp();
        return false;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == ui.FastOldCmd)
            return FastOldCmdKeyPress(key);
        if (watched == ui.LBTail)
            return LBTailKeyPress(key);
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (watched == ui.Str1)
            Str1Click();
        else if (watched == ui.Str2)
            Str2Click();
        return false;
    case QEvent::FocusOut: {
        // Switching to another window is no move within this one.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        if (watched == ui.FastOldCmd)
            FastOldCmdExit();
        else if (watched == ui.LBTail)
            LBTailExit();
        return false;
    }
    default:
        return false;
    }
}

void TForm1::ReadOldCmd() {
    // A loaded command file keeps its lines: only the drop-down is refilled.
    ui.FastOldCmd->clear();
    for (const QByteArray &command : sentHistory_.texts())
        ui.FastOldCmd->addItem(cp1251::toUnicode(command));
    // No line current either, so that the first Down selects the newest.
    ui.FastOldCmd->QAbstractItemView::setCurrentIndex(QModelIndex());
}

void TForm1::MainStrCmdKeyUp() {
    ReadOldCmd();
    openDropDown(*ui.FastOldCmd);
}

void TForm1::Str1Click() { MainStrCmdKeyUp(); }

// Only fills the command line; nothing is sent.
bool TForm1::FastOldCmdKeyPress(int key) { return pickIntoField(*ui.FastOldCmd, *ui.MainStrCmd, key); }

void TForm1::FastOldCmdExit() { ui.FastOldCmd->hide(); }

void TForm1::AddStrCmdKeyUp() { openDropDown(*ui.LBTail); }

void TForm1::Str2Click() { AddStrCmdKeyUp(); }

// The chosen token replaces the whole tail.
bool TForm1::LBTailKeyPress(int key) { return pickIntoField(*ui.LBTail, *ui.AddStrCmd, key); }

void TForm1::LBTailExit() { ui.LBTail->hide(); }
