#include "ui/dialogs/TOpenPortError.h"

#include "ui/window/WindowLayout.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui {

namespace {

constexpr QSize kPictureSize(599, 499);

const QColor kInk(25, 25, 25);
const QColor kSkin(250, 170, 140);
const QColor kShirt(95, 145, 215);
const QColor kLetters(230, 35, 30);

// Strokes that wobble a little, as if drawn by hand. The fixed seed draws the
// same picture on every run.
class Sketch {
public:
    explicit Sketch(QPainter &painter) : m_painter(painter), random_(1105) {}

    // A smooth curve through the points, each nudged by up to `wobble` pixels;
    // long straight stretches get extra points so that they wobble too.
    QPainterPath curve(const QList<QPointF> &points, bool closed, qreal wobble = 1.5) {
        QList<QPointF> nudged;
        const qsizetype count = points.size();
        const qsizetype segments = closed ? count : count - 1;
        for (qsizetype i = 0; i < count; ++i) {
            nudged.append(points[i] + QPointF(nudge(wobble), nudge(wobble)));
            if (i >= segments)
                continue;
            const QPointF from = points[i];
            const QPointF to = points[(i + 1) % count];
            const int extra = int(QLineF(from, to).length() / 40.0);
            for (int step = 1; step <= extra; ++step) {
                const QPointF between = from + (to - from) * (qreal(step) / (extra + 1));
                nudged.append(between + QPointF(nudge(wobble), nudge(wobble)));
            }
        }
        return smoothThrough(nudged, closed);
    }

    QPainterPath ellipse(QPointF centre, qreal radiusX, qreal radiusY, qreal wobble = 1.5) {
        QList<QPointF> points;
        constexpr int kPoints = 20;
        for (int i = 0; i < kPoints; ++i) {
            const qreal angle = 2.0 * std::numbers::pi * i / kPoints;
            points.append(centre + QPointF(radiusX * std::cos(angle), radiusY * std::sin(angle)));
        }
        return curve(points, true, wobble);
    }

    void stroke(const QPainterPath &path, qreal width, const QColor &colour = kInk) {
        m_painter.strokePath(path, QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }

    void shape(const QPainterPath &path, const QColor &fill, qreal outline = 3.0) {
        m_painter.fillPath(path, fill);
        stroke(path, outline);
    }

    // A thick limb: an outlined band along the path.
    void limb(const QPainterPath &path, const QColor &fill, qreal width) {
        stroke(path, width + 6.0);
        stroke(path, width, fill);
    }

    qreal nudge(qreal amount) { return (random_.generateDouble() * 2.0 - 1.0) * amount; }

private:
    // Catmull-Rom spline through the points, as cubic Bezier pieces.
    static QPainterPath smoothThrough(const QList<QPointF> &points, bool closed) {
        QPainterPath path(points.first());
        const qsizetype count = points.size();
        const auto at = [&](qsizetype i) {
            if (closed)
                return points[(i + count) % count];
            return points[std::clamp<qsizetype>(i, 0, count - 1)];
        };
        const qsizetype segments = closed ? count : count - 1;
        for (qsizetype i = 0; i < segments; ++i) {
            const QPointF control1 = at(i) + (at(i + 1) - at(i - 1)) / 6.0;
            const QPointF control2 = at(i + 1) - (at(i + 2) - at(i)) / 6.0;
            path.cubicTo(control1, control2, at(i + 1));
        }
        if (closed)
            path.closeSubpath();
        return path;
    }

    QPainter &m_painter;
    QRandomGenerator random_;
};

void drawBody(Sketch &sketch, QPointF neck) {
    const qreal x = neck.x();
    const qreal y = neck.y();
    // The arm hanging down, behind the body.
    sketch.limb(sketch.curve({{x - 62, y + 38}, {x - 92, y + 100}, {x - 84, y + 150}}, false), kShirt, 28);
    sketch.shape(sketch.ellipse({x - 82, y + 160}, 15, 13), kSkin);

    sketch.shape(sketch.curve({{x - 78, y + 40},
                               {x - 50, y + 22},
                               {x, y + 18},
                               {x + 50, y + 22},
                               {x + 78, y + 40},
                               {x + 66, y + 190},
                               {x - 66, y + 190}},
                              true, 2.0),
                 kShirt);
    sketch.shape(sketch.curve({{x - 20, y}, {x + 20, y}, {x + 22, y + 26}, {x, y + 34}, {x - 22, y + 26}}, true),
                 kSkin);
    // Shirt collar.
    sketch.stroke(sketch.curve({{x - 30, y + 22}, {x, y + 46}, {x + 30, y + 22}}, false), 3);
}

// The raised arm and the fist shaking at the top of it.
void drawFist(Sketch &sketch, QPointF shoulder, QPointF fist) {
    const QPointF elbow(fist.x() + 20, shoulder.y() - 10);
    sketch.limb(sketch.curve({shoulder, elbow, fist + QPointF(0, 22)}, false), kShirt, 30);

    // Ghost fists left and right of the real one: it is shaking.
    for (const qreal side : {-48.0, 48.0})
        sketch.stroke(sketch.ellipse(fist + QPointF(side, 8), 30, 25, 2.0), 2, QColor(200, 200, 200));

    sketch.shape(sketch.ellipse(fist, 33, 28), kSkin);
    for (int finger = 0; finger < 3; ++finger) {
        const qreal fx = fist.x() - 16 + finger * 14;
        sketch.stroke(sketch.curve({{fx, fist.y() - 26}, {fx + 2, fist.y() - 8}}, false, 1.0), 2.5);
    }
    // The thumb folded over the fingers.
    sketch.stroke(
        sketch.curve({{fist.x() - 28, fist.y() + 4}, {fist.x() - 10, fist.y() + 8}, {fist.x() + 6, fist.y() + 2}},
                     false, 1.0),
        2.5);

    // Motion marks on both sides.
    for (const qreal side : {-1.0, 1.0}) {
        for (int mark = 0; mark < 3; ++mark) {
            const qreal mx = fist.x() + side * (88 + mark * 4);
            const qreal my = fist.y() - 28 + mark * 24;
            sketch.stroke(sketch.curve({{mx, my}, {mx + side * 8, my + 8}, {mx, my + 16}}, false, 1.0), 3);
        }
    }
}

void drawHead(Sketch &sketch, QPointF centre) {
    const qreal x = centre.x();
    const qreal y = centre.y();
    sketch.shape(sketch.ellipse({x - 64, y + 4}, 10, 16), kSkin);
    sketch.shape(sketch.ellipse({x + 64, y + 4}, 10, 16), kSkin);
    sketch.shape(sketch.ellipse(centre, 64, 74, 2.0), kSkin);

    // Hair standing on end.
    for (int tuft = -3; tuft <= 3; ++tuft) {
        const QPointF root(x + tuft * 14, y - 70 + std::abs(tuft) * 3);
        sketch.stroke(sketch.curve({root, root + QPointF(tuft * 4 + sketch.nudge(4), -26)}, false, 1.0), 4);
    }

    // Brows drawn down into a V: anger.
    sketch.stroke(sketch.curve({{x - 44, y - 32}, {x - 10, y - 14}}, false, 1.0), 7);
    sketch.stroke(sketch.curve({{x + 44, y - 32}, {x + 10, y - 14}}, false, 1.0), 7);
    for (const qreal side : {-1.0, 1.0}) {
        sketch.shape(sketch.ellipse({x + side * 26, y - 2}, 11, 8, 0.8), Qt::white, 2.5);
        sketch.shape(sketch.ellipse({x + side * 22, y}, 4, 4, 0.3), kInk, 1);
    }
    sketch.stroke(sketch.curve({{x - 2, y + 4}, {x - 10, y + 24}, {x + 6, y + 26}}, false, 1.0), 3);

    // Mouth wide open, shouting, with the upper teeth showing.
    const QPainterPath mouth =
        sketch.curve({{x - 30, y + 40}, {x + 30, y + 40}, {x + 18, y + 62}, {x - 18, y + 62}}, true);
    sketch.shape(mouth, QColor(140, 20, 25));
    sketch.shape(sketch.curve({{x - 24, y + 42}, {x + 24, y + 42}, {x + 20, y + 50}, {x - 20, y + 50}}, true, 0.5),
                 Qt::white, 2);

    // The vein sign on the temple.
    const QPointF vein(x + 40, y - 50);
    for (int quarter = 0; quarter < 4; ++quarter) {
        const qreal angle = std::numbers::pi / 4 + quarter * std::numbers::pi / 2;
        const QPointF dir(std::cos(angle), std::sin(angle));
        const QPointF across(-dir.y(), dir.x());
        sketch.stroke(
            sketch.curve({vein + dir * 7 + across * 10, vein + dir * 4, vein + dir * 7 - across * 10}, false, 0.5), 4,
            kLetters);
    }

    // Fuming strokes over the head.
    for (int puff = -1; puff <= 1; ++puff) {
        const QPointF base(x - 96 + puff * 6, y - 40 + puff * 30);
        sketch.stroke(sketch.curve({base, base + QPointF(-22, -6 + puff * 8)}, false, 1.0), 3);
    }
}

// Hand-lettered words: each letter a little tilted and off the line.
void drawLetters(QPainter &painter, Sketch &sketch, const QString &words, const QRectF &area) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    qreal advance = QFontMetricsF(font).horizontalAdvance(words);
    font.setPixelSize(int(100 * area.width() / advance));
    const QFontMetricsF metrics(font);
    advance = metrics.horizontalAdvance(words);

    qreal left = area.center().x() - advance / 2.0;
    const qreal middle = area.center().y();
    for (const QChar letter : words) {
        const qreal width = metrics.horizontalAdvance(letter);
        if (!letter.isSpace()) {
            QPainterPath glyph;
            glyph.addText(0, 0, font, letter);
            const QPointF glyphCentre = glyph.boundingRect().center();
            QTransform place;
            place.translate(left + width / 2.0, middle + sketch.nudge(7));
            place.rotate(sketch.nudge(8));
            place.translate(-glyphCentre.x(), -glyphCentre.y());
            const QPainterPath placed = place.map(glyph);
            painter.fillPath(placed.translated(4, 5), kInk);
            sketch.shape(placed, kLetters, 3);
        }
        left += width;
    }
    // A hasty underline.
    sketch.stroke(
        sketch.curve({{area.left() + 20, area.bottom() + 6}, {area.right() - 20, area.bottom() + 2}}, false, 3), 5,
        kInk);
}

} // namespace

TOpenPortError::TOpenPortError(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TOpenPortError"));
    setWindowTitle(QStringLiteral("OpenPortError"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The picture is cut, not squeezed, when the window is made smaller.
    m_image->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_image);

    // The window is 616 x 539 outside, frame included; the picture sits in
    // the top left corner of what is left inside.
    resize(616 - windowlayout::kFrameWidth, 539 - windowlayout::kFrameHeight);
}

void TOpenPortError::showEvent(QShowEvent *event) {
    if (m_image->pixmap().isNull())
        m_image->setPixmap(picture());
    QDialog::showEvent(event);
}

QPixmap TOpenPortError::picture() {
    QPixmap pixmap(kPictureSize);
    pixmap.fill(QColor(255, 253, 240));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Sketch sketch(painter);

    const QPointF head(270, 262);
    drawBody(sketch, head + QPointF(0, 66));
    drawFist(sketch, head + QPointF(72, 112), QPointF(452, 206));
    drawHead(sketch, head);
    drawLetters(painter, sketch, QStringLiteral("ОТКРОЙ ПОРТ !"), QRectF(30, 18, 539, 100));
    return pixmap;
}

} // namespace ui
