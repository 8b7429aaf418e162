#include "ui/window/WindowArrangement.h"

#include "ui/dialogs/ModalSeam.h"
#include "ui/dialogs/TInfo.h"
#include "ui/window/Appearance.h"

#include <QApplication>
#include <QPushButton>

namespace ui {

namespace {

const char *const kTag = "tag";

// Distances of the design arrangement that the window keeps when its height
// changes: the log memos stretch, the two lower panels stay at the bottom.
constexpr int kMemoTop = 28;
constexpr int kMemoBottomMargin = 770 - 410;
constexpr int kMainPanelBottomMargin = 14;

} // namespace

WindowArrangement::WindowArrangement(const Controls &controls, const QList<windowlayout::Placement> &placed,
                                     std::function<bool()> fileSendMode, QWidget *window)
    : QObject(window), m_controls(controls), m_fileSendMode(std::move(fileSendMode)), m_window(window),
      m_placed(placed) {
    // The drop-down lists open over the macro grid.
    for (QWidget *list : {m_controls.OldCmdList, m_controls.FastOldCmd, m_controls.LBTail})
        list->raise();
    captureStartupLayout();
    m_controls.BTPalitra->setProperty(kTag, m_colourStep);
    connect(m_controls.BTPalitra, &QPushButton::clicked, this, &WindowArrangement::BTPalitraClick);
    connect(m_controls.BtInfo, &QPushButton::clicked, this, &WindowArrangement::BtInfoClick);
}

void WindowArrangement::captureStartupLayout() {
    // Narrower than the design, the statistics panel (held at the right edge)
    // comes over the send-mode panel; the send modes stay on top and opaque,
    // so that the period can still be edited and no texts are drawn over
    // each other.
    m_controls.InputMode->setAutoFillBackground(true);
    m_controls.InputMode->raise();
    m_startupLayout.StartupWidth = windowlayout::outerWidth(m_window->width());
    for (const windowlayout::Placement &entry : m_placed)
        m_startupLayout.controls.append({entry.slot, {entry.widget->x(), entry.widget->width()}});
    // A table that leaves out a control others line up with would misplace them.
    Q_ASSERT(windowlayout::tableFault(m_placed).isEmpty());
}

void WindowArrangement::windowResized() {
    FormCanResize();
    placeVertically();
}

void WindowArrangement::FormCanResize() {
    const QList<windowlayout::Span> spans =
        windowlayout::arrange(m_startupLayout, windowlayout::outerWidth(m_window->width()), m_fileSendMode());
    for (qsizetype i = 0; i < m_placed.size(); ++i) {
        QWidget *widget = m_placed[i].widget;
        widget->setGeometry(spans[i].left, widget->y(), spans[i].width, widget->height());
    }
}

void WindowArrangement::placeVertically() {
    const int clientHeight = m_window->height();
    const int memoHeight = std::max(0, clientHeight - kMemoTop - kMemoBottomMargin);
    for (QWidget *memo : {m_controls.MainWindow, m_controls.SecondWindow})
        memo->resize(memo->width(), memoHeight);
    QWidget *mainPanel = m_controls.MainPanel;
    const int mainPanelTop = clientHeight - kMainPanelBottomMargin - mainPanel->height();
    mainPanel->move(mainPanel->x(), mainPanelTop);
    m_controls.LogPanel->move(m_controls.LogPanel->x(), mainPanelTop - m_controls.LogPanel->height());
}

void WindowArrangement::BTPalitraClick() {
    const appearance::Scheme &scheme = appearance::colourScheme(m_colourStep);
    const QPalette style = QApplication::palette();
    const QColor background = appearance::resolve(scheme.background, style);
    const QColor text = appearance::resolve(scheme.text, style);
    emit fieldColoursChanged(background, text);
    m_colourStep = scheme.next;
    m_controls.BTPalitra->setProperty(kTag, m_colourStep);
}

void WindowArrangement::BtInfoClick() {
    if (m_infoWindow)
        modal::exec(*m_infoWindow, m_infoWindow->windowTitle());
}

} // namespace ui
