// The macro store, the lists on the 48 buttons, editor mode and the
// description panel.
#include "ui/TForm1.h"

void TForm1::setUpMacros() {}

void TForm1::OutHelpHelp() {}

void TForm1::connectMacroHandlers() {}

bool TForm1::macroEventFilter(QObject *, QEvent *) { return false; }
