#pragma once

#include "macros/MacroListView.h"

#include <QLineEdit>

#include <algorithm>

namespace ui {

// Stored texts may be longer than what their edit lets one type. Such a text
// is shown whole; the limit then only stops typing more and shrinks back as
// the text is cut. Changing the limit never cuts the text that is there.
inline void showWhole(QLineEdit *edit, const QString &text, int limit) {
    edit->setMaxLength(std::max(edit->maxLength(), int(text.size())));
    if (edit->text() != text)
        edit->setText(text);
    edit->setMaxLength(macros::limitKeepingText(limit, int(text.size())));
}

// After the user changed the text: the limit follows it back down.
inline void followText(QLineEdit *edit, int limit) {
    edit->setMaxLength(macros::limitKeepingText(limit, int(edit->text().size())));
}

} // namespace ui
