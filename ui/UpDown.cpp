#include "ui/UpDown.h"

#include <QToolButton>

#include <algorithm>

namespace {

QToolButton *makeArrow(QWidget *parent, Qt::ArrowType arrow, const char *name) {
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    // The spinner never takes the keyboard focus away from the edit fields,
    // and holding an arrow keeps clicking.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    return button;
}

} // namespace

UpDown::UpDown(QWidget *parent)
    : QWidget(parent),
      up_(makeArrow(this, Qt::UpArrow, "up")),
      down_(makeArrow(this, Qt::DownArrow, "down")) {
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
    placeButtons();
}

void UpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
}

void UpDown::setMinimum(int minimum) { setRange(minimum, std::max(minimum, maximum_)); }

void UpDown::setMaximum(int maximum) { setRange(std::min(minimum_, maximum), maximum); }

void UpDown::setPosition(int position) { position_ = std::clamp(position, minimum_, maximum_); }

void UpDown::stepUp() { step(+1); }

void UpDown::stepDown() { step(-1); }

void UpDown::step(int direction) {
    const bool atBound = direction > 0 ? position_ >= maximum_ : position_ <= minimum_;
    if (atBound)
        return;
    position_ += direction;
    emit clicked(direction);
}

void UpDown::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeButtons();
}

void UpDown::placeButtons() {
    const int upperHeight = height() / 2;
    up_->setGeometry(0, 0, width(), upperHeight);
    down_->setGeometry(0, upperHeight, width(), height() - upperHeight);
}
