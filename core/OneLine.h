#pragma once

#include <QString>
#include <QStringView>

namespace core {

// Text put into a one-line field (pasted, dropped): each line break inside it
// (CR LF, LF or a lone CR) becomes one blank, as other single-line fields on
// the desktop do. The line breaks that end the text are dropped: a copied line
// usually brings its own, and a blank the user cannot see would go out on the
// wire.
QString toOneLine(QStringView text);

// Whether the text holds a line break at all.
bool hasLineBreak(QStringView text);

} // namespace core
