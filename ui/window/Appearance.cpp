#include "ui/window/Appearance.h"

#include <QAbstractScrollArea>

#include <algorithm>

namespace ui {

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

void keepReadableWhenDisabled(QWidget &control) {
    // A quarter of the way from the text's colour to the background's keeps
    // the contrast well above 4.5:1 in light and dark palettes alike.
    QPalette colours = control.palette();
    for (const auto &[text, background] :
         {std::pair{QPalette::ButtonText, QPalette::Button}, std::pair{QPalette::Text, QPalette::Base},
          std::pair{QPalette::WindowText, QPalette::Window}}) {
        const QColor from = colours.color(QPalette::Active, text);
        const QColor to = colours.color(QPalette::Active, background);
        const auto mix = [](int a, int b) { return (3 * a + b) / 4; };
        colours.setColor(QPalette::Disabled, text,
                         QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue())));
    }
    control.setPalette(colours);
}

void paintField(QWidget *field, const QColor &background, const QColor &text) {
    QWidget *viewport = nullptr;
    if (auto *area = qobject_cast<QAbstractScrollArea *>(field))
        viewport = area->viewport();
    for (QWidget *part : {field, viewport}) {
        if (!part)
            continue;
        QPalette colours = part->palette();
        colours.setColor(QPalette::Base, background);
        colours.setColor(QPalette::Text, text);
        part->setPalette(colours);
    }
}

void paintInWindowColour(QWidget *field) {
    const QColor face = field->window()->palette().color(QPalette::Window);
    QPalette colours = field->palette();
    colours.setColor(QPalette::Base, face);
    colours.setColor(QPalette::Button, face);
    field->setPalette(colours);
}

int nextFontSize(int size, int direction) {
    return std::clamp(size + (direction > 0 ? 1 : -1), kMinFontSize, kMaxFontSize);
}

} // namespace appearance

} // namespace ui
