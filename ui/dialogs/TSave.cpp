#include "ui/dialogs/TSave.h"

#include "core/FixedTexts.h"
#include "ui/dialogs/ModalSeam.h"

#include "ui_TSave.h"

namespace ui {

TSave::TSave(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ui(std::make_unique<Ui::TSave>()) {
    ui->setupUi(this);
    setWindowTitle(core::kProgramName);
    connect(ui->ButtonYes, &QPushButton::clicked, this, [this] {
        m_answer = Answer::Save;
        accept();
    });
    connect(ui->ButtonNo, &QPushButton::clicked, this, [this] {
        m_answer = Answer::DontSave;
        reject();
    });
    connect(ui->ButtonCancel, &QPushButton::clicked, this, &TSave::reject);
}

TSave::~TSave() = default;

QString TSave::question() const { return ui->LabelQuestion->text(); }

TSave::Answer TSave::ask() {
    // Whatever closes it without an answer keeps the window open: the edits
    // are hours of work.
    m_answer = Answer::Cancel;
    modal::exec(*this, question());
    return m_answer;
}

void TSave::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    // Every opening starts on "Да", whichever button closed it last time.
    ui->ButtonYes->setFocus();
}

} // namespace ui
