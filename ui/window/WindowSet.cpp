#include "ui/window/WindowSet.h"

#include "core/platform/TerminationSignals.h"
#include "ui/dialogs/TFormEditCmd.h"
#include "ui/dialogs/TFormEditHelpCmd.h"
#include "ui/dialogs/TInfo.h"
#include "ui/dialogs/TOpenPortError.h"
#include "ui/dialogs/TSave.h"
#include "ui/widgets/CursorBlinkTimeout.h"
#include "ui/window/TForm1.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
#include <QSessionManager>
#include <QTranslator>
#include <QWindow>

// Outside any namespace, as Qt's resource initialiser must be.
static void loadIconResource() { Q_INIT_RESOURCE(Desktop); }

namespace ui {

namespace {

// Qt's own texts in Russian, but not Qt's wording of a few system errors (no
// such file, permission denied): those stay as the system words them, like
// every other system error the program reports.
class QtTexts : public QTranslator {
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation, int n) const override {
        if (qstrcmp(context, "QIODevice") == 0)
            return {};
        return QTranslator::translate(context, sourceText, disambiguation, n);
    }
};

std::unique_ptr<QTranslator> setUpDesktop() {
    loadIconResource();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/terminalkvr.svg")));
    auto qtTexts = std::make_unique<QtTexts>();
    if (qtTexts->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts.get());
    return qtTexts;
}

} // namespace

WindowSet::WindowSet(core::PortDirectory portDirectory)
    : m_qtTexts(setUpDesktop()), Form1(std::make_unique<TForm1>(std::move(portDirectory))),
      FormEditHelpCmd(std::make_unique<TFormEditHelpCmd>()), Save(std::make_unique<TSave>()),
      Info(std::make_unique<TInfo>()), FormEditCmd(std::make_unique<TFormEditCmd>()),
      OpenPortError(std::make_unique<TOpenPortError>()) {
    // The about window, the save question and the port-error window are
    // dialogs of the main window: the window manager keeps them over it and
    // minimises them only together with it, if at all, rather than leaving it
    // blocked behind a window that is gone. Only the window system learns the
    // owner: as Qt children they would take on the main window's style sheet.
    Form1->winId();
    for (QDialog *dialog : std::initializer_list<QDialog *>{Save.get(), Info.get(), OpenPortError.get()}) {
        dialog->winId();
        dialog->windowHandle()->setTransientParent(Form1->windowHandle());
    }
    Form1->attachPortErrorWindow(OpenPortError.get());
    Form1->attachMacroWindows(FormEditHelpCmd.get(), Save.get());
    Form1->attachInfoWindow(Info.get());
    endSessionWithTheProgram();
    m_blinkTimeout = std::make_unique<CursorBlinkTimeout>();
}

void WindowSet::endSessionWithTheProgram() {
    TForm1 *form = Form1.get();
    m_endSignals = std::make_unique<core::TerminationSignals>();
    QObject::connect(m_endSignals.get(), &core::TerminationSignals::received, form, &TForm1::endSession);
    // The session manager may end the program right after asking it to keep
    // its data, so it ends there and then; its edits wait for the next start.
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, form, [form] { form->endSession(); });
#endif
    QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, form, &TForm1::endSession);
}

WindowSet::~WindowSet() = default;

void showCentred(TForm1 &window) {
    if (const QScreen *screen = window.screen()) {
        QRect frame(QPoint(), window.size());
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
}

} // namespace ui
