#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QMetaObject>

#include <array>
#include <optional>

class QPlainTextEdit;
class QTextBlock;
class QTextDocument;

// Counts the rows the log shows at its current width: a wrapped line once
// per row, a trailing empty row not at all, whether the log has been laid
// out or not (a hidden log never is). Lines are only appended or all cleared,
// so each is measured once; a change of width or a removal measures anew.
class LogRowCounter {
public:
    LogRowCounter() = default;
    ~LogRowCounter();
    LogRowCounter(const LogRowCounter &) = delete;
    LogRowCounter &operator=(const LogRowCounter &) = delete;

    int rows(const QPlainTextEdit &log);

private:
    void follow(const QTextDocument &document, int width);
    int rowsOf(const QTextBlock &block, qreal width, const QTextDocument &document);
    bool plainlyFits(const QString &text, qreal width);

    const QTextDocument *m_document = nullptr;
    QMetaObject::Connection m_removals;
    bool m_stale = true;
    int m_width = -1;
    int m_blocks = 0;     // blocks measured so far
    int m_rowsBefore = 0; // rows of all measured blocks but the last
    // Advances of the characters of the Latin and Cyrillic ranges in the
    // log's font, taken as they are first met (0: not yet known).
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    std::array<qreal, 0x500> m_advances{};
};
