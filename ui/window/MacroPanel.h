#pragma once

#include "macros/MacroListView.h"
#include "macros/MacroStore.h"
#include "ui/window/WindowLayout.h"

#include <QObject>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace ui {

class TFormEditHelpCmd;
class TSave;

// The macro lists on the 48 buttons, their store, editor mode, the list
// chooser and the description panel.
class MacroPanel : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QWidget *MainPanel;
        // The description lines are drawn under it.
        QWidget *StaticText1;
        QLabel *STListName;
        QLineEdit *ListNameEDT;
        QComboBox *CBLists;
        QPushButton *EditAllCmd, *DelList, *SaveF, *ListDec, *ListInc;
        QRadioButton *RBName, *RbData;
    };
    // Makes the buttons and edits, loads the store (telling the user of a
    // rebuild or a failure) and shows list 1. fileShown tells whether a
    // command file holds the large caption.
    MacroPanel(const Controls &controls, std::function<bool()> fileShown, QWidget *window);
    ~MacroPanel() override;

    // The macro editor works on this store and description panel; the save
    // prompt is asked at close when the store has unsaved changes.
    void attachMacroWindows(TFormEditHelpCmd *editor, TSave *savePrompt);
    const macros::MacroStore &store() const { return m_store; }
    // Empties the description panel (the pointer left the macros for another
    // part of the window).
    void ClearHelp();
    // The macro buttons, their edits and the description lines, for the
    // window's layout.
    QList<windowlayout::Placement> gridControls() const;
    int currentList() const { return m_currentList; }

    // Whether the window may close now (the save prompt may say no).
    bool closeAllowed();
    // The program ends without asking: unsaved changes go to the recovery
    // file beside the store, never into the store itself.
    void keepUnsaved();
    // A command file took the large caption (loaded) or gave it back.
    void showCommandFile(bool loaded, const QString &caption);

signals:
    // A macro button was clicked: its stored command.
    void macroChosen(const QByteArray &command);
    // Editor mode was entered (true) or left.
    void editorModeChanged(bool active);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMacroControls();
    void connectHandlers();
    void watchHelpClearing();
    void pointerMoved(QObject *watched);
    bool doubleClicked(QObject *watched);
    void fillChooser(int list, const QString &name);
    void LoadCmdConfig();
    // Changes a session that ended without saving left behind.
    void offerRecovery();
    // Kept changes of macros saved again since: the user chooses.
    bool settleRecoveryConflicts();
    void ReadListCmd(int list);
    void WriteListCmd();
    bool SaveAllLists();
    void ButtonCmdClick(int macro);
    void ListIncClick();
    void ListDecClick();
    void CBListsClick(int entryIndex);
    void CBListsDblClick();
    void STListNameDblClick();
    void DelListClick();
    void SaveFClick();
    // The radio button is already checked when its handler runs.
    void RBNameClick() { ReadListCmd(m_currentList); }
    void RbDataClick() { ReadListCmd(m_currentList); }
    void EditAllCmdClick();
    void SaveEditTextCmd(int macro);
    // ButtonCmdHelp, EditCmdHelp and ShowHelpAsFocus all show macro k's
    // description.
    void showDescription(int macro);
    void OutHelpHelp();
    void ShowWindowEdtHelp(int macro);
    // The description typed into the panel while the editor is up.
    void storePanelDescription();
    void showListName(const QString &name);
    void stepList(const macros::Step &step);
    void applyStep(const macros::Step &step);
    macros::View macroView() const;
    int macroNumberOf(QObject *control) const;
    // The macro number of an edit, 0 for any other control.
    int editNumberOf(QObject *control) const;

    Controls m_controls;
    std::function<bool()> m_fileShown;
    QWidget *m_window;
    macros::MacroStore m_store;
    QString m_storePath;
    int m_currentList = 1;
    int m_currentMacro = 1;
    bool m_editorMode = false; // shown in EditAllCmd's tag and caption
    // While the macro editor is up the panel is its working copy.
    bool m_macroEditorOpen = false;
    bool m_ending = false; // the program ends without asking
    TFormEditHelpCmd *m_macroEditor = nullptr;
    TSave *m_savePrompt = nullptr;
    QString m_listNameHint; // the caption's hint, put aside while a file is shown
    std::array<QPushButton *, macros::MacroStore::kMacros> m_buttons{};
    std::array<QLineEdit *, macros::MacroStore::kMacros> m_edits{};
    std::array<QLabel *, macros::MacroStore::kDescriptionLines> m_lines{};
};

} // namespace ui
