#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QRawFont>
#include <QSet>
#include <QSize>

class QLabel;

namespace ui {

// Paints a label of one line of plain text that changes often (a counter, the
// clock) the way the label itself would, but keeps the picture of its
// background and frame: a change of text then costs a copy of that picture
// and the text, not the style's drawing of the frame and the label's own
// look-ups around it. The text is put together from the glyphs of its
// characters, each shaped once, when a new character comes, together with
// every pair it makes with the characters known; a text with a pair that
// the font kerns is drawn the label's way.
class ReadoutPainter : public QObject {
public:
    // Paints `label` from now on; owned by it.
    explicit ReadoutPainter(QLabel *label);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the background and frame are painted for.
    struct Face {
        QSize size;
        qint64 palette = 0;
        bool active = false;
        bool enabled = false;
        bool operator==(const Face &) const = default;
    };
    Face face() const;
    void paint();
    void paintFace(const Face &wanted);
    void paintText(QPainter &painter, const QRect &rect, Qt::Alignment align);
    // The text as glyphs placed one after the other, if its characters are
    // known to sit so; empty if not.
    QGlyphRun composed(const QString &text);
    bool learn(QChar character);
    void checkPairs(const QString &text);

    struct Glyph {
        quint32 index;
        qreal advance;
    };

    QLabel *m_label;
    // The background and frame, and what they were painted for.
    QPixmap m_facePicture;
    Face m_face;
    // The glyphs of the characters met so far and the font they were shaped
    // in; the pairs of them that the font sets closer or further apart (a
    // text with one is drawn the label's way); false if the font does more
    // than that (ligatures, other fonts for some characters).
    QFont m_font;
    QRawFont m_rawFont;
    qreal m_ascent = 0;
    qreal m_descent = 0;
    QHash<char16_t, Glyph> m_glyphs;
    QSet<quint32> m_apart;
    bool m_composable = true;
};

} // namespace ui
