#pragma once

#include <QString>

#include <optional>

namespace core {

// The colour that tells the state of the connection on the port list.
enum class PortColour { Normal, Connected, Lost, Reconnecting };

// One beat of the connection watch, without the port: what the window sees
// and what it is to do.
struct WatchInputs {
    bool alive = false;       // the port answered the probe
    bool autoConnect = false; // reconnection is switched on
    bool wanted = false;      // the user connected and has not disconnected
    bool portOpen = false;    // the port is open as far as the window knows
    bool opening = false;     // an open is under way (a network port takes time)
};

struct WatchAction {
    std::optional<PortColour> colour; // none: the colour stays
    bool close = false;               // release the dead port
    bool reopen = false;              // try to open the port again

    bool operator==(const WatchAction &) const = default;
};

WatchAction watchStep(const WatchInputs &in);

// The colour after a reopen attempt.
PortColour reopenColour(bool opened);

// Where a reconnection opens: an adapter with a lasting name wherever that
// name leads now (stableNow; nowhere while it is away, even if another
// device took its old name), any other port where it was.
QString reopenLocation(const QString &location, const QString &stableLocation, const std::optional<QString> &stableNow);

} // namespace core
