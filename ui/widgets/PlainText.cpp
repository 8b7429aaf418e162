#include "ui/widgets/PlainText.h"

#include "core/OneLine.h"

#include <QLineEdit>
#include <QTextDocument>

namespace ui {

namespace plaintext {

QString asButtonCaption(const QString &text) {
    QString caption = text;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString asToolTip(const QString &text) {
    // A hint that looks like markup is shown as markup: such a text goes as
    // an escaped paragraph, which is markup that shows the text itself.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

void keepOnOneLine(QLineEdit *field) {
    QObject::connect(field, &QLineEdit::textEdited, field, [field](const QString &text) {
        if (!core::hasLineBreak(text))
            return;
        // The cursor stays where it was, counted from the end: the text after
        // it did not change.
        const qsizetype fromEnd = text.size() - field->cursorPosition();
        const QString line = core::toOneLine(text);
        field->setText(line);
        field->setCursorPosition(int(std::max<qsizetype>(0, line.size() - fromEnd)));
    });
}

} // namespace plaintext

} // namespace ui
