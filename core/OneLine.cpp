#include "core/OneLine.h"

namespace core {

namespace {

bool isBreak(QChar c) { return c == u'\n' || c == u'\r'; }

} // namespace

bool hasLineBreak(QStringView text) { return text.contains(u'\n') || text.contains(u'\r'); }

QString toOneLine(QStringView text) {
    qsizetype end = text.size();
    while (end > 0 && isBreak(text[end - 1]))
        --end;
    QString line;
    line.reserve(end);
    for (qsizetype i = 0; i < end; ++i) {
        if (text[i] == u'\r' && i + 1 < end && text[i + 1] == u'\n')
            continue; // CR LF is one break: the LF stands for it
        line.append(isBreak(text[i]) ? QChar(u' ') : text[i]);
    }
    return line;
}

} // namespace core
