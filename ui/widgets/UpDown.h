#pragma once

#include <QWidget>

class QToolButton;

namespace ui {

// A pair of stacked arrow buttons with a position of its own, like the
// classic up-down spinner: the position moves by one per click, never wraps,
// and a click is reported only when it actually moved the position. The
// position is not shown; users react to the reported direction.
class UpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int position READ position WRITE setPosition)

public:
    explicit UpDown(QWidget *parent = nullptr);

    // A maximum below the minimum is raised to it; the position is kept inside.
    void setRange(int minimum, int maximum);
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // Clamped into the range; reports nothing.
    void setPosition(int position);
    int position() const { return m_position; }

public slots:
    // Same effect as a click on the up or the down arrow.
    void stepUp();
    void stepDown();

signals:
    // +1 for up, -1 for down; only for a click that changed the position.
    void clicked(int direction);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void step(int direction);
    void placeButtons();

    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
};

} // namespace ui
