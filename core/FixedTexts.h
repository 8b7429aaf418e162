#pragma once

#include <QString>

namespace core {

// Texts the program shows in more than one place.
// The program's name and version, as the build sets them.
inline const QString kProgramName = QStringLiteral(TERMINALKVR_NAME);
inline const QString kProgramVersion = QStringLiteral(TERMINALKVR_VERSION);
// The caption of a toggle button while its mode is on (editor mode, a
// command file loaded): the way back.
inline const QString kBackCaption = QStringLiteral("Назад");

} // namespace core
