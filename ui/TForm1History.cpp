// The history drop-down under the command line and the tail picker.
#include "ui/TForm1.h"

void TForm1::connectHistoryHandlers() {}

bool TForm1::historyEventFilter(QObject *, QEvent *) { return false; }
