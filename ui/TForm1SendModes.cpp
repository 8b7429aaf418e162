// The send modes, the period timer and sending from a command file.
#include "ui/TForm1.h"

void TForm1::connectSendModeHandlers() {}

bool TForm1::sendModeEventFilter(QObject *, QEvent *) { return false; }
