#include "ui/WindowSet.h"

#include "ui/TForm1.h"
#include "ui/TFormEditCmd.h"
#include "ui/TFormEditHelpCmd.h"
#include "ui/TInfo.h"
#include "ui/TOpenPortError.h"
#include "ui/TSave.h"

#include <QScreen>

WindowSet::WindowSet(PortDirectory portDirectory)
    : Form1(std::make_unique<TForm1>(std::move(portDirectory))),
      FormEditHelpCmd(std::make_unique<TFormEditHelpCmd>()), Save(std::make_unique<TSave>()),
      Info(std::make_unique<TInfo>()), FormEditCmd(std::make_unique<TFormEditCmd>()),
      OpenPortError(std::make_unique<TOpenPortError>()) {
    Form1->attachPortErrorWindow(OpenPortError.get());
    Form1->attachMacroWindows(FormEditHelpCmd.get(), Save.get());
    Form1->attachInfoWindow(Info.get());
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
