#include "ui/widgets/ReadoutPainter.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

namespace ui {

namespace {
// Two neighbouring characters as one key.
quint32 pair(QChar first, QChar second) { return quint32(first.unicode()) << 16 | second.unicode(); }
} // namespace

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
    if (const Face now = face(); m_facePicture.isNull() || now != m_face)
        paintFace(now);
    QPainter painter(m_label);
    painter.drawPixmap(0, 0, m_facePicture);

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
    paintText(painter, text, align);
}

void ReadoutPainter::paintText(QPainter &painter, const QRect &rect, Qt::Alignment align) {
    const QString text = m_label->text();
    if (text.isEmpty())
        return;
    QStyleOption option;
    option.initFrom(m_label);
    if (m_label->font() != m_font) {
        m_font = m_label->font();
        m_rawFont = QRawFont();
        m_glyphs.clear();
        m_apart.clear();
        m_composable = true;
        // The digits that counters and the clock run through, learnt at
        // once rather than one by one as they first turn up.
        for (char16_t digit = u'0'; digit <= u'9' && m_composable; ++digit)
            learn(QChar(digit));
    }
    const bool leftCentred = (align & (Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute)) == Qt::AlignLeft &&
                             (align & Qt::AlignVertical_Mask) == Qt::AlignVCenter;
    const QGlyphRun run = leftCentred && m_label->isEnabled() ? composed(text) : QGlyphRun();
    if (run.isEmpty()) {
        m_label->style()->drawItemText(&painter, rect, int(align) | Qt::TextForceLeftToRight, option.palette,
                                       m_label->isEnabled(), text, m_label->foregroundRole());
        return;
    }
    // Where the label's one line of text stands: centred by its height, its
    // baseline an ascent below.
    painter.setPen(QPen(option.palette.brush(m_label->foregroundRole()), painter.pen().widthF()));
    painter.drawGlyphRun(QPointF(rect.x(), rect.y() + (rect.height() - (m_ascent + m_descent)) / 2), run);
}

QGlyphRun ReadoutPainter::composed(const QString &text) {
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(text.size());
    positions.reserve(text.size());
    qreal x = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text[i];
        if (!m_composable || (!m_glyphs.contains(character.unicode()) && !learn(character)))
            return {};
        if (i > 0 && !m_apart.isEmpty() && m_apart.contains(pair(text[i - 1], character)))
            return {};
        const Glyph glyph = m_glyphs.value(character.unicode());
        indexes.append(glyph.index);
        positions.append(QPointF(x, m_ascent));
        x += glyph.advance;
    }
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    return run;
}

namespace {
// The text shaped whole, on one line.
struct Shaped {
    explicit Shaped(const QString &text, const QFont &font, QPaintDevice *device) : layout(text, font, device) {
        layout.beginLayout();
        line = layout.createLine();
        layout.endLayout();
    }
    QTextLayout layout;
    QTextLine line;
};
} // namespace

// A character of its own glyph in the label's font, whatever comes before
// or after it.
bool ReadoutPainter::learn(QChar character) {
    const Shaped alone(QString(character), m_font, m_label);
    const QList<QGlyphRun> runs = alone.layout.glyphRuns();
    if (character.isSurrogate() || runs.size() != 1 || runs[0].glyphIndexes().size() != 1 ||
        (m_rawFont.isValid() && runs[0].rawFont() != m_rawFont)) {
        m_composable = false;
        return false;
    }
    if (!m_rawFont.isValid()) {
        m_rawFont = runs[0].rawFont();
        m_ascent = alone.line.ascent();
        m_descent = alone.line.descent();
    }
    m_glyphs.insert(character.unicode(), {runs[0].glyphIndexes()[0], alone.line.horizontalAdvance()});
    // Every pair it can make with the characters known so far, either way
    // round, checked in one text: c k1 c k2 ... c c.
    QString pairs(character);
    for (auto known = m_glyphs.keyBegin(); known != m_glyphs.keyEnd(); ++known)
        pairs.append(QChar(*known)).append(character);
    checkPairs(pairs);
    return m_composable;
}

// The pairs of neighbours in the text shaped whole whose second glyph does
// not stand one advance after the first.
void ReadoutPainter::checkPairs(const QString &text) {
    const QList<QGlyphRun> runs = Shaped(text, m_font, m_label).layout.glyphRuns();
    if (runs.size() != 1 || runs[0].rawFont() != m_rawFont || runs[0].glyphIndexes().size() != text.size()) {
        m_composable = false;
        return;
    }
    const QList<quint32> indexes = runs[0].glyphIndexes();
    const QList<QPointF> positions = runs[0].positions();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (indexes[i] != m_glyphs.value(text[i].unicode()).index || positions[i].y() != m_ascent ||
            (i == 0 && positions[i].x() != 0)) {
            m_composable = false;
            return;
        }
        if (i > 0 && positions[i].x() - positions[i - 1].x() != m_glyphs.value(text[i - 1].unicode()).advance)
            m_apart.insert(pair(text[i - 1], text[i]));
    }
}

ReadoutPainter::Face ReadoutPainter::face() const {
    return {m_label->size(), m_label->palette().cacheKey(), m_label->isActiveWindow(), m_label->isEnabled()};
}

// The label's background in its panel's colour and its frame, as the style
// draws them.
void ReadoutPainter::paintFace(const Face &wanted) {
    m_face = wanted;
    const qreal ratio = m_label->devicePixelRatioF();
    m_facePicture = QPixmap(wanted.size * ratio);
    m_facePicture.setDevicePixelRatio(ratio);
    QPainter painter(&m_facePicture);
    painter.fillRect(QRect(QPoint(), wanted.size), m_label->palette().brush(m_label->backgroundRole()));
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

} // namespace ui
