#include "ui/dialogs/ModalSeam.h"

#include "core/FixedTexts.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace ui {

namespace modal {
namespace {

Observer &observer() {
    static Observer instance;
    return instance;
}

bool s_unattended = false;

// Puts the inside of the window in the middle of `over` when that is shown,
// else in the middle of the screen. Qt's own placement centres a window on its
// owner even before the owner is shown (in the top left corner), and guesses
// the frame the window manager adds, so that a dialog shown a second time
// lands lower by the height of its title bar.
void centre(QWidget &window, const QWidget *over) {
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect area = over && over->isVisible() ? over->geometry() : screen->availableGeometry();
    QRect inside(QPoint(), window.size());
    inside.moveCenter(area.center());
    window.setGeometry(inside);
}

// A message box knows its size only as it opens; it is placed then. Its text
// is plain: a file's name or a system's message is never read as markup.
class CentredBox : public QMessageBox {
public:
    CentredBox(Icon icon, const QString &text, StandardButtons buttons, QWidget *parent)
        : QMessageBox(icon, core::kProgramName, text, buttons, parent) {
        setTextFormat(Qt::PlainText);
    }

protected:
    void showEvent(QShowEvent *event) override {
        QMessageBox::showEvent(event);
        centre(*this, parentWidget() ? parentWidget()->window() : nullptr);
    }
};

// Qt makes "Нет" the answer of Escape and of the close box; here they answer
// nothing.
class QuestionBox : public CentredBox {
public:
    using CentredBox::CentredBox;

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->matches(QKeySequence::Cancel))
            reject();
        else
            CentredBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override { QDialog::closeEvent(event); }
};

// Holds a message back until its window has been shown; goes with the window.
class WhenShown : public QObject {
public:
    WhenShown(QWidget &window, QString text) : QObject(&window), m_text(std::move(text)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                inform(static_cast<QWidget *>(parent()), m_text);
                deleteLater();
            });
        }
        return false;
    }

private:
    QString m_text;
};

int run(QDialog &window, const QString &text) {
    if (s_unattended) {
        qWarning("%s", qUtf8Printable(text));
        return QDialog::Rejected;
    }
    if (observer()) {
        QPointer<QDialog> guard(&window);
        QTimer::singleShot(0, &window, [guard, text] {
            if (guard && guard->isVisible() && observer())
                observer()(*guard, text);
        });
    }
    return window.exec();
}

} // namespace

void setObserver(Observer newObserver) { observer() = std::move(newObserver); }

int exec(QDialog &window, const QString &text) {
    // A window sized before it opens (the program's own, the file dialog) goes
    // to the middle of the screen; message boxes place themselves.
    if (window.testAttribute(Qt::WA_Resized))
        centre(window, nullptr);
    return run(window, text);
}

void inform(QWidget *parent, const QString &text) {
    CentredBox box(QMessageBox::NoIcon, text, QMessageBox::Ok, parent);
    run(box, text);
}

void informWhenShown(QWidget *parent, const QString &text) {
    if (!parent || parent->isVisible())
        inform(parent, text);
    else
        new WhenShown(*parent, text);
}

void reportFileError(QWidget *parent, const QString &fileName, const QString &systemError) {
    const QString text = QStringLiteral("Ошибка ввода-вывода: %1\n%2").arg(fileName, systemError);
    CentredBox box(QMessageBox::Critical, text, QMessageBox::Ok, parent);
    run(box, text);
}

QString askFileName(QWidget *parent, const FileQuestion &question, QString &folder) {
    QFileDialog dialog(parent);
    dialog.setObjectName(question.name);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (question.mode == FileQuestion::Mode::Save)
        dialog.setAcceptMode(QFileDialog::AcceptSave);
    else
        dialog.setFileMode(QFileDialog::ExistingFile);
    if (!question.filter.isEmpty())
        dialog.setNameFilter(question.filter);
    dialog.setDefaultSuffix(question.suffix);
    dialog.setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    QString chosen;
    QObject::connect(&dialog, &QFileDialog::fileSelected, &dialog, [&chosen](const QString &file) { chosen = file; });
    exec(dialog, question.name);
    if (!chosen.isEmpty())
        folder = QFileInfo(chosen).absolutePath();
    return chosen;
}

Notice::Notice(QWidget *parent) : m_parent(parent) {}

Notice::~Notice() { delete m_box; }

void Notice::show(const QString &text) {
    if (text != m_text) {
        m_text = text;
        if (s_unattended) {
            qWarning("%s", qUtf8Printable(text));
        } else if (!m_box) {
            auto *box = new CentredBox(QMessageBox::Information, text, QMessageBox::NoButton, m_parent);
            box->setWindowModality(Qt::NonModal);
            box->show();
            m_box = box;
        } else {
            static_cast<QMessageBox *>(m_box)->setText(text);
        }
    }
    if (m_box)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

Answer ask(QWidget *parent, const QString &text) {
    QuestionBox box(QMessageBox::Question, text, QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    const QPushButton *no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    run(box, text);
    if (box.clickedButton() == yes)
        return Answer::Yes;
    return box.clickedButton() == no ? Answer::No : Answer::Later;
}

void setUnattended(bool unattended) { s_unattended = unattended; }

} // namespace modal

} // namespace ui
