#include "rx/LogDisplayText.h"

#include "core/Cp1251.h"

QString LogDisplayText(QByteArrayView line) {
    QString text = cp1251::toUnicode(line);
    // Compacted in place through raw pointers: indexing a QString that may
    // be written checks for sharing on every character.
    QChar *const begin = text.data();
    const QChar *const end = begin + text.size();
    QChar *out = begin;
    for (const QChar *in = begin; in < end; ++in) {
        const QChar c = *in;
        if (c == u'\r') {
            if (in + 1 < end && in[1] == u'\n') {
                *out++ = u'\n';
                ++in;
            }
        } else if (c != u'\n') {
            *out++ = c;
        }
    }
    text.truncate(out - begin);
    return text;
}
