#include "ui/TFormEditHelpCmd.h"

#include "macros/MacroEditing.h"
#include "macros/MacroListView.h"
#include "macros/MacroStore.h"
#include "ui/LimitedEdit.h"
#include "ui/ModalSeam.h"
#include "ui_TFormEditHelpCmd.h"

#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace {

constexpr int kNameLimit = 50;
constexpr int kCommandLimit = 250;
constexpr int kLineLimit = 50;

} // namespace

TFormEditHelpCmd::TFormEditHelpCmd(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFormEditHelpCmd>()) {
    ui->setupUi(this);
    FormCreate();
}

TFormEditHelpCmd::~TFormEditHelpCmd() = default;

void TFormEditHelpCmd::FormCreate() {
    m_designWidth = width();
    m_designLineWidth = ui->Edit1->width();
    m_designNameWidth = ui->CmdName->width();
    m_designDataWidth = ui->CmdData->width();
    m_chain[macroediting::CmdName] = ui->CmdName;
    m_chain[macroediting::CmdData] = ui->CmdData;
    for (int j = 1; j <= 12; ++j) {
        QLineEdit *line = findChild<QLineEdit *>(QStringLiteral("Edit%1").arg(j));
        line->setProperty("tag", j);
        m_lineEdits[j - 1] = line;
        m_chain[macroediting::FirstLine + j - 1] = line;
        connect(line, &QLineEdit::textChanged, this, [this, j] { EditChange(j); });
    }
    for (QLineEdit *field : m_chain)
        field->installEventFilter(this);
    connect(ui->CmdName, &QLineEdit::textChanged, this, &TFormEditHelpCmd::CmdNameChange);
    connect(ui->CmdData, &QLineEdit::textChanged, this, &TFormEditHelpCmd::CmdDataChange);
}

void TFormEditHelpCmd::attach(MacroStore *store, const std::array<QLabel *, 12> &panelLines) {
    m_store = store;
    m_panelLines = panelLines;
}

void TFormEditHelpCmd::editMacro(int list, int macro) {
    if (!m_store)
        return;
    m_list = list;
    m_macro = macro;
    if (const QScreen *screen = this->screen()) {
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    modal::exec(*this, windowTitle());
}

void TFormEditHelpCmd::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    m_lostActivation = false;
    FormActivate();
}

void TFormEditHelpCmd::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible())
        return;
    // Coming back to the dialog from another window loads it afresh; the
    // first activation after opening was handled when it was shown.
    if (!isActiveWindow())
        m_lostActivation = true;
    else if (m_lostActivation) {
        m_lostActivation = false;
        FormActivate();
    }
}

void TFormEditHelpCmd::FormActivate() {
    if (!m_store)
        return;
    showWhole(ui->CmdName, m_store->name(m_list, m_macro), kNameLimit);
    showWhole(ui->CmdData, m_store->command(m_list, m_macro), kCommandLimit);
    for (int j = 1; j <= 12; ++j)
        showWhole(m_lineEdits[j - 1], m_panelLines[j - 1] ? m_panelLines[j - 1]->text() : QString(), kLineLimit);
    ui->CmdName->setFocus();
}

void TFormEditHelpCmd::CmdNameChange() {
    followText(ui->CmdName, kNameLimit);
    if (m_store)
        m_store->setName(m_list, m_macro, ui->CmdName->text());
}

void TFormEditHelpCmd::CmdDataChange() {
    followText(ui->CmdData, kCommandLimit);
    if (m_store)
        m_store->setCommand(m_list, m_macro, ui->CmdData->text());
}

void TFormEditHelpCmd::EditChange(int line) {
    QLineEdit *edit = m_lineEdits[line - 1];
    followText(edit, kLineLimit);
    if (QLabel *panelLine = m_panelLines[line - 1])
        panelLine->setText(edit->text());
}

bool TFormEditHelpCmd::fieldKeyPress(int field, int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (const auto next = macroediting::enterTarget(field))
            m_chain[*next]->setFocus();
        else
            accept();
        return true;
    }
    // The test looks at the text before the key acts: the Backspace that
    // deletes the last character stays, the next one moves.
    if (key == Qt::Key_Backspace && m_chain[field]->text().isEmpty()) {
        if (const auto previous = macroediting::backspaceTarget(field))
            m_chain[*previous]->setFocus();
    }
    return false;
}

bool TFormEditHelpCmd::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        for (int field = 0; field < macroediting::kFieldCount; ++field) {
            if (m_chain[field] == watched)
                return fieldKeyPress(field, static_cast<QKeyEvent *>(event)->key());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormEditHelpCmd::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    FormCanResize(width());
}

void TFormEditHelpCmd::FormCanResize(int width) {
    ui->CmdName->resize(macroediting::fieldWidth(width, m_designNameWidth, m_designWidth), ui->CmdName->height());
    ui->CmdData->resize(macroediting::fieldWidth(width, m_designDataWidth, m_designWidth), ui->CmdData->height());
    for (QLineEdit *line : m_lineEdits)
        line->resize(macroediting::fieldWidth(width, m_designLineWidth, m_designWidth), line->height());
}
