#include "ui/TSave.h"

#include "core/FixedTexts.h"

#include "ui_TSave.h"

TSave::TSave(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TSave>()) {
    ui->setupUi(this);
    setWindowTitle(kProgramName);
    connect(ui->ButtonYes, &QPushButton::clicked, this, [this] {
        emit saveRequested();
        accept();
    });
    connect(ui->ButtonNo, &QPushButton::clicked, this, &TSave::reject);
    connect(ui->ButtonCancel, &QPushButton::clicked, this, [this] {
        closeRefused = true;
        reject();
    });
}

TSave::~TSave() = default;

QString TSave::question() const { return ui->LabelQuestion->text(); }

void TSave::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    // Every opening starts on "Да", whichever button closed it last time.
    ui->ButtonYes->setFocus();
}
