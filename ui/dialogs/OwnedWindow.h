#pragma once

class QWidget;

namespace ui {

// Shows a window of the main window's (the chart, the port for scripts) and
// brings it forward. It is not the owner's Qt child, which would take on the
// owner's style sheet: only the window system learns the owner, and keeps it
// over the owner. A window not yet shown opens over the owner's middle.
void showOverOwner(QWidget &window, QWidget &owner);

} // namespace ui
