#include "ui/dialogs/TInfo.h"

#include "core/FixedTexts.h"

#include "ui_TInfo.h"

#include <QLinearGradient>
#include <QPainter>

namespace ui {

namespace {

// A nine-pin serial connector seen from the front, sized to fill the picture
// panel.
QPixmap connectorPicture(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal width = size.width();
    const qreal middle = width / 2.0;
    const QColor outline(55, 60, 70);

    const QRectF flange(3, 12, width - 6, 40);
    QLinearGradient steel(flange.topLeft(), flange.bottomLeft());
    steel.setColorAt(0.0, QColor(235, 238, 242));
    steel.setColorAt(0.5, QColor(185, 190, 198));
    steel.setColorAt(1.0, QColor(140, 146, 156));
    painter.setPen(QPen(outline, 1.2));
    painter.setBrush(steel);
    painter.drawRoundedRect(flange, 5, 5);

    for (const qreal x : {flange.left() + 11, flange.right() - 11}) {
        const QPointF centre(x, flange.center().y());
        painter.setBrush(QColor(95, 100, 110));
        painter.drawEllipse(centre, 6.5, 6.5);
        painter.setBrush(QColor(210, 214, 220));
        painter.drawEllipse(centre, 3.5, 3.5);
    }

    // The D-shaped shell is wider at the top, as on the real plug.
    const QPolygonF shell(
        {QPointF(middle - 31, 18), QPointF(middle + 31, 18), QPointF(middle + 25, 46), QPointF(middle - 25, 46)});
    painter.setPen(QPen(outline, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(45, 60, 90));
    painter.drawPolygon(shell);

    painter.setPen(QPen(QColor(120, 90, 20), 0.8));
    painter.setBrush(QColor(240, 195, 60));
    for (int pin = 0; pin < 5; ++pin)
        painter.drawEllipse(QPointF(middle + (pin - 2) * 10.5, 26), 3.0, 3.0);
    for (int pin = 0; pin < 4; ++pin)
        painter.drawEllipse(QPointF(middle + (pin - 1.5) * 10.5, 38), 3.0, 3.0);

    QFont caption(QStringLiteral("Liberation Sans"));
    caption.setPixelSize(11);
    caption.setBold(true);
    painter.setFont(caption);
    painter.setPen(QColor(45, 60, 90));
    painter.drawText(QRectF(0, 54, width, size.height() - 54), Qt::AlignCenter, QStringLiteral("COM"));
    return pixmap;
}

} // namespace

TInfo::TInfo(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TInfo>()) {
    ui->setupUi(this);
    ui->LabelTitle->setText(core::kProgramName + QStringLiteral(" v") + core::kProgramVersion);
    ui->Picture->setPixmap(connectorPicture(ui->Picture->size()));
    ui->FocusHolder->hide();
}

TInfo::~TInfo() = default;

void TInfo::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        parkFocus();
}

// The contact fields are read-only texts to copy from; when the window comes
// up neither may show a caret or a selection, so the focus is parked on a
// button that is never seen.
void TInfo::parkFocus() {
    ui->ContactFirst->deselect();
    ui->ContactSecond->deselect();
    ui->FocusHolder->show();
    ui->FocusHolder->setFocus();
    ui->FocusHolder->hide();
}

} // namespace ui
