#include "core/port/ConnectionWatch.h"

namespace core {

WatchAction watchStep(const WatchInputs &in) {
    WatchAction action;
    // The beat waits for an open under way to end; its end sets the colour.
    if (in.opening)
        return action;
    action.close = !in.alive;
    if (!in.autoConnect) {
        // Without reconnection a port that died, or one the user wants but
        // is not open, shows the loss and stays closed.
        if ((!in.alive && in.portOpen) || (in.wanted && !in.portOpen))
            action.colour = PortColour::Lost;
        return action;
    }
    if (!in.wanted)
        action.colour = PortColour::Normal;
    else
        action.reopen = !in.alive;
    return action;
}

PortColour reopenColour(bool opened) { return opened ? PortColour::Connected : PortColour::Reconnecting; }

QString reopenLocation(const QString &location, const QString &stableLocation,
                       const std::optional<QString> &stableNow) {
    if (stableLocation.isEmpty())
        return location;
    return stableNow.value_or(QString());
}

} // namespace core
