#pragma once

#include "core/port/PortDirectory.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace run {

// What the window's port list would offer now: the system's ports (or the
// fallback names when there is none) and the NetPorts entries; problems
// holds what was wrong with NetPorts.
struct PortList {
    QList<core::PortEntry> entries;
    QStringList problems;
};
PortList currentPorts(const core::PortDirectory &directory);

// One line of --list-ports: the name, then a tab and the lasting name of an
// adapter or where the port is opened, when that says more than the name.
QString listLine(const core::PortEntry &port);

// Where the PORT argument leads: a path or a network address as written, or
// the location of the port listed under that name. Empty location when no
// port has that name. The ports are listed only for a name.
core::PortEntry choosePort(const QString &argument, const std::function<QList<core::PortEntry>()> &listed);

} // namespace run
