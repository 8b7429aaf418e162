// Placing the controls when the window's width changes, and the log's colours
// and font size.
#include "ui/Appearance.h"
#include "ui/ModalSeam.h"
#include "ui/TForm1.h"
#include "ui/TInfo.h"

#include <QAbstractScrollArea>
#include <QApplication>

namespace {

const char *const kTag = "tag";

} // namespace

void TForm1::captureStartupLayout() {
    // Narrower than the design, the statistics panel (held at the right edge)
    // comes over the send-mode panel; the send modes stay on top and opaque,
    // so that the period can still be edited and no texts are drawn over
    // each other.
    ui.InputMode->setAutoFillBackground(true);
    ui.InputMode->raise();
    m_startupLayout.StartupWidth = windowlayout::outerWidth(width());
    for (const QString &name : windowlayout::placedControls()) {
        auto *widget = findChild<QWidget *>(name);
        if (!widget)
            continue;
        m_placedWidgets.insert(name, widget);
        m_startupLayout.spans.insert(name, windowlayout::Span{widget->x(), widget->width()});
    }
}

void TForm1::connectLayoutHandlers() {
    ui.BTPalitra->setProperty(kTag, m_colourStep);
    connect(ui.BTPalitra, &QPushButton::clicked, this, &TForm1::BTPalitraClick);
    connect(ui.Srift, &UpDown::clicked, this, &TForm1::SriftClick);
    connect(ui.BtInfo, &QPushButton::clicked, this, &TForm1::BtInfoClick);
}

// Hidden controls are placed too, so that they come up in the right place.
void TForm1::FormCanResize() {
    const windowlayout::Arrangement placed =
        windowlayout::arrange(m_startupLayout, windowlayout::outerWidth(width()), state.FileSendMode);
    for (auto entry = m_placedWidgets.cbegin(); entry != m_placedWidgets.cend(); ++entry) {
        const windowlayout::Span span = placed.value(entry.key());
        QWidget *widget = entry.value();
        widget->setGeometry(span.left, widget->y(), span.width, widget->height());
    }
}

void TForm1::BTPalitraClick() {
    const appearance::Scheme &scheme = appearance::colourScheme(m_colourStep);
    const QPalette style = QApplication::palette();
    const QColor background = appearance::resolve(scheme.background, style);
    const QColor text = appearance::resolve(scheme.text, style);
    for (QWidget *target : std::initializer_list<QWidget *>{ui.MainStrCmd, ui.FastOldCmd, ui.AddStrCmd,
                                                            ui.OldCmdList, ui.LBTail, ui.MainWindow}) {
        // A list's or memo's field is its viewport, which, once the window is
        // styled, no longer takes palette changes from its frame.
        QWidget *viewport = nullptr;
        if (auto *area = qobject_cast<QAbstractScrollArea *>(target))
            viewport = area->viewport();
        for (QWidget *part : {target, viewport}) {
            if (!part)
                continue;
            QPalette colours = part->palette();
            colours.setColor(QPalette::Base, background);
            colours.setColor(QPalette::Text, text);
            part->setPalette(colours);
        }
    }
    // The openers' arrows are drawn inside the command and tail lines; they
    // take the text colour so that they stay visible on a dark field.
    for (QWidget *opener : {ui.Str1, ui.Str2}) {
        QPalette colours = opener->palette();
        colours.setColor(QPalette::WindowText, text);
        opener->setPalette(colours);
    }
    m_colourStep = scheme.next;
    ui.BTPalitra->setProperty(kTag, m_colourStep);
}

void TForm1::SriftClick(int direction) {
    state.FontSize = appearance::nextFontSize(state.FontSize, direction);
    for (QWidget *memo : std::initializer_list<QWidget *>{ui.MainWindow, ui.SecondWindow}) {
        QFont font = memo->font();
        font.setPointSize(state.FontSize);
        memo->setFont(font);
    }
}

void TForm1::BtInfoClick() {
    if (m_infoWindow)
        modal::exec(*m_infoWindow, m_infoWindow->windowTitle());
}
