#pragma once

#include <QString>

class QLineEdit;

namespace ui {

// The user's stored texts (macro names, commands, descriptions, list names)
// shown as typed: never read as markup or as a keyboard shortcut, and kept on
// one line in the fields that hold one line.
namespace plaintext {

// A button's caption that shows "&" as it is and gives the button no
// shortcut.
QString asButtonCaption(const QString &text);

// A hint that shows the text literally ("<b>x</b>" as those characters),
// blanks included.
QString asToolTip(const QString &text);

// Line breaks pasted or dropped into the field become blanks as they arrive.
void keepOnOneLine(QLineEdit *field);

} // namespace plaintext

} // namespace ui
