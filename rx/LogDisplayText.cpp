#include "rx/LogDisplayText.h"

#include "core/Cp1251.h"

QString LogDisplayText(QByteArrayView line) {
    QString text = cp1251::toUnicode(line);
    qsizetype out = 0;
    for (qsizetype in = 0; in < text.size(); ++in) {
        const QChar c = text[in];
        if (c == u'\r' && in + 1 < text.size() && text[in + 1] == u'\n') {
            text[out++] = u'\n';
            ++in;
        } else if (c != u'\r' && c != u'\n') {
            text[out++] = c;
        }
    }
    text.truncate(out);
    return text;
}
