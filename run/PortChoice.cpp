#include "run/PortChoice.h"

#include "core/port/NetPortList.h"
#include "core/port/PortListing.h"

#include <QFileInfo>

namespace run {

PortList currentPorts(const PortDirectory &directory) {
    NetPortList net;
    net.load();
    return {listPorts(directory.scan(), net.entries()).entries, net.problems()};
}

QString listLine(const PortEntry &port) {
    const QString hint = portHint(port);
    return hint == port.name ? port.name : port.name + QLatin1Char('\t') + hint;
}

PortEntry choosePort(const QString &argument, const QList<PortEntry> &listed) {
    if (NetAddress::parse(argument))
        return {argument, argument};
    if (argument.startsWith(QLatin1Char('/'))) {
        // A lasting name leads back to its adapter when it comes back under
        // another device name.
        const bool stable = argument.startsWith(QLatin1String("/dev/serial/by-id/"));
        return {QFileInfo(argument).fileName(), argument, stable ? argument : QString()};
    }
    for (const PortEntry &port : listed) {
        if (port.name == argument)
            return port;
    }
    return {argument, {}};
}

} // namespace run
