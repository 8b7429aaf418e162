#include "ui/Appearance.h"

#include <algorithm>

namespace appearance {

const Scheme &colourScheme(int step) {
    if (step < 0 || step >= int(kColourCycle.size()))
        step = 0;
    return kColourCycle[step];
}

QColor resolve(const Colour &colour, const QPalette &style) {
    if (!colour.named)
        return QColor::fromRgb(colour.fixed);
    const auto entry = std::find_if(kSystemColourRoles.begin(), kSystemColourRoles.end(),
                                    [&](const SystemColourRole &mapping) { return mapping.colour == colour.system; });
    return style.color(QPalette::Active, entry != kSystemColourRoles.end() ? entry->role : QPalette::Window);
}

int nextFontSize(int size, int direction) {
    return std::clamp(size + (direction > 0 ? 1 : -1), kMinFontSize, kMaxFontSize);
}

} // namespace appearance
