#include "macros/MacroEditing.h"

#include "core/FixedTexts.h"

namespace macros {

QString toggleCaption(bool editorMode) { return editorMode ? core::kBackCaption : QStringLiteral("Редактор"); }

const std::array<QString, MacroStore::kDescriptionLines> kDefaultHelp = {
    QStringLiteral("Краткая справка по каждой команде"),
    QStringLiteral("   "),
    QStringLiteral("   Здесь будет отображаться описание команд."),
    QStringLiteral("   Редактируемая  справка  отображается при"),
    QStringLiteral("   наведении  указателя  мышки  на кнопку с"),
    QStringLiteral("   соответствующей командой."),
    QStringLiteral("   "),
    QStringLiteral("   Для редактирования справки нужно открыть"),
    QStringLiteral("   редактор  и  дважды  кликнуть  мышкой по"),
    QStringLiteral("   соответствующей   команде    в    режиме"),
    QStringLiteral("   редактирования. "),
    QStringLiteral("   "),
};

std::optional<int> enterTarget(int field) {
    if (field < CmdName || field >= LastLine)
        return std::nullopt;
    return field + 1;
}

std::optional<int> backspaceTarget(int field) {
    if (field <= CmdName || field > LastLine)
        return std::nullopt;
    return field - 1;
}

int fieldWidth(int dialogWidth, int designFieldWidth, int designDialogWidth) {
    return dialogWidth + (designFieldWidth - designDialogWidth);
}

} // namespace macros
