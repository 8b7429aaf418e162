#pragma once

#include "macros/MacroEditing.h"
#include "macros/MacroStore.h"

#include <QDialog>

#include <array>
#include <memory>

class QLabel;
class QLineEdit;

namespace Ui {
class TFormEditHelpCmd;
}

namespace ui {

// The macro editor: command name, command string and the twelve description
// lines of one macro. Created once at startup and shown modally on demand.
// Name and command string go into the store keystroke by keystroke; the
// description lines are typed into the main window's description panel, which
// the main window copies into the store when the dialog closes. Every way of
// closing keeps the changes.
class TFormEditHelpCmd : public QDialog {
    Q_OBJECT

public:
    explicit TFormEditHelpCmd(QWidget *parent = nullptr);
    ~TFormEditHelpCmd() override;

    static constexpr int kLines = macros::MacroStore::kDescriptionLines;

    // The main window's store and the 12 lines of its description panel.
    void attach(macros::MacroStore *store, const std::array<QLabel *, kLines> &panelLines);

    // Edits macro k of list N; returns when the dialog has closed.
    void editMacro(int list, int macro);
    // Stores what the fields hold now: the name and the command string into
    // the store, the description lines into the panel.
    void storeFields();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The description lines Edit1..Edit12, made from their design places.
    void createLineEdits();
    void FormCreate();
    void FormActivate();
    void FormCanResize(int width);
    void CmdNameChange();
    void CmdDataChange();
    void EditChange(int line);
    // Enter and Backspace of the field with the given place in the Enter
    // chain; true when the key is swallowed.
    bool fieldKeyPress(int field, int key);

    std::unique_ptr<Ui::TFormEditHelpCmd> ui;
    macros::MacroStore *m_store = nullptr;
    std::array<QLabel *, kLines> m_panelLines{};
    std::array<QLineEdit *, kLines> m_lineEdits{};
    // The fields in the order Enter walks them.
    std::array<QLineEdit *, macros::kFieldCount> m_chain{};
    int m_list = 1;
    int m_macro = 1;
    bool m_lostActivation = false;
    int m_designWidth = 0;
    int m_designNameWidth = 0;
    int m_designDataWidth = 0;
    int m_designLineWidth = 0;
};

} // namespace ui
