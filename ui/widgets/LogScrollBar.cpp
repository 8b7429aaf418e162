#include "ui/widgets/LogScrollBar.h"

#include "ui/widgets/FillBand.h"

#include <QImage>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <algorithm>

namespace ui {

namespace {

// The bar's style, drawing it a band of scan lines at a time: its groove and
// handle are tall fills, which the raster engine would otherwise split among
// worker threads at every repaint. Each band is drawn whole into a picture of
// its own size and copied, so that a part the style draws with a clip of its
// own is still drawn once.
class BandedStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override {
        const QRect area = option->rect;
        if (control != CC_ScrollBar || area.height() <= kFillBand) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const qreal ratio = painter->device()->devicePixelRatio();
        for (int top = area.top(); top <= area.bottom(); top += kFillBand) {
            const QSize size(area.width(), std::min(kFillBand, area.bottom() + 1 - top));
            QImage band(size * ratio, QImage::Format_ARGB32_Premultiplied);
            band.setDevicePixelRatio(ratio);
            band.fill(Qt::transparent);
            QPainter bandPainter(&band);
            bandPainter.translate(-area.left(), -top);
            QProxyStyle::drawComplexControl(control, option, &bandPainter, widget);
            bandPainter.end();
            painter->drawImage(QPoint(area.left(), top), band);
        }
    }
};

} // namespace

LogScrollBar::LogScrollBar(Qt::Orientation orientation, QWidget *parent) : QScrollBar(orientation, parent) {
    // Over the style the bar would have had, owned by the bar.
    if (QStyle *base = QStyleFactory::create(style()->name())) {
        auto *banded = new BandedStyle(base);
        banded->setParent(this);
        setStyle(banded);
    }
}

LogScrollBar::Look LogScrollBar::look() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum()};
}

void LogScrollBar::sliderChange(SliderChange change) {
    if (change == SliderOrientationChange) {
        QScrollBar::sliderChange(change);
        return;
    }
    // A new range leaves the value behind until the view follows it at once;
    // only the outcome counts.
    if (!m_checkPending) {
        m_checkPending = true;
        QMetaObject::invokeMethod(this, &LogScrollBar::repaintIfChanged, Qt::QueuedConnection);
    }
}

void LogScrollBar::repaintIfChanged() {
    m_checkPending = false;
    if (look() != m_painted)
        update();
}

void LogScrollBar::paintEvent(QPaintEvent *event) {
    m_painted = look();
    QScrollBar::paintEvent(event);
}

} // namespace ui
