#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TInfo;
}

namespace ui {

// The about window: program name and version, two contact fields, a small
// picture and the place and year. Created once at startup, shown modally.
class TInfo : public QDialog {
    Q_OBJECT

public:
    explicit TInfo(QWidget *parent = nullptr);
    ~TInfo() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void parkFocus();

    std::unique_ptr<Ui::TInfo> ui;
};

} // namespace ui
