#include "core/port/PortListing.h"

namespace core {

PortListing listPorts(const QList<PortEntry> &systemPorts, const QList<PortEntry> &networkPorts) {
    PortListing listing;
    listing.entries = systemPorts.isEmpty() ? PortDirectory::fallbackPorts() : systemPorts;
    if (!systemPorts.isEmpty())
        listing.selected = 0;
    else if (!networkPorts.isEmpty())
        listing.selected = int(listing.entries.size());
    listing.entries += networkPorts;
    listing.nothingFound = systemPorts.isEmpty() && networkPorts.isEmpty();
    return listing;
}

QString portHint(const PortEntry &port) { return port.stableLocation.isEmpty() ? port.location : port.stableLocation; }

QStringList newProblems(const QStringList &before, const QStringList &now) {
    QStringList fresh;
    for (const QString &problem : now) {
        if (!before.contains(problem))
            fresh.append(problem);
    }
    return fresh;
}

} // namespace core
