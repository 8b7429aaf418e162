#include "run/PortChoice.h"

#include "core/port/NetPortList.h"
#include "core/port/PortDirectory.h"
#include "core/port/PortListing.h"

#include <QFileInfo>

namespace run {

PortList currentPorts(const core::PortDirectory &directory) {
    core::NetPortList net;
    net.load();
    return {core::listPorts(directory.scan(), net.entries()).entries, net.problems()};
}

QString listLine(const core::PortEntry &port) {
    const QString hint = core::portHint(port);
    return hint == port.name ? port.name : port.name + QLatin1Char('\t') + hint;
}

core::PortEntry choosePort(const QString &argument, const std::function<QList<core::PortEntry>()> &listed) {
    if (core::NetAddress::parse(argument))
        return {argument, argument};
    // Any path (./x, ../dev/x) is a path; only a bare name is looked up.
    if (argument.contains(QLatin1Char('/'))) {
        // A lasting name leads back to its adapter when it comes back under
        // another device name.
        const bool stable = argument.startsWith(core::PortDirectory::kStableNameFolder + QLatin1Char('/'));
        return {QFileInfo(argument).fileName(), argument, stable ? argument : QString()};
    }
    const QList<core::PortEntry> ports = listed();
    for (const core::PortEntry &port : ports) {
        if (port.name == argument)
            return port;
    }
    return {argument, {}};
}

} // namespace run
