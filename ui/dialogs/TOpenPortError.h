#pragma once

#include <QDialog>
#include <QPixmap>

namespace ui {

// Shown when a send is tried with no port open: a cartoon telling the user to
// open the port. No buttons; the close box ends it. Created once at startup.
class TOpenPortError : public QDialog {
    Q_OBJECT

public:
    explicit TOpenPortError(QWidget *parent = nullptr);

    // The cartoon, 599 x 499 pixels.
    static QPixmap picture();
};

} // namespace ui
