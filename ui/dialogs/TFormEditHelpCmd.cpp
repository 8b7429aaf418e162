#include "ui/dialogs/TFormEditHelpCmd.h"

#include "macros/MacroEditing.h"
#include "macros/MacroListView.h"
#include "macros/MacroStore.h"
#include "ui/dialogs/ModalSeam.h"
#include "ui/widgets/Keys.h"
#include "ui/widgets/LimitedEdit.h"
#include "ui/widgets/PlainText.h"
#include "ui_TFormEditHelpCmd.h"

#include <QKeyEvent>
#include <QLabel>

namespace ui {

namespace {

// Name and command string are typed up to their slots in the store; a
// description line to a limit of its own, well under its slot.
const int kNameLimit = macros::editLimit(macros::MacroStore::Field::Name);
const int kCommandLimit = macros::editLimit(macros::MacroStore::Field::Command);
constexpr int kLineLimit = 50;

// The description lines hang one under the other below their caption
// "Описание команды", as wide as it; the larger bold type is set on them
// alone.
constexpr int kLineHeight = 20;
const QString kLineStyle = QStringLiteral("font-weight: bold; font-size: 13px;");

QRect lineRect(const QWidget *caption, int j) {
    const QRect under = caption->geometry();
    return QRect(under.left(), under.bottom() + 1 + kLineHeight * (j - 1), under.width(), kLineHeight);
}

} // namespace

TFormEditHelpCmd::TFormEditHelpCmd(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFormEditHelpCmd>()) {
    ui->setupUi(this);
    FormCreate();
}

TFormEditHelpCmd::~TFormEditHelpCmd() = default;

void TFormEditHelpCmd::createLineEdits() {
    for (int j = 1; j <= kLines; ++j) {
        auto *line = new QLineEdit(this);
        line->setObjectName(QStringLiteral("Edit%1").arg(j));
        line->setGeometry(lineRect(ui->Label3, j));
        line->setStyleSheet(kLineStyle);
        line->setProperty("tag", j);
        line->setMaxLength(kLineLimit);
        m_lineEdits[j - 1] = line;
    }
    // Tab walks the description first, then the name and the command string.
    for (int j = 1; j < kLines; ++j)
        QWidget::setTabOrder(m_lineEdits[j - 1], m_lineEdits[j]);
    QWidget::setTabOrder(m_lineEdits.back(), ui->CmdName);
    QWidget::setTabOrder(ui->CmdName, ui->CmdData);
}

void TFormEditHelpCmd::FormCreate() {
    createLineEdits();
    m_designWidth = width();
    m_designLineWidth = m_lineEdits.front()->width();
    m_designNameWidth = ui->CmdName->width();
    m_designDataWidth = ui->CmdData->width();
    m_chain[macros::CmdName] = ui->CmdName;
    m_chain[macros::CmdData] = ui->CmdData;
    for (int j = 1; j <= kLines; ++j) {
        QLineEdit *line = m_lineEdits[j - 1];
        m_chain[macros::FirstLine + j - 1] = line;
        connect(line, &QLineEdit::textChanged, this, [this, j] { EditChange(j); });
    }
    for (QLineEdit *field : m_chain) {
        field->installEventFilter(this);
        plaintext::keepOnOneLine(field);
    }
    connect(ui->CmdName, &QLineEdit::textChanged, this, &TFormEditHelpCmd::CmdNameChange);
    connect(ui->CmdData, &QLineEdit::textChanged, this, &TFormEditHelpCmd::CmdDataChange);
}

void TFormEditHelpCmd::attach(macros::MacroStore *store, const std::array<QLabel *, kLines> &panelLines) {
    m_store = store;
    m_panelLines = panelLines;
}

void TFormEditHelpCmd::editMacro(int list, int macro) {
    if (!m_store)
        return;
    m_list = list;
    m_macro = macro;
    // Opens in the middle of the screen, as every window sized before it
    // opens does.
    modal::exec(*this, windowTitle());
}

void TFormEditHelpCmd::storeFields() {
    CmdNameChange();
    CmdDataChange();
    for (int j = 1; j <= kLines; ++j)
        EditChange(j);
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
    for (int j = 1; j <= kLines; ++j)
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
    if (isEnterKey(key)) {
        if (const auto next = macros::enterTarget(field))
            m_chain[*next]->setFocus();
        else
            accept();
        return true;
    }
    // The test looks at the text before the key acts: the Backspace that
    // deletes the last character stays, the next one moves.
    if (key == Qt::Key_Backspace && m_chain[field]->text().isEmpty()) {
        if (const auto previous = macros::backspaceTarget(field))
            m_chain[*previous]->setFocus();
    }
    return false;
}

bool TFormEditHelpCmd::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        for (int field = 0; field < macros::kFieldCount; ++field) {
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
    ui->CmdName->resize(macros::fieldWidth(width, m_designNameWidth, m_designWidth), ui->CmdName->height());
    ui->CmdData->resize(macros::fieldWidth(width, m_designDataWidth, m_designWidth), ui->CmdData->height());
    for (QLineEdit *line : m_lineEdits)
        line->resize(macros::fieldWidth(width, m_designLineWidth, m_designWidth), line->height());
}

} // namespace ui
