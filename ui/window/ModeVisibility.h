#pragma once

#include "macros/MacroEditing.h"

#include <QWidget>

// Shows and hides the controls of a mode's table (found by name under root)
// as entering or leaving the mode asks.
template <typename Table>
void applyModeVisibility(QWidget &root, const Table &table, bool entering) {
    for (const macroediting::ModeControl &entry : table) {
        const macroediting::Visibility visibility = entering ? entry.entering : entry.leaving;
        if (visibility != macroediting::Visibility::Keep)
            root.findChild<QWidget *>(QString::fromLatin1(entry.control))
                ->setVisible(visibility == macroediting::Visibility::Show);
    }
}
