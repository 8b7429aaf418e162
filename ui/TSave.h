#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TSave;
}

// Asks whether to save the macro store. It has no title-bar buttons, so one
// of its three answers always closes it.
class TSave : public QDialog {
    Q_OBJECT

public:
    explicit TSave(QWidget *parent = nullptr);
    ~TSave() override;

    // Set by "Отмена": the main window refuses the one close that asked and
    // clears the mark.
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
