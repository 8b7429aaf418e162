#pragma once

#include <QString>

// Texts the program shows in more than one place.
inline const QString kProgramName = QStringLiteral("TerminalKVR");
// The caption of a toggle button while its mode is on (editor mode, a
// command file loaded): the way back.
inline const QString kBackCaption = QStringLiteral("Назад");
