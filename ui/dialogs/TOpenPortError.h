#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;

namespace ui {

// Shown when a send is tried with no port open: a cartoon telling the user to
// open the port. No buttons; the close box ends it. Created once at startup.
class TOpenPortError : public QDialog {
    Q_OBJECT

public:
    explicit TOpenPortError(QWidget *parent = nullptr);

    // The cartoon, 599 x 499 pixels.
    static QPixmap picture();

protected:
    // The cartoon is drawn when the window is first shown: most runs never
    // show it, and drawing it would lengthen every start.
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_image;
};

} // namespace ui
