#include "ui/widgets/UpDown.h"

#include <QToolButton>

#include <algorithm>

namespace ui {

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
    : QWidget(parent), m_up(makeArrow(this, Qt::UpArrow, "up")), m_down(makeArrow(this, Qt::DownArrow, "down")) {
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
    placeButtons();
}

void UpDown::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    m_position = std::clamp(m_position, m_minimum, m_maximum);
}

void UpDown::setMinimum(int minimum) { setRange(minimum, std::max(minimum, m_maximum)); }

void UpDown::setMaximum(int maximum) { setRange(std::min(m_minimum, maximum), maximum); }

void UpDown::setPosition(int position) { m_position = std::clamp(position, m_minimum, m_maximum); }

void UpDown::stepUp() { step(+1); }

void UpDown::stepDown() { step(-1); }

void UpDown::step(int direction) {
    const bool atBound = direction > 0 ? m_position >= m_maximum : m_position <= m_minimum;
    if (atBound)
        return;
    m_position += direction;
    emit clicked(direction);
}

void UpDown::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeButtons();
}

void UpDown::placeButtons() {
    const int upperHeight = height() / 2;
    m_up->setGeometry(0, 0, width(), upperHeight);
    m_down->setGeometry(0, upperHeight, width(), height() - upperHeight);
}

} // namespace ui
