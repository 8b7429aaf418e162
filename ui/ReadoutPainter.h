#pragma once

#include <QObject>
#include <QPixmap>
#include <QSize>

class QLabel;

// Paints a label of one line of plain text that changes often (a counter, the
// clock) the way the label itself would, but keeps the picture of its
// background and frame: a change of text then costs a copy of that picture
// and the text, not the style's drawing of the frame and the label's own
// look-ups around it.
class ReadoutPainter : public QObject {
public:
    // Paints `label` from now on; owned by it.
    explicit ReadoutPainter(QLabel *label);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paint();
    void paintFace();

    QLabel *m_label;
    // The background and frame, and what they were painted for.
    QPixmap m_face;
    QSize m_faceSize;
    qint64 m_facePalette = 0;
    bool m_faceActive = false;
    bool m_faceEnabled = false;
};
