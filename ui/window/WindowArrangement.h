#pragma once

#include "ui/window/WindowLayout.h"

#include <QList>
#include <QObject>

#include <functional>

class QColor;
class QPushButton;
class QWidget;

namespace ui {

class TInfo;

// Where the controls go when the window is resized, the colour cycle's step
// (each owner paints its own fields) and the about window.
class WindowArrangement : public QObject {
    Q_OBJECT
public:
    struct Controls {
        // The log memos stretch with the window's height, the two lower
        // panels stay at the bottom.
        QWidget *MainWindow, *SecondWindow, *MainPanel, *LogPanel, *InputMode;
        // The drop-down lists, which open over the macro grid.
        QWidget *FastOldCmd, *OldCmdList, *LBTail;
        QPushButton *BTPalitra, *BtInfo;
    };
    // Comes after the macro grid is made: the drop-down lists are put over
    // it. Records the startup layout of `placed`, the table of the controls
    // the layout rule places, each with its slot. fileSendMode tells whether
    // a command file is loaded (the list caption is then wider).
    WindowArrangement(const Controls &controls, const QList<windowlayout::Placement> &placed,
                      std::function<bool()> fileSendMode, QWidget *window);

    // The table of placed controls, as handed over.
    const QList<windowlayout::Placement> &placed() const { return m_placed; }

    void attachInfoWindow(TInfo *window) { m_infoWindow = window; }

    // Places every control for the window's size.
    void windowResized();
    // Hidden controls are placed too, so that they come up in the right place.
    void FormCanResize();

signals:
    // The colour cycle went on a step: the log and command fields take these.
    void fieldColoursChanged(const QColor &background, const QColor &text);

private:
    void captureStartupLayout();
    void placeVertically();
    void BTPalitraClick();
    void BtInfoClick();

    Controls m_controls;
    std::function<bool()> m_fileSendMode;
    QWidget *m_window;
    windowlayout::StartupLayout m_startupLayout;
    QList<windowlayout::Placement> m_placed;
    TInfo *m_infoWindow = nullptr;
    int m_colourStep = 0; // the colour cycle's step, shown in BTPalitra's tag
};

} // namespace ui
