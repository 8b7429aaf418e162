#include "ui/ReadoutPainter.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

ReadoutPainter::ReadoutPainter(QLabel *label) : QObject(label), m_label(label) {
    // The face covers every pixel: nothing behind it needs painting first.
    m_label->setAttribute(Qt::WA_OpaquePaintEvent);
    m_label->setTextFormat(Qt::PlainText);
    m_label->installEventFilter(this);
}

bool ReadoutPainter::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_label || event->type() != QEvent::Paint)
        return false;
    paint();
    return true;
}

// As the label places its text: in the contents rectangle, indented by half
// an "x" when it has a frame and no indent of its own.
void ReadoutPainter::paint() {
    const QSize size = m_label->size();
    const bool active = m_label->isActiveWindow();
    const bool enabled = m_label->isEnabled();
    if (m_face.isNull() || size != m_faceSize || m_label->palette().cacheKey() != m_facePalette ||
        active != m_faceActive || enabled != m_faceEnabled)
        paintFace();
    QPainter painter(m_label);
    painter.drawPixmap(0, 0, m_face);

    QRect text = m_label->contentsRect();
    const int margin = m_label->margin();
    text.adjust(margin, margin, -margin, -margin);
    const Qt::Alignment align = QStyle::visualAlignment(Qt::LeftToRight, m_label->alignment());
    int indent = m_label->indent();
    if (indent < 0 && m_label->frameWidth())
        indent = m_label->fontMetrics().horizontalAdvance(u'x') / 2 - margin;
    if (indent > 0) {
        if (align & Qt::AlignLeft)
            text.setLeft(text.left() + indent);
        if (align & Qt::AlignRight)
            text.setRight(text.right() - indent);
        if (align & Qt::AlignTop)
            text.setTop(text.top() + indent);
        if (align & Qt::AlignBottom)
            text.setBottom(text.bottom() - indent);
    }
    QStyleOption option;
    option.initFrom(m_label);
    m_label->style()->drawItemText(&painter, text, int(align) | Qt::TextForceLeftToRight, option.palette, enabled,
                                   m_label->text(), m_label->foregroundRole());
}

// The label's background in its panel's colour and its frame, as the style
// draws them.
void ReadoutPainter::paintFace() {
    m_faceSize = m_label->size();
    m_facePalette = m_label->palette().cacheKey();
    m_faceActive = m_label->isActiveWindow();
    m_faceEnabled = m_label->isEnabled();
    const qreal ratio = m_label->devicePixelRatioF();
    m_face = QPixmap(m_faceSize * ratio);
    m_face.setDevicePixelRatio(ratio);
    QPainter painter(&m_face);
    painter.fillRect(QRect(QPoint(), m_faceSize), m_label->palette().brush(m_label->backgroundRole()));
    if (m_label->frameShape() == QFrame::NoFrame)
        return;
    QStyleOptionFrame frame;
    frame.initFrom(m_label);
    frame.frameShape = QFrame::Shape(m_label->frameShape());
    frame.rect = m_label->frameRect();
    switch (m_label->frameShape()) {
    case QFrame::Box:
    case QFrame::HLine:
    case QFrame::VLine:
    case QFrame::StyledPanel:
    case QFrame::Panel:
        frame.lineWidth = m_label->lineWidth();
        frame.midLineWidth = m_label->midLineWidth();
        break;
    default:
        frame.lineWidth = m_label->frameWidth();
        break;
    }
    if (m_label->frameShadow() == QFrame::Sunken)
        frame.state |= QStyle::State_Sunken;
    else if (m_label->frameShadow() == QFrame::Raised)
        frame.state |= QStyle::State_Raised;
    m_label->style()->drawControl(QStyle::CE_ShapedFrame, &frame, &painter, m_label);
}
