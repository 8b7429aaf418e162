#include "macros/MacroEditing.h"

#include "core/FixedTexts.h"

namespace macroediting {

const std::array<ModeControl, 11> kModeControls = {{
    {"CBLists", Visibility::Hide, Visibility::Show},
    {"ListNameEDT", Visibility::Show, Visibility::Hide},
    {"DelList", Visibility::Show, Visibility::Hide},
    {"ListInc", Visibility::Show, Visibility::Hide},
    {"ListDec", Visibility::Show, Visibility::Hide},
    {"STLog", Visibility::Hide, Visibility::Show},
    {"SaveF", Visibility::Show, Visibility::Hide},
    {"StaticText1", Visibility::Show, Visibility::Hide},
    // The sent-commands button stays hidden once editor mode was used.
    {"OldCommandsBT", Visibility::Hide, Visibility::Keep},
    // Editor mode and sending from a file exclude each other.
    {"ButtonReadFile", Visibility::Hide, Visibility::Show},
    // The large caption keeps its place under the list-name edit; leaving
    // always returns to the chooser.
    {"STListName", Visibility::Keep, Visibility::Hide},
}};

const std::array<ModeControl, 8> kFileModeControls = {{
    {"CBLists", Visibility::Hide, Visibility::Show},
    {"RBName", Visibility::Hide, Visibility::Show},
    {"RbData", Visibility::Hide, Visibility::Show},
    // Sending from a file and editor mode exclude each other.
    {"EditAllCmd", Visibility::Hide, Visibility::Show},
    // The large caption shows the file's name.
    {"STListName", Visibility::Show, Visibility::Hide},
    {"CiklSend", Visibility::Show, Visibility::Hide},
    {"OldCmdList", Visibility::Show, Visibility::Hide},
    {"SendStart", Visibility::Show, Visibility::Hide},
}};

QString toggleCaption(bool editorMode) {
    return editorMode ? kBackCaption : QStringLiteral("Редактор");
}

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

const std::array<const char *, 15> kHelpClearingControls = {
    "EditAllCmd", "DelList",   "ListInc",  "ListDec",      "OldCommandsBT", "ButtonReadFile", "SendStart", "ButtonSend",
    "MainStrCmd", "AddStrCmd", "LogPanel", "SecondWindow", "MainWindow",    "Panel1",         "MainPanel",
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

} // namespace macroediting
