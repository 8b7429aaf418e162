#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFormEditHelpCmd;
}

// The macro editor: command name, command string and the twelve description
// lines of one macro. Created once at startup and shown modally on demand.
class TFormEditHelpCmd : public QDialog {
    Q_OBJECT

public:
    explicit TFormEditHelpCmd(QWidget *parent = nullptr);
    ~TFormEditHelpCmd() override;

private:
    std::unique_ptr<Ui::TFormEditHelpCmd> ui;
};
