#include "rx/LogDisplayText.h"

#include "core/Cp1251.h"

#include <cstring>

namespace rx {

namespace {

// The first CR or LF in [from, end), or end. The system's memchr scans many
// bytes at a time; runs between line breaks are long.
const char *nextLineBreakByte(const char *from, const char *end) {
    const auto *cr = static_cast<const char *>(std::memchr(from, '\r', end - from));
    const char *const limit = cr ? cr : end;
    const auto *lf = static_cast<const char *>(std::memchr(from, '\n', limit - from));
    return lf ? lf : limit;
}

} // namespace

QString logDisplayText(QByteArrayView line) {
    // One pass: the runs between line-break bytes are converted straight
    // into the result.
    QString text(line.size(), Qt::Uninitialized);
    QChar *const begin = text.data();
    QChar *out = begin;
    const char *in = line.data();
    const char *const end = in + line.size();
    while (in < end) {
        const char *const run = in;
        in = nextLineBreakByte(in, end);
        out = core::cp1251::toUnicode(QByteArrayView(run, in - run), out);
        if (in == end)
            break;
        if (*in == '\r' && in + 1 < end && in[1] == '\n') {
            *out++ = u'\n';
            in += 2;
        } else {
            ++in; // a lone CR or LF shows as nothing
        }
    }
    text.truncate(out - begin);
    return text;
}

} // namespace rx
