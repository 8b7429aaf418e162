#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TSave;
}

namespace ui {

// Asks whether to save the macro store. Only "Да" and "Нет" answer it:
// "Отмена", Escape and a close by the window manager all keep the window
// open with its changes.
class TSave : public QDialog {
    Q_OBJECT

public:
    explicit TSave(QWidget *parent = nullptr);
    ~TSave() override;

    // Set as the question opens and cleared by "Да" and "Нет": the main
    // window refuses the one close that asked and clears the mark.
    bool closeRefused = false;

    // The question the dialog asks.
    QString question() const;

signals:
    // "Да": the store is to be saved; the dialog closes right after.
    void saveRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TSave> ui;
};

} // namespace ui
