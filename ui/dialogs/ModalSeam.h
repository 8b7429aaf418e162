#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace ui {

// Every modal window and message box of the program opens through here. The
// window really runs modally (timers keep firing inside its loop); an observer
// installed by a test is called from inside that loop, once the window is up,
// and may look at it and close it. Windows open in the middle of the screen, a
// message box in the middle of its parent window once that is shown.
namespace modal {

// text: what the window says (a message box's text, or the window's title).
using Observer = std::function<void(QDialog &window, const QString &text)>;

void setObserver(Observer observer);

// Runs the window modally and returns its result.
int exec(QDialog &window, const QString &text);

// A message box with one OK button.
void inform(QWidget *parent, const QString &text);

// The same once the parent window is up: at once when it is shown already,
// else from the event loop after it has been shown, so that something found
// while the windows are being built never holds their start.
void informWhenShown(QWidget *parent, const QString &text);

// Reports a failed operation on a file with the system's error text.
void reportFileError(QWidget *parent, const QString &fileName, const QString &systemError);

// A file to open (one that exists) or to save, asked in Qt's own dialog,
// which leaves the working directory alone: the data files and the log stay
// where the program started. The dialog's object name is its text for the
// observer.
struct FileQuestion {
    enum class Mode { Open, Save };
    QString name;
    Mode mode = Mode::Open;
    QString filter{}; // none when empty
    QString suffix{}; // added to a name typed without one
};

// Returns the chosen file, or empty when none was chosen. The dialog starts in
// `folder` (the working directory while it is empty); `folder` keeps the
// chosen file's folder for the next time.
QString askFileName(QWidget *parent, const FileQuestion &question, QString &folder);

// A message that stays up, waiting on nobody, while the program itself waits
// (for a file another program holds): shown at the first show(), its text
// replaced by later ones, gone with the object. Unattended, each new text
// goes to the error output.
class Notice {
public:
    explicit Notice(QWidget *parent);
    ~Notice();
    Notice(const Notice &) = delete;
    Notice &operator=(const Notice &) = delete;
    // Also lets the window paint (no user input is taken meanwhile).
    void show(const QString &text);

private:
    QWidget *m_parent;
    QDialog *m_box = nullptr;
    QString m_text;
};

// A message box asking "Да" or "Нет". Escape and the window's close box
// answer neither: the question stays open for another time.
enum class Answer { Yes, No, Later };
Answer ask(QWidget *parent, const QString &text);

// While the program ends without a user to answer (a signal, the end of the
// desktop session), nothing is shown: each window's text goes to the error
// output, and it closes at once as by Escape.
void setUnattended(bool unattended);

} // namespace modal

} // namespace ui
