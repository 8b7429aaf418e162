#include "core/port/TerminalPort.h"

namespace core {

TerminalPort::TerminalPort(QObject *parent) : PortAccess(parent) {
    // Only the port in use is ever open, so only it reports.
    for (PortAccess *port : {static_cast<PortAccess *>(&m_serial), static_cast<PortAccess *>(&m_net)}) {
        connect(port, &PortAccess::opened, this, &PortAccess::opened);
        connect(port, &PortAccess::readable, this, &PortAccess::readable);
        connect(port, &PortAccess::lost, this, &PortAccess::lost);
        connect(port, &PortAccess::inputLinesChanged, this, &PortAccess::inputLinesChanged);
    }
}

void TerminalPort::openAsync(const QString &location, const LineSettings &settings) {
    PortAccess *chosen = NetPort::isNetLocation(location) ? static_cast<PortAccess *>(&m_net) : &m_serial;
    if (chosen != m_active)
        m_active->close();
    m_active = chosen;
    m_active->openAsync(location, settings);
}

void TerminalPort::setOutputs(const ModemOutputs &outputs) {
    m_serial.setOutputs(outputs);
    m_net.setOutputs(outputs);
}

void TerminalPort::watchInputLines(bool on) {
    m_serial.watchInputLines(on);
    m_net.watchInputLines(on);
}

} // namespace core
