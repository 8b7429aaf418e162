#pragma once

#include "core/port/PortDirectory.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace core {

// What the port list offers after a scan: the system's ports, or the
// "COM1".."COM9" fallback when it has none, followed by the network ports.
struct PortListing {
    QList<PortEntry> entries;
    int selected = -1; // none
    // Neither the system nor the network list has a port: the user is told
    // (except at startup).
    bool nothingFound = false;
};

// The first real port is chosen: a system port, else a network port; a
// fallback name is only offered.
PortListing listPorts(const QList<PortEntry> &systemPorts, const QList<PortEntry> &networkPorts);

// A port's tooltip: the lasting name of a USB adapter, else where the port
// is opened (a network port's address as written).
QString portHint(const PortEntry &port);

// The problems of a read of the network port list that the read before did
// not have: each is reported once, not at every rescan, and again only after
// it was gone for a while.
QStringList newProblems(const QStringList &before, const QStringList &now);

} // namespace core
