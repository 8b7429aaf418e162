#pragma once

#include <optional>

// The colour that tells the state of the connection on the port list.
enum class PortColour { Normal, Connected, Lost, Reconnecting };

// One beat of the connection watch, without the port: what the window sees
// and what it is to do.
struct WatchInputs {
    bool alive = false;       // the port answered the probe
    bool autoConnect = false; // reconnection is switched on
    bool wanted = false;      // the user connected and has not disconnected
    bool portOpen = false;    // the port is open as far as the window knows
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
