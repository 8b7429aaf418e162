#include "ui/dialogs/TSave.h"

#include "core/FixedTexts.h"

#include "ui_TSave.h"

namespace ui {

TSave::TSave(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ui(std::make_unique<Ui::TSave>()) {
    ui->setupUi(this);
    setWindowTitle(core::kProgramName);
    connect(ui->ButtonYes, &QPushButton::clicked, this, [this] {
        closeRefused = false;
        emit saveRequested();
        accept();
    });
    connect(ui->ButtonNo, &QPushButton::clicked, this, [this] {
        closeRefused = false;
        reject();
    });
    connect(ui->ButtonCancel, &QPushButton::clicked, this, &TSave::reject);
}

TSave::~TSave() = default;

QString TSave::question() const { return ui->LabelQuestion->text(); }

void TSave::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    // Whatever closes it without an answer refuses the close: the edits are
    // hours of work.
    closeRefused = true;
    // Every opening starts on "Да", whichever button closed it last time.
    ui->ButtonYes->setFocus();
}

} // namespace ui
