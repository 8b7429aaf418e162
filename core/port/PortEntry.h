#pragma once

#include <QString>

namespace core {

// One entry of the port list: the name the user sees, the device the
// platform opens for it and, for a device the system names by its hardware
// (a USB adapter), that lasting name, which still leads to the same adapter
// after it came back under another device name.
struct PortEntry {
    QString name;
    QString location;
    QString stableLocation = {};
};

} // namespace core
