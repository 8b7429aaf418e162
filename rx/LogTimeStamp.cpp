#include "rx/LogTimeStamp.h"

namespace rx {

namespace {

void appendDigits(QByteArray &out, int value, int width) {
    char digits[3];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

} // namespace

QByteArray timeStampPrefix(const QTime &t, char direction) {
    // Built by hand: it runs for every logged packet and must not depend on
    // the locale.
    QByteArray out;
    out.reserve(20);
    out.append(" [ ");
    appendDigits(out, t.hour(), 2);
    out.append(':');
    appendDigits(out, t.minute(), 2);
    out.append(':');
    appendDigits(out, t.second(), 2);
    out.append(':');
    appendDigits(out, t.msec(), 3);
    out.append(' ');
    out.append(direction);
    out.append(" ] ");
    return out;
}

} // namespace rx
