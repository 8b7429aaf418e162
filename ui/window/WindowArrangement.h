#pragma once

#include "ui/window/WindowLayout.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <functional>

class QPushButton;
class QWidget;

namespace ui {

class TInfo;
class UpDown;

// Where the controls go when the window is resized, the log's colours and
// font size, and the about window.
class WindowArrangement : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QWidget *MainWindow, *SecondWindow, *MainPanel, *LogPanel, *InputMode;
        // Take the colour cycle.
        QWidget *MainStrCmd, *FastOldCmd, *AddStrCmd, *OldCmdList, *LBTail;
        // The drop-down openers drawn inside the command and tail lines.
        QWidget *Str1, *Str2;
        // Fields drawn in the window's colour.
        QWidget *CBLists;
        QPushButton *BTPalitra, *BtInfo;
        UpDown *Srift;
    };
    // Comes after the macro grid is made: the drop-down lists are put over
    // it. Records the startup layout of `placed`, the controls the layout
    // rule places, each known to the rule by its design name. fileSendMode
    // tells whether a command file is loaded (the list caption is then wider).
    WindowArrangement(const Controls &controls, const QList<QWidget *> &placed, std::function<bool()> fileSendMode,
                      QWidget *window);

    void attachInfoWindow(TInfo *window) { m_infoWindow = window; }
    int fontSize() const { return m_fontSize; }

    // Places every control for the window's size.
    void windowResized();
    // Hidden controls are placed too, so that they come up in the right place.
    void FormCanResize();

private:
    void captureStartupLayout(const QList<QWidget *> &placed);
    void placeVertically();
    void BTPalitraClick();
    void SriftClick(int direction);
    void BtInfoClick();

    Controls m_controls;
    std::function<bool()> m_fileSendMode;
    QWidget *m_window;
    windowlayout::StartupLayout m_startupLayout;
    QHash<QString, QWidget *> m_placedWidgets;
    TInfo *m_infoWindow = nullptr;
    int m_colourStep = 0; // the colour cycle's step, shown in BTPalitra's tag
    int m_fontSize = 8;
};

} // namespace ui
