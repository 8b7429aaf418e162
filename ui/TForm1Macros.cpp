// The macro store, the lists on the 48 buttons, editor mode and the
// description panel.
#include "ui/TForm1.h"

#include "core/Cp1251.h"
#include "macros/MacroEditing.h"
#include "ui/LimitedEdit.h"
#include "ui/ModalSeam.h"
#include "ui/TFormEditHelpCmd.h"
#include "ui/TSave.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>

namespace {

constexpr int kListNameLimit = 150;
const QColor kEditedMacroColour(0, 255, 0);

void setBold(QWidget *control, bool bold) {
    if (control->font().bold() == bold)
        return;
    QFont font = control->font();
    font.setBold(bold);
    control->setFont(font);
}

void setBase(QWidget *control, const QColor &colour) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::Base, colour);
    control->setPalette(colours);
}

} // namespace

void TForm1::attachMacroWindows(TFormEditHelpCmd *editor, TSave *savePrompt) {
    m_macroEditor = editor;
    m_savePrompt = savePrompt;
    if (m_macroEditor)
        m_macroEditor->attach(&m_macroStore, DescriptionLines);
}

macroview::View TForm1::macroView() const {
    return ui.RbData->isChecked() ? macroview::View::Commands : macroview::View::Names;
}

void TForm1::setUpMacros() {
    // The store stays in the folder the program started in.
    m_macroFilePath = QDir::current().absoluteFilePath(MacroStore::kFileName);
    // The chooser's text part takes the double-click; it cannot be typed in.
    ui.CBLists->setEditable(true);
    ui.CBLists->lineEdit()->setReadOnly(true);
    ui.CBLists->setInsertPolicy(QComboBox::NoInsert);
    LoadCmdConfig();
    state.CurrentList = 1;
    ReadListCmd(state.CurrentList);
}

void TForm1::LoadCmdConfig() {
    const bool loaded = m_macroStore.LoadCmdConfig(m_macroFilePath);
    if (m_macroStore.rebuilt())
        modal::inform(this, MacroStore::kRebuiltMessage);
    if (!loaded)
        modal::reportFileError(this, MacroStore::kFileName, m_macroStore.errorString());
}

void TForm1::ReadListCmd(int list) {
    const macroview::View view = macroView();
    const int limit = macroview::editLimit(view);
    for (int k = 1; k <= MacroStore::kMacros; ++k) {
        const macroview::Face face = macroview::faceOf(m_macroStore, view, list, k);
        QPushButton *button = CmdButtons[k - 1];
        QLineEdit *edit = CmdEdits[k - 1];
        setBold(button, face.bold);
        setBold(edit, face.bold);
        if (button->text() != face.caption)
            button->setText(face.caption);
        showWhole(edit, face.caption, limit);
        button->setToolTip(face.hint);
        edit->setToolTip(face.hint);
    }
    if (m_macroStore.listName(list).isEmpty())
        m_macroStore.setListName(list, macroview::defaultListName(list));
    const QString name = m_macroStore.listName(list);
    // While a command file is loaded the large caption shows its name.
    if (!state.FileSendMode)
        ui.STListName->setText(name);
    showWhole(ui.ListNameEDT, name, kListNameLimit);
    if (ui.CBLists->count() != MacroStore::kLists) {
        ui.CBLists->clear();
        for (int n = 1; n <= MacroStore::kLists; ++n)
            ui.CBLists->addItem(QString());
    }
    for (int n = 1; n <= MacroStore::kLists; ++n)
        ui.CBLists->setItemText(n - 1, m_macroStore.listName(n));
    ui.CBLists->setCurrentIndex(list - 1);
    ui.CBLists->setEditText(name);
}

void TForm1::WriteListCmd() {
    const int list = state.CurrentList;
    m_macroStore.setListName(list, ui.ListNameEDT->text());
    const MacroStore::Field field = macroview::editedField(macroView());
    for (int k = 1; k <= MacroStore::kMacros; ++k)
        m_macroStore.store(field, CmdEdits[k - 1]->text(), list, k);
}

bool TForm1::SaveAllLists() {
    WriteListCmd();
    if (m_macroStore.save(m_macroFilePath))
        return true;
    modal::reportFileError(this, MacroStore::kFileName, m_macroStore.errorString());
    return false;
}

bool TForm1::macroCloseAllowed() {
    // The list name typed in editor mode counts as a change too.
    if (m_editorMode)
        m_macroStore.setListName(state.CurrentList, ui.ListNameEDT->text());
    if (!m_savePrompt || !m_macroStore.differsFromFile())
        return true;
    bool saveChosen = false;
    m_savePrompt->closeRefused = false;
    const auto chosen = connect(m_savePrompt, &TSave::saveRequested, this, [&saveChosen] { saveChosen = true; });
    modal::exec(*m_savePrompt, m_savePrompt->question());
    disconnect(chosen);
    if (m_savePrompt->closeRefused) {
        m_savePrompt->closeRefused = false;
        return false;
    }
    // A save that failed keeps the window open, so the changes are not lost.
    return !saveChosen || SaveAllLists();
}

void TForm1::ButtonCmdClick(int macro) {
    state.SelectedCommand = m_macroStore.bytes(MacroStore::Field::Command, state.CurrentList, macro);
    if (ui.RBSel->isChecked()) {
        SendPortData(state.SelectedCommand);
        ui.ButtonSend->setFocus();
    } else {
        ui.MainStrCmd->setText(cp1251::toUnicode(state.SelectedCommand));
        ui.MainStrCmd->setFocus();
    }
}

void TForm1::applyStep(const macroview::Step &step) {
    if (step.decEnabled)
        ui.ListDec->setEnabled(*step.decEnabled);
    if (step.incEnabled)
        ui.ListInc->setEnabled(*step.incEnabled);
}

// In editor mode the list being left is captured first.
void TForm1::stepList(const macroview::Step &step) {
    if (m_editorMode)
        WriteListCmd();
    if (step.moved) {
        state.CurrentList = step.list;
        ReadListCmd(state.CurrentList);
    }
    applyStep(step);
}

void TForm1::ListIncClick() {
    ui.ListDec->setEnabled(true);
    stepList(macroview::stepForward(state.CurrentList));
}

void TForm1::ListDecClick() {
    ui.ListInc->setEnabled(true);
    stepList(macroview::stepBack(state.CurrentList));
}

void TForm1::CBListsClick(int entryIndex) {
    const macroview::Step step = macroview::choose(entryIndex);
    state.CurrentList = step.list;
    ReadListCmd(state.CurrentList);
    applyStep(step);
}

void TForm1::CBListsDblClick() {
    ui.CBLists->hide();
    ui.STListName->setText(m_macroStore.listName(state.CurrentList));
    ui.STListName->show();
}

void TForm1::STListNameDblClick() {
    // While a command file is loaded the caption shows the file's name.
    if (state.FileSendMode)
        return;
    ui.CBLists->show();
    ui.STListName->hide();
}

void TForm1::DelListClick() {
    m_macroStore.ClrListCmd(state.CurrentList);
    ReadListCmd(state.CurrentList);
}

void TForm1::SaveFClick() {
    ui.SaveF->setEnabled(false);
    SaveAllLists();
    ui.SaveF->setEnabled(true);
}

// The radio button is already checked when its handler runs; the edits'
// limits follow the view inside ReadListCmd.
void TForm1::RBNameClick() { ReadListCmd(state.CurrentList); }

void TForm1::RbDataClick() { ReadListCmd(state.CurrentList); }

void TForm1::EditAllCmdClick() {
    using macroediting::Visibility;
    const bool entering = !m_editorMode;
    m_editorMode = entering;
    ui.EditAllCmd->setProperty("tag", entering ? 1 : 0);
    ui.EditAllCmd->setText(macroediting::toggleCaption(entering));
    if (!entering) {
        m_macroStore.setListName(state.CurrentList, ui.ListNameEDT->text());
        ui.STListName->setText(m_macroStore.listName(state.CurrentList));
    }
    for (const macroediting::ModeControl &entry : macroediting::kModeControls) {
        const Visibility visibility = entering ? entry.entering : entry.leaving;
        if (visibility != Visibility::Keep)
            findChild<QWidget *>(QString::fromLatin1(entry.control))->setVisible(visibility == Visibility::Show);
    }
    if (entering) {
        ReadListCmd(state.CurrentList);
        // The edit is drawn over the large caption when both are shown.
        ui.ListNameEDT->raise();
    } else {
        WriteListCmd();
        ReadListCmd(state.CurrentList);
    }
    for (int k = 1; k <= MacroStore::kMacros; ++k) {
        CmdButtons[k - 1]->setVisible(!entering);
        CmdEdits[k - 1]->setVisible(entering);
    }
    if (entering)
        showWhole(ui.ListNameEDT, m_macroStore.listName(state.CurrentList), kListNameLimit);
    else
        SaveAllLists();
}

void TForm1::SaveEditTextCmd(int macro) {
    CurrentMacro = macro;
    const macroview::View view = macroView();
    QLineEdit *edit = CmdEdits[macro - 1];
    m_macroStore.store(macroview::editedField(view), edit->text(), state.CurrentList, macro);
    followText(edit, macroview::editLimit(view));
}

void TForm1::showDescription(int macro) {
    // The focus coming back to the edit as the editor closes must not put
    // the old description over the one just typed.
    if (m_macroEditorOpen)
        return;
    for (int j = 1; j <= MacroStore::kDescriptionLines; ++j)
        DescriptionLines[j - 1]->setText(m_macroStore.description(state.CurrentList, macro, j));
}

void TForm1::ClearHelp() {
    for (QLabel *line : DescriptionLines)
        line->clear();
}

void TForm1::OutHelpHelp() {
    for (int j = 1; j <= MacroStore::kDescriptionLines; ++j)
        DescriptionLines[j - 1]->setText(macroediting::kDefaultHelp[j - 1]);
}

void TForm1::ShowWindowEdtHelp(int macro) {
    if (!m_macroEditor)
        return;
    CurrentMacro = macro;
    QLineEdit *edit = CmdEdits[macro - 1];
    setBase(edit, kEditedMacroColour);
    WriteListCmd();
    m_macroEditorOpen = true;
    m_macroEditor->editMacro(state.CurrentList, CurrentMacro);
    ReadListCmd(state.CurrentList);
    for (int j = 1; j <= MacroStore::kDescriptionLines; ++j)
        m_macroStore.setDescription(state.CurrentList, CurrentMacro, j, DescriptionLines[j - 1]->text());
    m_macroEditorOpen = false;
    setBase(edit, QApplication::palette().color(QPalette::Base));
}

int TForm1::macroNumberOf(QObject *control) const {
    for (int k = 1; k <= MacroStore::kMacros; ++k) {
        if (CmdButtons[k - 1] == control || CmdEdits[k - 1] == control)
            return k;
    }
    return 0;
}

void TForm1::connectMacroHandlers() {
    for (int k = 1; k <= MacroStore::kMacros; ++k) {
        QPushButton *button = CmdButtons[k - 1];
        QLineEdit *edit = CmdEdits[k - 1];
        connect(button, &QPushButton::clicked, this, [this, k] { ButtonCmdClick(k); });
        connect(edit, &QLineEdit::textChanged, this, [this, k] { SaveEditTextCmd(k); });
        for (QWidget *control : {static_cast<QWidget *>(button), static_cast<QWidget *>(edit)}) {
            control->setMouseTracking(true);
            control->installEventFilter(this);
        }
    }
    connect(ui.ListInc, &QPushButton::clicked, this, &TForm1::ListIncClick);
    connect(ui.ListDec, &QPushButton::clicked, this, &TForm1::ListDecClick);
    connect(ui.CBLists, &QComboBox::activated, this, &TForm1::CBListsClick);
    connect(ui.DelList, &QPushButton::clicked, this, &TForm1::DelListClick);
    connect(ui.SaveF, &QPushButton::clicked, this, &TForm1::SaveFClick);
    connect(ui.RBName, &QRadioButton::clicked, this, &TForm1::RBNameClick);
    connect(ui.RbData, &QRadioButton::clicked, this, &TForm1::RbDataClick);
    connect(ui.EditAllCmd, &QPushButton::clicked, this, &TForm1::EditAllCmdClick);
    ui.CBLists->lineEdit()->installEventFilter(this);
    ui.STListName->installEventFilter(this);

    // Pointer moves reach a control only with mouse tracking on; the log
    // views report them on their viewports.
    for (const char *name : macroediting::kHelpClearingControls) {
        auto *control = findChild<QWidget *>(QString::fromLatin1(name));
        if (auto *view = qobject_cast<QAbstractScrollArea *>(control))
            control = view->viewport();
        control->setMouseTracking(true);
        control->installEventFilter(this);
        m_helpClearing.append(control);
    }
}

bool TForm1::macroEventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (const int k = macroNumberOf(watched)) {
            showDescription(k);
        } else if (event->type() == QEvent::MouseMove && m_helpClearing.contains(watched)) {
            // A move over a child is offered to its parents too; a panel
            // clears only over its own background.
            auto *control = static_cast<QWidget *>(watched);
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            if (!control->childAt(at))
                ClearHelp();
        }
        return false;
    case QEvent::FocusIn:
        if (const int k = macroNumberOf(watched); k && watched == CmdEdits[k - 1])
            showDescription(k);
        return false;
    case QEvent::MouseButtonDblClick:
        if (const int k = macroNumberOf(watched); k && watched == CmdEdits[k - 1]) {
            ShowWindowEdtHelp(k);
            return true;
        }
        if (watched == ui.CBLists->lineEdit()) {
            CBListsDblClick();
            return true;
        }
        if (watched == ui.STListName) {
            STListNameDblClick();
            return true;
        }
        return false;
    default:
        return false;
    }
}
