#include "ui/dialogs/TFormEditCmd.h"

#include "ui_TFormEditCmd.h"

namespace ui {

TFormEditCmd::TFormEditCmd(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFormEditCmd>()) {
    ui->setupUi(this);
}

TFormEditCmd::~TFormEditCmd() = default;

} // namespace ui
