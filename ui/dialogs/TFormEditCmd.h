#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFormEditCmd;
}

namespace ui {

// The short command dialog: name and command string of one macro, with a way
// on to the full macro editor. Created once at startup.
class TFormEditCmd : public QDialog {
    Q_OBJECT

public:
    explicit TFormEditCmd(QWidget *parent = nullptr);
    ~TFormEditCmd() override;

private:
    std::unique_ptr<Ui::TFormEditCmd> ui;
};

} // namespace ui
