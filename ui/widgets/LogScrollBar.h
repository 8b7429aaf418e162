#pragma once

#include <QScrollBar>

namespace ui {

// The log's scroll bar. A growing log changes its range with every frame of
// new lines, but the handle moves by a pixel only every so many lines (and
// not at all once it is as small as it gets and sits at the end); the bar is
// repainted only when what it shows has changed once the event is handled,
// not on every change of its numbers. It is drawn in bands of scan lines
// (kFillBand), the same pixels as a plain bar.
class LogScrollBar : public QScrollBar {
public:
    explicit LogScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look &) const = default;
    };
    Look look() const;
    void repaintIfChanged();

    Look m_painted;
    bool m_checkPending = false;
};

} // namespace ui
