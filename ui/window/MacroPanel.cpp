#include "ui/window/MacroPanel.h"

#include "core/platform/FileLock.h"
#include "macros/MacroEditing.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/dialogs/TFormEditHelpCmd.h"
#include "ui/dialogs/TSave.h"
#include "ui/widgets/LimitedEdit.h"
#include "ui/widgets/PlainText.h"
#include "ui/widgets/PointerWatch.h"
#include "ui/window/Appearance.h"
#include "ui/window/MacroGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace ui {

namespace {

const int kListNameLimit = macros::editLimit(macros::MacroStore::Field::ListName);

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

MacroPanel::MacroPanel(const Controls &controls, std::function<bool()> fileShown, QWidget *window)
    : QObject(window), m_controls(controls), m_fileShown(std::move(fileShown)), m_window(window) {
    createMacroControls();
    // The store stays in the folder the program started in.
    m_storePath = QDir::current().absoluteFilePath(macros::MacroStore::kFileName);
    // The chooser's text part takes the double-click; it cannot be typed in.
    m_controls.CBLists->setEditable(true);
    m_controls.CBLists->lineEdit()->setReadOnly(true);
    m_controls.CBLists->setInsertPolicy(QComboBox::NoInsert);
    // A list's name or a command file's path, never read as markup.
    m_controls.STListName->setTextFormat(Qt::PlainText);
    plaintext::keepOnOneLine(m_controls.ListNameEDT);
    appearance::paintInWindowColour(m_controls.CBLists);
    LoadCmdConfig();
    ReadListCmd(m_currentList);
    OutHelpHelp();
    connectHandlers();
}

void MacroPanel::createMacroControls() {
    QFont bold = m_controls.MainPanel->font();
    bold.setBold(true);
    for (int k = 1; k <= macros::MacroStore::kMacros; ++k) {
        const QRect place = macrogrid::designRect(k);
        auto *button = new QPushButton(m_controls.MainPanel);
        button->setObjectName(QStringLiteral("Button%1").arg(k));
        auto *edit = new QLineEdit(m_controls.MainPanel);
        edit->setObjectName(QStringLiteral("Edit%1").arg(k));
        edit->setMaxLength(macros::editLimit(macros::View::Names));
        edit->hide();
        plaintext::keepOnOneLine(edit);
        for (QWidget *control : {static_cast<QWidget *>(button), static_cast<QWidget *>(edit)}) {
            control->setGeometry(place);
            control->setFont(bold);
            control->setProperty("tag", k);
        }
        m_buttons[k - 1] = button;
        m_edits[k - 1] = edit;
    }
    m_lines = macrogrid::makeDescriptionLines(m_controls.MainPanel, m_controls.StaticText1);
}

QList<windowlayout::Placement> MacroPanel::gridControls() const {
    using windowlayout::Rule;
    QList<windowlayout::Placement> controls;
    for (int k = 1; k <= macrogrid::kMacroCount; ++k) {
        controls.append({m_buttons[k - 1], {Rule::MacroButton, k}});
        controls.append({m_edits[k - 1], {Rule::MacroEdit, k}});
    }
    // The description lines move with the right edge.
    for (QWidget *line : m_lines)
        controls.append({line, {Rule::MoveRight}});
    return controls;
}

void MacroPanel::attachMacroWindows(TFormEditHelpCmd *editor, TSave *savePrompt) {
    m_macroEditor = editor;
    m_savePrompt = savePrompt;
    if (m_macroEditor)
        m_macroEditor->attach(&m_store, m_lines);
}

macros::View MacroPanel::macroView() const {
    return m_controls.RbData->isChecked() ? macros::View::Commands : macros::View::Names;
}

void MacroPanel::LoadCmdConfig() {
    const bool loaded = m_store.LoadCmdConfig(m_storePath);
    if (m_store.rebuilt())
        modal::inform(m_window, m_store.rebuiltMessage());
    if (!loaded)
        modal::reportFileError(m_window, macros::MacroStore::kFileName, m_store.errorString());
    // Edits kept from lists this run cannot read wait for a run that can.
    if (!m_store.unreadable())
        offerRecovery();
}

void MacroPanel::offerRecovery() {
    switch (m_store.checkRecovery(m_storePath)) {
    case macros::MacroStore::RecoveryCheck::None:
        return;
    case macros::MacroStore::RecoveryCheck::SetAside:
        modal::inform(m_window, m_store.errorString());
        return;
    case macros::MacroStore::RecoveryCheck::Usable:
        break;
    }
    bool done = true;
    switch (modal::ask(m_window, macros::MacroStore::recoveryQuestion(m_storePath))) {
    case modal::Answer::Yes:
        // Another window may have answered first.
        if (!macros::MacroStore::hasRecovery(m_storePath)) {
            modal::inform(m_window, macros::MacroStore::recoveryGoneText(m_storePath));
            return;
        }
        done = m_store.takeRecovery(m_storePath) && settleRecoveryConflicts();
        break;
    case modal::Answer::No:
        done = m_store.discardRecovery(m_storePath);
        break;
    case modal::Answer::Later:
        break;
    }
    if (!done)
        modal::reportFileError(m_window, macros::MacroStore::recoveryPath(m_storePath), m_store.errorString());
}

bool MacroPanel::settleRecoveryConflicts() {
    if (m_store.recoveryConflicts().isEmpty())
        return true;
    // The saved texts stay unless the user says "Нет"; Escape leaves the
    // kept ones in the file for another start.
    switch (modal::ask(m_window, m_store.conflictQuestion())) {
    case modal::Answer::Yes:
        return m_store.settleConflicts(false, m_storePath);
    case modal::Answer::No:
        return m_store.settleConflicts(true, m_storePath);
    case modal::Answer::Later:
        m_store.postponeConflicts();
        return true;
    }
    return true;
}

void MacroPanel::showListName(const QString &name) { showWhole(m_controls.ListNameEDT, name, kListNameLimit); }

void MacroPanel::ReadListCmd(int list) {
    const macros::View view = macroView();
    const int limit = macros::editLimit(view);
    for (int k = 1; k <= macros::MacroStore::kMacros; ++k) {
        const macros::Face face = macros::faceOf(m_store, view, list, k);
        QPushButton *button = m_buttons[k - 1];
        QLineEdit *edit = m_edits[k - 1];
        setBold(button, face.bold);
        setBold(edit, face.bold);
        const QString caption = plaintext::asButtonCaption(face.caption);
        if (button->text() != caption)
            button->setText(caption);
        showWhole(edit, face.caption, limit);
        button->setToolTip(plaintext::asToolTip(face.hint));
        edit->setToolTip(plaintext::asToolTip(face.hint));
    }
    if (m_store.listName(list).isEmpty())
        m_store.setListName(list, macros::defaultListName(list));
    const QString name = m_store.listName(list);
    // While a command file is loaded the large caption shows its name.
    if (!m_fileShown())
        m_controls.STListName->setText(name);
    showListName(name);
    fillChooser(list, name);
}

void MacroPanel::fillChooser(int list, const QString &name) {
    QComboBox *chooser = m_controls.CBLists;
    if (chooser->count() != macros::MacroStore::kLists) {
        chooser->clear();
        for (int n = 1; n <= macros::MacroStore::kLists; ++n)
            chooser->addItem(QString());
    }
    for (int n = 1; n <= macros::MacroStore::kLists; ++n)
        chooser->setItemText(n - 1, m_store.listName(n));
    chooser->setCurrentIndex(list - 1);
    chooser->setEditText(name);
}

void MacroPanel::WriteListCmd() {
    m_store.setListName(m_currentList, m_controls.ListNameEDT->text());
    const macros::MacroStore::Field field = macros::editedField(macroView());
    for (int k = 1; k <= macros::MacroStore::kMacros; ++k)
        m_store.store(field, m_edits[k - 1]->text(), m_currentList, k);
}

bool MacroPanel::SaveAllLists() {
    WriteListCmd();
    if (m_store.save(m_storePath)) {
        // The save took in what other windows saved meanwhile: shown now, the
        // edits cannot put the old texts back at the next save.
        ReadListCmd(m_currentList);
        return true;
    }
    modal::reportFileError(m_window, macros::MacroStore::kFileName, m_store.errorString());
    return false;
}

bool MacroPanel::closeAllowed() {
    // The list name typed in editor mode counts as a change too.
    if (m_editorMode)
        m_store.setListName(m_currentList, m_controls.ListNameEDT->text());
    if (!m_savePrompt || !m_store.differsFromFile())
        return true;
    switch (m_savePrompt->ask()) {
    case TSave::Answer::Save:
        // A save that failed keeps the window open, so the changes are not lost.
        return SaveAllLists();
    case TSave::Answer::DontSave:
        return true;
    case TSave::Answer::Cancel:
        break;
    }
    return false;
}

MacroPanel::~MacroPanel() {
    if (m_ending)
        core::FileLock::setProgramEnding(false);
}

void MacroPanel::keepUnsaved() {
    // Nobody waits on the window any more; another window ending at the same
    // moment may be writing its files.
    m_ending = true;
    core::FileLock::setProgramEnding(true);
    if (m_editorMode)
        WriteListCmd();
    // What the editor holds goes over the edits: the edit of its macro still
    // shows the name it had when the editor opened.
    if (m_macroEditorOpen) {
        m_macroEditor->storeFields();
        storePanelDescription();
    }
    if (!m_store.writeRecovery(m_storePath))
        modal::reportFileError(m_window, macros::MacroStore::recoveryPath(m_storePath), m_store.errorString());
}

void MacroPanel::showCommandFile(bool loaded, const QString &caption) {
    // The file's lines take the place of the list chooser and the view
    // switches; the large caption shows the file's name.
    for (QWidget *control : std::initializer_list<QWidget *>{m_controls.CBLists, m_controls.RBName, m_controls.RbData,
                                                             m_controls.EditAllCmd})
        control->setVisible(!loaded);
    m_controls.STListName->setVisible(loaded);
    if (loaded) {
        m_listNameHint = m_controls.STListName->toolTip();
        m_controls.STListName->setToolTip(QString());
        m_controls.STListName->setText(caption);
    } else {
        m_controls.STListName->setText(m_store.listName(m_currentList));
        m_controls.STListName->setToolTip(m_listNameHint);
    }
}

void MacroPanel::ButtonCmdClick(int macro) {
    emit macroChosen(m_store.bytes(macros::MacroStore::Field::Command, m_currentList, macro));
}

void MacroPanel::applyStep(const macros::Step &step) {
    if (step.decEnabled)
        m_controls.ListDec->setEnabled(*step.decEnabled);
    if (step.incEnabled)
        m_controls.ListInc->setEnabled(*step.incEnabled);
}

// In editor mode the list being left is captured first.
void MacroPanel::stepList(const macros::Step &step) {
    if (m_editorMode)
        WriteListCmd();
    if (step.moved) {
        m_currentList = step.list;
        ReadListCmd(m_currentList);
    }
    applyStep(step);
}

void MacroPanel::ListIncClick() {
    m_controls.ListDec->setEnabled(true);
    stepList(macros::stepForward(m_currentList));
}

void MacroPanel::ListDecClick() {
    m_controls.ListInc->setEnabled(true);
    stepList(macros::stepBack(m_currentList));
}

void MacroPanel::CBListsClick(int entryIndex) {
    const macros::Step step = macros::choose(entryIndex);
    m_currentList = step.list;
    ReadListCmd(m_currentList);
    applyStep(step);
}

void MacroPanel::CBListsDblClick() {
    m_controls.CBLists->hide();
    m_controls.STListName->setText(m_store.listName(m_currentList));
    m_controls.STListName->show();
}

void MacroPanel::STListNameDblClick() {
    // While a command file is loaded the caption shows the file's name.
    if (m_fileShown())
        return;
    m_controls.CBLists->show();
    m_controls.STListName->hide();
}

void MacroPanel::DelListClick() {
    m_store.ClrListCmd(m_currentList);
    ReadListCmd(m_currentList);
}

void MacroPanel::SaveFClick() {
    m_controls.SaveF->setEnabled(false);
    SaveAllLists();
    m_controls.SaveF->setEnabled(true);
}

void MacroPanel::EditAllCmdClick() {
    const bool entering = !m_editorMode;
    m_editorMode = entering;
    m_controls.EditAllCmd->setProperty("tag", entering ? 1 : 0);
    m_controls.EditAllCmd->setText(macros::toggleCaption(entering));
    if (!entering) {
        m_store.setListName(m_currentList, m_controls.ListNameEDT->text());
        m_controls.STListName->setText(m_store.listName(m_currentList));
    }
    m_controls.CBLists->setVisible(!entering);
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_controls.ListNameEDT, m_controls.DelList, m_controls.ListInc,
                                          m_controls.ListDec, m_controls.SaveF, m_controls.StaticText1})
        control->setVisible(entering);
    // The large caption keeps its place under the list-name edit; leaving
    // always returns to the chooser.
    if (!entering)
        m_controls.STListName->hide();
    emit editorModeChanged(entering);
    if (entering) {
        ReadListCmd(m_currentList);
        // The edit is drawn over the large caption when both are shown.
        m_controls.ListNameEDT->raise();
    } else {
        WriteListCmd();
        ReadListCmd(m_currentList);
    }
    for (int k = 1; k <= macros::MacroStore::kMacros; ++k) {
        m_buttons[k - 1]->setVisible(!entering);
        m_edits[k - 1]->setVisible(entering);
    }
    if (entering)
        showListName(m_store.listName(m_currentList));
    else
        SaveAllLists();
}

void MacroPanel::SaveEditTextCmd(int macro) {
    m_currentMacro = macro;
    const macros::View view = macroView();
    QLineEdit *edit = m_edits[macro - 1];
    m_store.store(macros::editedField(view), edit->text(), m_currentList, macro);
    followText(edit, macros::editLimit(view));
}

void MacroPanel::showDescription(int macro) {
    // The focus coming back to the edit as the editor closes must not put
    // the old description over the one just typed.
    if (m_macroEditorOpen)
        return;
    for (int j = 1; j <= macros::MacroStore::kDescriptionLines; ++j)
        m_lines[j - 1]->setText(m_store.description(m_currentList, macro, j));
}

void MacroPanel::ClearHelp() {
    for (QLabel *line : m_lines)
        line->clear();
}

void MacroPanel::OutHelpHelp() {
    for (int j = 1; j <= macros::MacroStore::kDescriptionLines; ++j)
        m_lines[j - 1]->setText(macros::kDefaultHelp[j - 1]);
}

void MacroPanel::ShowWindowEdtHelp(int macro) {
    if (!m_macroEditor)
        return;
    m_currentMacro = macro;
    QLineEdit *edit = m_edits[macro - 1];
    setBase(edit, appearance::kLime);
    WriteListCmd();
    m_macroEditorOpen = true;
    m_macroEditor->editMacro(m_currentList, m_currentMacro);
    ReadListCmd(m_currentList);
    storePanelDescription();
    m_macroEditorOpen = false;
    setBase(edit, QApplication::palette().color(QPalette::Base));
}

void MacroPanel::storePanelDescription() {
    for (int j = 1; j <= macros::MacroStore::kDescriptionLines; ++j)
        m_store.setDescription(m_currentList, m_currentMacro, j, m_lines[j - 1]->text());
}

int MacroPanel::macroNumberOf(QObject *control) const {
    for (int k = 1; k <= macros::MacroStore::kMacros; ++k) {
        if (m_buttons[k - 1] == control || m_edits[k - 1] == control)
            return k;
    }
    return 0;
}

void MacroPanel::connectHandlers() {
    for (int k = 1; k <= macros::MacroStore::kMacros; ++k) {
        QPushButton *button = m_buttons[k - 1];
        QLineEdit *edit = m_edits[k - 1];
        connect(button, &QPushButton::clicked, this, [this, k] { ButtonCmdClick(k); });
        connect(edit, &QLineEdit::textChanged, this, [this, k] { SaveEditTextCmd(k); });
        for (QWidget *control : {static_cast<QWidget *>(button), static_cast<QWidget *>(edit)}) {
            control->setMouseTracking(true);
            control->installEventFilter(this);
        }
    }
    connect(m_controls.ListInc, &QPushButton::clicked, this, &MacroPanel::ListIncClick);
    connect(m_controls.ListDec, &QPushButton::clicked, this, &MacroPanel::ListDecClick);
    connect(m_controls.CBLists, &QComboBox::activated, this, &MacroPanel::CBListsClick);
    connect(m_controls.DelList, &QPushButton::clicked, this, &MacroPanel::DelListClick);
    connect(m_controls.SaveF, &QPushButton::clicked, this, &MacroPanel::SaveFClick);
    connect(m_controls.RBName, &QRadioButton::clicked, this, &MacroPanel::RBNameClick);
    connect(m_controls.RbData, &QRadioButton::clicked, this, &MacroPanel::RbDataClick);
    connect(m_controls.EditAllCmd, &QPushButton::clicked, this, &MacroPanel::EditAllCmdClick);
    m_controls.CBLists->lineEdit()->installEventFilter(this);
    m_controls.STListName->installEventFilter(this);
    watchHelpClearing();
}

void MacroPanel::watchHelpClearing() {
    auto *watch =
        new PointerWatch({m_controls.EditAllCmd, m_controls.DelList, m_controls.ListInc, m_controls.ListDec}, this);
    connect(watch, &PointerWatch::overBackground, this, &MacroPanel::ClearHelp);
}

bool MacroPanel::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        pointerMoved(watched);
        return false;
    case QEvent::FocusIn:
        if (const int k = editNumberOf(watched))
            showDescription(k);
        return false;
    case QEvent::MouseButtonDblClick:
        return doubleClicked(watched);
    default:
        return false;
    }
}

int MacroPanel::editNumberOf(QObject *control) const {
    const int k = macroNumberOf(control);
    return k && control == m_edits[k - 1] ? k : 0;
}

void MacroPanel::pointerMoved(QObject *watched) {
    if (const int k = macroNumberOf(watched))
        showDescription(k);
}

bool MacroPanel::doubleClicked(QObject *watched) {
    if (const int k = editNumberOf(watched))
        ShowWindowEdtHelp(k);
    else if (watched == m_controls.CBLists->lineEdit())
        CBListsDblClick();
    else if (watched == m_controls.STListName)
        STListNameDblClick();
    else
        return false;
    return true;
}

} // namespace ui
