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

    enum class Answer { Save, DontSave, Cancel };
    // Asks modally and returns the answer: "Да" Save, "Нет" DontSave;
    // "Отмена", Escape and the close box Cancel.
    Answer ask();

    // The question the dialog asks.
    QString question() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TSave> ui;
    Answer m_answer = Answer::Cancel;
};

} // namespace ui
