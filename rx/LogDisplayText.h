#pragma once

#include <QByteArrayView>
#include <QString>

namespace rx {

// How a log line (windows-1251 bytes) reads in the log window: a CR LF pair
// breaks the row; a lone CR or LF, which the line's own end usually is, shows
// as nothing.
QString logDisplayText(QByteArrayView line);

} // namespace rx
