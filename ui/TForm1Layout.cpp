// Placing the controls when the window's width changes, and the log's colours
// and font size.
#include "ui/TForm1.h"

void TForm1::captureStartupLayout() {}

void TForm1::connectLayoutHandlers() {}
