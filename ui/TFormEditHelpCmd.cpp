#include "ui/TFormEditHelpCmd.h"

#include "ui_TFormEditHelpCmd.h"

TFormEditHelpCmd::TFormEditHelpCmd(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFormEditHelpCmd>()) {
    ui->setupUi(this);
}

TFormEditHelpCmd::~TFormEditHelpCmd() = default;
